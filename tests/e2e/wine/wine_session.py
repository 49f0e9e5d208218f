"""The Windows programs under Wine for end-to-end tests: a fresh Wine prefix on
a private Xvfb display, our probe to read and drive the windows, and the X
server's own view of the pointer.

run_wine_tests.sh says which build to use (TOLVANE_WINE_*): the 32-bit product
under wine32, or, on a machine that runs no 32-bit code, the x86_64 build of
the same sources under wine64."""

import ctypes
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.xsession import SCREEN, XSession  # noqa: E402

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
BIN = os.environ.get("TOLVANE_WINE_BIN", os.path.join(REPO, "build", "windows", "bin"))
LOADER = os.environ.get("TOLVANE_WINE_LOADER", "wine")
WINEARCH = os.environ.get("TOLVANE_WINEARCH", "win32")
PRODUCT = os.environ.get("TOLVANE_PRODUCT_EXE", os.path.join(REPO, "build", "windows", "bin", "tolvane.exe"))
PREFIX = os.environ.get("TOLVANE_WINE_PREFIX", os.path.join(REPO, "build", f"wine-prefix-{WINEARCH}"))

TITLE = "Tolvane V1.0.1.0 ——购物最低价折扣，全场9.9元起包邮"
MAIN_CLASS = "TolvaneWindow"

# The fonts that Windows draws captions and dialogs with get the Chinese
# letters of the CJK font, as a Windows with Chinese support has them.
LINKED_FACES = ["Tahoma", "Tahoma Bold", "Microsoft Sans Serif", "MS Sans Serif", "MS Shell Dlg",
                "MS Shell Dlg 2"]
CJK_FACE = "Noto Sans CJK SC"
CJK_LINK = f"NotoSansCJK-Regular.ttc,{CJK_FACE}"
WINDOWS_CJK_FACES = ["SimSun", "NSimSun", "SimHei", "Microsoft YaHei", "Microsoft JhengHei", "MingLiU",
                     "PMingLiU", "MS UI Gothic", "MS Gothic"]


def _multi_string(value):
    # A REGEDIT4 file gives multi-strings in the ANSI code page.
    data = (value + "\0\0").encode("ascii")
    return "hex(7):" + ",".join(f"{b:02x}" for b in data)


def _registry_file():
    lines = ["REGEDIT4", "",
             # Every window inside one desktop window that Wine draws itself,
             # frames and title bars included, the size of the X screen.
             r"[HKEY_CURRENT_USER\Software\Wine\Explorer]", '"Desktop"="Default"', "",
             r"[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]",
             f'"Default"="{SCREEN[0]}x{SCREEN[1]}"', "",
             r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]"]
    lines += [f'"{face}"={_multi_string(CJK_LINK)}' for face in LINKED_FACES]
    # The Chinese faces of Windows, which Wine's text layout falls back to
    # (the edit box's text goes that way), are the CJK font here.
    lines += ["", r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]"]
    lines += [f'"{face}"="{CJK_FACE}"' for face in WINDOWS_CJK_FACES]
    return "\r\n".join(lines) + "\r\n"


class WineSession:
    def __init__(self):
        self.x = XSession(window_manager=False)
        self.env = dict(self.x.env, WINEPREFIX=PREFIX, WINEARCH=WINEARCH, WINEDEBUG="-all",
                        LC_ALL="C.UTF-8", LANG="C.UTF-8")
        try:
            self._make_prefix()
        except BaseException:
            self.close()
            raise

    def _make_prefix(self):
        shutil.rmtree(PREFIX, ignore_errors=True)
        # No Mono and no Gecko in the new prefix, and so no offer to download them.
        boot_env = dict(self.env, WINEDLLOVERRIDES="mscoree,mshtml=")
        subprocess.run([LOADER, "wineboot", "-i"], env=boot_env, timeout=240, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False, encoding="ascii") as reg:
            reg.write(_registry_file())
        try:
            subprocess.run([LOADER, "regedit", "/S", reg.name], env=boot_env, timeout=120, check=True,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        finally:
            os.unlink(reg.name)
        # Debian keeps Wine's own fonts (Marlett draws the caption buttons)
        # where this Wine does not look: they go into the prefix.
        fonts = os.path.join(PREFIX, "drive_c", "windows", "Fonts")
        for name in ["marlett.ttf", "tahoma.ttf", "tahomabd.ttf"]:
            source = os.path.join("/usr/share/wine/fonts", name)
            if os.path.exists(source) and os.path.isdir(fonts):
                shutil.copy(source, fonts)
        self.kill_server()
        # A server that stays between programs keeps Wine's services and the
        # desktop up, rather than bringing them up anew for every probe.
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=60, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.probe("metrics")

    def kill_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        try:
            self.kill_server()
        finally:
            self.x.close()

    def probe(self, *args, timeout=30):
        """The probe's JSON lines, and its exit code."""
        # Its output goes through a file: the Wine services that the first
        # program of a server starts inherit its standard output and would
        # hold a pipe open long after the probe has ended.
        with tempfile.TemporaryFile() as output:
            result = subprocess.run([LOADER, os.path.join(BIN, "probe.exe"), *map(str, args)],
                                    env=self.env, stdin=subprocess.DEVNULL, stdout=output,
                                    stderr=subprocess.DEVNULL, timeout=timeout)
            output.seek(0)
            text = output.read().decode("utf-8")
        lines = [json.loads(line) for line in text.splitlines() if line.startswith("{")]
        return lines, result.returncode

    def main_window(self, wait_ms=0):
        """The main window's record and its children by control id."""
        lines, _ = self.probe("windows", "--class", MAIN_CLASS, "--wait", wait_ms)
        windows = [line for line in lines if line["kind"] == "window"]
        if not windows:
            return None, {}
        children = {}
        for line in lines:
            if line["kind"] == "child":
                children.setdefault(line["id"], line)
        return windows[0], children

    def start(self, program, args=(), cwd=None):
        return WineProgram(self, os.path.join(BIN, program), args, cwd)

    def pointer_at(self, x, y):
        """The X server's name for the pointer shown at a point of the screen."""
        self.probe("pointer", x, y)
        return x_pointer_name(self.x.display)


class WineProgram:
    def __init__(self, session, path, args, cwd):
        # Started from a directory of its own, not the program's.
        self.cwd = cwd or tempfile.mkdtemp(prefix="tolvane-wine-cwd-")
        env = dict(session.env)
        env.pop("WINEDLLOVERRIDES", None)  # the browser control gets Wine's HTML engine module
        self.process = subprocess.Popen([LOADER, path, *args], cwd=self.cwd, env=env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)

    def wait(self, timeout=30):
        """The exit code as Windows gives it (0 to 0xFFFFFFFF, from its low byte under Wine)."""
        return self.process.wait(timeout)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


def x_pointer_name(display):
    """Wine shows the system pointers as the X cursor theme's (hand2, left_ptr)."""
    try:
        x11 = ctypes.CDLL("libX11.so.6")
        xfixes = ctypes.CDLL("libXfixes.so.3")
    except OSError:
        return None
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        return None
    try:
        image = xfixes.XFixesGetCursorImage(connection)
        if not image:
            return None
        name = (image.contents.name or b"").decode()
        shape = (image.contents.width, image.contents.height, image.contents.xhot, image.contents.yhot)
        x11.XFree(image)
        return name or repr(shape)
    finally:
        x11.XCloseDisplay(connection)


def wait_for(condition, timeout=20, step=0.25):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(step)
    return condition()
