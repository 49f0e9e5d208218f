"""A private X display for end-to-end tests: Xvfb with a window manager,
screenshots read back as pixels, and the X tools to find and drive windows."""

import os
import re
import shutil
import subprocess
import tempfile
import time

SCREEN = (1280, 800)


def _free_display():
    for number in range(91, 200):
        if not os.path.exists(f"/tmp/.X{number}-lock") and not os.path.exists(
            f"/tmp/.X11-unix/X{number}"
        ):
            return number
    raise RuntimeError("no free X display")


class XSession:
    def __init__(self, window_manager=True):
        self.number = _free_display()
        self.display = f":{self.number}"
        self.xvfb = subprocess.Popen(
            ["Xvfb", self.display, "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        deadline = time.time() + 10
        while not os.path.exists(f"/tmp/.X11-unix/X{self.number}"):
            if time.time() > deadline or self.xvfb.poll() is not None:
                raise RuntimeError("Xvfb did not start")
            time.sleep(0.05)
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.wm = None
        if window_manager and shutil.which("openbox"):
            self.wm = subprocess.Popen(
                ["openbox"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL
            )
            time.sleep(0.5)

    def close(self):
        for process in (self.wm, self.xvfb):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()

    def run(self, *args, check=True):
        result = subprocess.run(list(args), env=self.env, capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise RuntimeError(f"{args}: {result.stderr}")
        return result.stdout

    def find_window(self, name, timeout=30, pid=None):
        """The X id of the first visible window whose title contains name."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            args = ["xdotool", "search", "--onlyvisible", "--name", re.escape(name)]
            if pid:
                args[2:2] = ["--all", "--pid", str(pid)]
            found = self.run(*args, check=False).split()
            if found:
                return int(found[-1])
            time.sleep(0.2)
        return None

    def window_title(self, window):
        return self.run("xdotool", "getwindowname", str(window)).rstrip("\n")

    def client_geometry(self, window):
        """(left, top, width, height) of the client area on the screen."""
        info = self.run("xwininfo", "-id", str(window))
        value = lambda key: int(re.search(rf"{key}:\s+(-?\d+)", info).group(1))
        return (value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"))

    def press_key(self, window, key):
        self.run("xdotool", "windowactivate", "--sync", str(window), check=False)
        self.run("xdotool", "key", "--clearmodifiers", key)

    def click(self, x, y, button=1):
        self.run("xdotool", "mousemove", "--sync", str(x), str(y), "click", str(button))

    def screenshot(self, path=None):
        """The whole screen as a Picture; also saved as PNG when path is given."""
        with tempfile.NamedTemporaryFile(suffix=".ppm") as raw:
            self.run("import", "-window", "root", "-depth", "8", f"ppm:{raw.name}")
            picture = Picture.from_ppm(raw.name)
            if path:
                self.run("convert", raw.name, path)
        return picture


class Picture:
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @classmethod
    def from_ppm(cls, path):
        with open(path, "rb") as f:
            content = f.read()
        # Header: P6, width, height, maxval, each separated by whitespace.
        fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", content)
        width, height = int(fields.group(1)), int(fields.group(2))
        return cls(width, height, content[fields.end():])

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return tuple(self.data[offset:offset + 3])


def close_to(color, expected, tolerance=6):
    return all(abs(a - b) <= tolerance for a, b in zip(color, expected))
