"""The Linux program built with AddressSanitizer and UBSan, on a private Xvfb
display with a window manager, driven with xdotool as a user would."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from lib import url_recorder  # noqa: E402
from lib.xsession import XSession  # noqa: E402

import model  # noqa: E402
import places  # noqa: E402
import sanitizer_reports  # noqa: E402
from started_program import StartedProgram  # noqa: E402
from x_display import XDisplay  # noqa: E402

MAIN_TITLE = "Tolvane V1.0.1.0"
NOTICE_TITLE = "有新版本啦……"
PING_TURN = 2  # seconds a ping waits before the window is looked for again
MESSAGE_TITLE = "信息："
BADGE_BLUE = (0, 136, 255)

PROGRAM_FILES = ["tolvane", "libSkinH_EL.so", "skin.she"]


def run(args, env, timeout=15):
    """Runs an X tool; its output, or None when it failed or took too long."""
    try:
        result = subprocess.run(args, env=env, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    return result.stdout if result.returncode == 0 else None


class LinuxProgram(StartedProgram):
    name = "linux"

    def __init__(self, bin_dir, work_dir, rng):
        self.rng = rng
        self.work = work_dir
        self.logs = os.path.join(work_dir, "sanitizer")
        os.makedirs(self.logs, exist_ok=True)
        self.suppressions = os.path.join(HERE, "lsan.supp")
        # A copy of the program of its own: pz.ini and the first-run shortcut
        # are the soak's, not the build's.
        self.folder = os.path.join(work_dir, "program")
        os.makedirs(self.folder, exist_ok=True)
        for name in PROGRAM_FILES:
            shutil.copy2(os.path.join(bin_dir, name), self.folder)
        shutil.copytree(os.path.join(bin_dir, "assets"), os.path.join(self.folder, "assets"),
                        dirs_exist_ok=True)
        self.home = tempfile.mkdtemp(prefix="home-", dir=work_dir)
        os.mkdir(os.path.join(self.home, "Desktop"))
        self.opened_log = url_recorder.install(self.home)
        self.x = XSession()
        self.xd = XDisplay(self.x.display)
        self.process = None
        self.output = None
        self.start_number = 0
        self.main_window = None
        self.main_origin = None

    # -- a start

    def log_prefix(self, number=None):
        return os.path.join(self.logs, f"start-{self.start_number if number is None else number}")

    def start(self, first_run):
        self.start_number += 1
        settings = os.path.join(self.folder, "pz.ini")
        if first_run and os.path.exists(settings):
            os.remove(settings)
        prefix = self.log_prefix()
        sanitizer = f"halt_on_error=1:log_path={prefix}"
        env = dict(self.x.env, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   ASAN_OPTIONS=f"{sanitizer}:detect_leaks=1:check_initialization_order=1",
                   LSAN_OPTIONS=f"suppressions={self.suppressions}:print_suppressions=0",
                   UBSAN_OPTIONS=f"{sanitizer}:print_stacktrace=1")
        self.output = open(os.path.join(self.work, f"output-{self.start_number}.txt"), "wb")
        self.process = subprocess.Popen([os.path.join(self.folder, "tolvane")], cwd=self.work,
                                        env=env, stdin=subprocess.DEVNULL, stdout=self.output,
                                        stderr=subprocess.STDOUT)
        self.main_window = None
        self.main_origin = None


    def ended(self):
        if self.output:
            self.output.close()
            self.output = None

    def problems(self):
        """What the sanitizers reported for this start."""
        return [f"{os.path.basename(path)}:\n{summary}"
                for path, summary in sanitizer_reports.reports(self.log_prefix())]

    def backtrace(self, path):
        with open(path, "w") as out:
            subprocess.run(["gdb", "-p", str(self.process.pid), "-batch", "-ex", "thread apply all bt"],
                           stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT, timeout=180)

    # -- what shows

    def find(self, title):
        found = run(["xdotool", "search", "--all", "--pid", str(self.process.pid), "--onlyvisible",
                     "--name", title], self.x.env)
        ids = [int(word) for word in (found or "").split()]
        return ids[-1] if ids else None

    def origin(self, window):
        info = run(["xwininfo", "-id", str(window)], self.x.env)
        if not info:
            return None
        values = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
        return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]))

    def observe(self):
        main = self.find(MAIN_TITLE)
        if main and main != self.main_window:
            self.main_window, self.main_origin = main, self.origin(main)
        badge = False
        if main and self.main_origin:
            x0, y0 = self.main_origin
            badge = all(self.xd.pixel(x0 + x, y0 + y) == BADGE_BLUE for x, y in places.BADGE_POINTS)
        return model.Seen(main=main is not None, badge=badge, notice=self.find(NOTICE_TITLE) is not None,
                          message=self.find(MESSAGE_TITLE) is not None)

    def answers(self, timeout):
        # Pinged in short turns, each at the window found then: a window that
        # goes meanwhile (NoticeWindow closing after its page, or a search
        # that missed MainWindow on a busy machine) never answers, and must
        # not be taken for a program that stopped answering.
        deadline = time.monotonic() + timeout
        while True:
            window = self.main_window or self.find(MAIN_TITLE) or self.find(NOTICE_TITLE) or self.find(MESSAGE_TITLE)
            left = deadline - time.monotonic()
            if window is not None and self.xd.ping(window, max(0.1, min(PING_TURN, left))):
                return True
            if time.monotonic() >= deadline:
                return False
            if window is None:
                time.sleep(0.2)

    # -- presses

    def click(self, origin, point):
        run(["xdotool", "mousemove", "--sync", str(origin[0] + point[0]), str(origin[1] + point[1]),
             "click", "1"], self.x.env)

    def key(self, window, key):
        if window is None:
            return
        # Where the window manager will not make it active, the key goes to
        # the window itself.
        if run(["xdotool", "windowactivate", "--sync", str(window)], self.x.env, timeout=5) is None:
            run(["xdotool", "key", "--window", str(window), key], self.x.env)
        else:
            run(["xdotool", "key", "--clearmodifiers", key], self.x.env)

    def act(self, action):
        rng = self.rng
        if places.is_main_press(action):
            if self.main_origin:
                self.click(self.main_origin, places.main_point(action, rng))
        elif action in places.NOTICE_BOXES:
            notice = self.find(NOTICE_TITLE)
            origin = notice and self.origin(notice)
            if origin:
                self.click(origin, places.point_in(places.NOTICE_BOXES[action], rng))
        elif action == "esc_notice":
            self.key(self.find(NOTICE_TITLE), "Escape")
        elif action == "esc_main":
            self.key(self.find(MAIN_TITLE), "Escape")
        elif action == "dismiss_message":
            self.key(self.find(MESSAGE_TITLE), rng.choice(["Escape", "Return", "space"]))
        else:
            raise ValueError(action)

    def close(self):
        self.kill()
        self.ended()
        self.xd.close()
        self.x.close()

