"""The Windows program under Wine on a private Xvfb display, with a Wine
prefix of its own, read and driven through the Wine tests' probe. Wine has no
HTML engine here, so the browser never leaves its loading state and every
page wait nests in the next; the program must answer all the same."""

import os
import shutil
import stat
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e", "wine"))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

import model  # noqa: E402
import places  # noqa: E402
from started_program import StartedProgram  # noqa: E402

MAIN_TITLE = "Tolvane V1.0.1.0 ——购物最低价折扣，全场9.9元起包邮"
NOTICE_TITLE = "有新版本啦……"
MESSAGE_TITLE = "信息："
MAIN_CLASS = "TolvaneWindow"
DIALOG_CLASS = "#32770"
CRASH_TITLE = "Program Error"
BADGE_ID = 109
# What Wine writes when a program faults, whatever WINEDEBUG says.
CRASH_MARKS = ("Unhandled page fault", "Unhandled exception", "Unhandled stack overflow",
               "starting debugger")
PROGRAM_FILES = ["tolvane.exe", "SkinH_EL.dll", "skin.she"]

RECORDER = """#!/bin/sh
# The default browser of the soak's Wine prefix: records what it is given.
printf '%s\\n' "$@" >> '{log}'
"""


class WineProgram(StartedProgram):
    name = "wine"

    def __init__(self, bin_dir, work_dir, rng):
        os.environ["TOLVANE_WINE_BIN"] = bin_dir
        os.environ["TOLVANE_WINE_LOADER"] = "/usr/lib/wine/wine64"
        os.environ["TOLVANE_WINEARCH"] = "win64"
        import wine_session
        # The soak's own prefix, away from the one the Wine tests make.
        self.prefix = tempfile.mkdtemp(prefix="tolvane-soak-wine-prefix-")
        wine_session.PREFIX = self.prefix
        self.rng = rng
        self.work = work_dir
        self.session = wine_session.WineSession()
        self.loader = wine_session.LOADER
        self.home = os.environ["HOME"]
        self.folder = tempfile.mkdtemp(prefix="program-", dir=self.home)
        for name in PROGRAM_FILES:
            shutil.copy(os.path.join(bin_dir, name), self.folder)
        recorder = os.path.join(self.home, "record-browser.sh")
        with open(recorder, "w", encoding="utf-8") as f:
            f.write(RECORDER.format(log=os.path.join(self.home, "opened.txt")))
        os.chmod(recorder, stat.S_IRWXU)
        # winebrowser, which opening an http address runs, tries these in turn.
        subprocess.run([self.loader, "reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers",
                        "/t", "REG_SZ", "/d", recorder, "/f"], env=self.session.env, timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.process = None
        self.output_path = None
        self.start_number = 0
        self.crash_dialog = False
        self.windows = {}

    # -- a start

    def start(self, first_run):
        self.start_number += 1
        settings = os.path.join(self.folder, "pz.ini")
        if first_run and os.path.exists(settings):
            os.remove(settings)
        env = dict(self.session.env)
        env.pop("WINEDLLOVERRIDES", None)  # the browser control gets Wine's HTML engine module
        self.output_path = os.path.join(self.work, f"output-{self.start_number}.txt")
        with open(self.output_path, "wb") as output:
            self.process = subprocess.Popen([self.loader, os.path.join(self.folder, "tolvane.exe")],
                                            cwd=tempfile.mkdtemp(prefix="cwd-", dir=self.home), env=env,
                                            stdin=subprocess.DEVNULL, stdout=output,
                                            stderr=subprocess.STDOUT)
        self.crash_dialog = False
        self.windows = {}

    def kill(self):
        super().kill()
        # A crash dialog outlives the program it reports on.
        self.probe("close", "--title", CRASH_TITLE)

    def ended(self):
        pass

    def problems(self):
        found = []
        if self.crash_dialog:
            found.append(f"Wine showed its crash dialog ({CRASH_TITLE})")
        with open(self.output_path, encoding="utf-8", errors="replace") as f:
            marks = [line.strip() for line in f if any(mark in line for mark in CRASH_MARKS)]
        if marks:
            found.append("Wine reported a fault: " + " | ".join(marks[:3]))
        return found

    def backtrace(self, path):
        with open(path, "w") as out:
            subprocess.run(["gdb", "-p", str(self.process.pid), "-batch", "-ex", "thread apply all bt"],
                           stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT, timeout=180)

    # -- what shows

    def probe(self, *args, timeout=60):
        try:
            return self.session.probe(*args, timeout=timeout)
        except subprocess.TimeoutExpired:
            return [], None

    def observe(self):
        lines, _ = self.probe("windows", "--class", MAIN_CLASS)
        windows, badge, current = {}, False, None
        for line in lines:
            if line["kind"] == "window":
                current = line["title"] if line["visible"] else None
                if current:
                    windows[current] = line
            elif line["kind"] == "child" and current == MAIN_TITLE and line["id"] == BADGE_ID:
                badge = badge or line["own_visible"]
        dialogs, _ = self.probe("windows", "--class", DIALOG_CLASS)
        titles = {line["title"] for line in dialogs if line["kind"] == "window" and line["visible"]}
        if CRASH_TITLE in titles:
            # The program is gone for the user; the dialog would hold it forever.
            self.crash_dialog = True
            self.kill()
        self.windows = windows
        return model.Seen(main=MAIN_TITLE in windows, badge=badge, notice=NOTICE_TITLE in windows,
                          message=MESSAGE_TITLE in titles)

    def answers(self, timeout):
        lines, code = self.probe("answers", "--class", MAIN_CLASS, int(timeout * 1000),
                                 timeout=timeout + 60)
        return code == 0 and bool(lines)

    # -- presses

    def click(self, title, point):
        window = self.windows.get(title)
        if window:
            origin = window["client_origin"]
            self.probe("click", origin[0] + point[0], origin[1] + point[1])

    def act(self, action):
        if places.is_main_press(action):
            self.click(MAIN_TITLE, places.main_point(action, self.rng))
        elif action in places.NOTICE_BOXES:
            self.click(NOTICE_TITLE, places.point_in(places.NOTICE_BOXES[action], self.rng))
        elif action == "esc_notice":
            self.probe("esc", "--title", NOTICE_TITLE)
        elif action == "esc_main":
            self.probe("esc", "--title", MAIN_TITLE)
        elif action == "dismiss_message":
            self.probe(self.rng.choice(["esc", "close"]), "--title", MESSAGE_TITLE)
        else:
            raise ValueError(action)

    def close(self):
        try:
            self.kill()
            self.session.close()
        finally:
            shutil.rmtree(self.prefix, ignore_errors=True)
