"""The Windows skin library under Wine: a test program (skin_check_win.exe)
makes windows before and after attaching a skin, then shows a message box;
the screen shows what the skin covers. Then: a refused skin file, and the
library freed again while its windows live on."""

import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.xsession import close_to  # noqa: E402
from wine_session import BIN, LOADER, WineSession  # noqa: E402

CHECK = os.path.join(BIN, "skin_check_win.exe")
DLL = os.path.join(BIN, "SkinH_EL.dll")

VIVID_SKIN = """\
[window]
background = #203040
[button]
face = #c01020
text = #10f020
border = #0000ff
hover = #20c0a0
pressed = #602080
[edit]
background = #f0f080
[dialog]
background = #80a0f0
[font]
face = DejaVu Serif
size = 20
"""
WINDOW, FACE, BORDER = (0x20, 0x30, 0x40), (0xc0, 0x10, 0x20), (0, 0, 0xff)
HOVER, PRESSED, EDIT, DIALOG = (0x20, 0xc0, 0xa0), (0x60, 0x20, 0x80), (0xf0, 0xf0, 0x80), (0x80, 0xa0, 0xf0)
OWN_BACKGROUND = (250, 250, 250)  # what the window that paints itself paints
SKIN_FONT = ("DejaVu_Serif", "-20")


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


class CheckRun:
    def __init__(self, session, skin, *options, timeout=90):
        self.process = subprocess.Popen([LOADER, CHECK, windows_path(DLL), windows_path(skin), *options],
                                        env=session.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self.values, self.rects, self.fonts = {}, {}, {}
        deadline, buffered = time.time() + timeout, b""
        while b"ready" not in buffered:
            if time.time() > deadline or self.process.poll() is not None:
                self.kill()
                raise AssertionError(f"skin_check_win did not get ready: {buffered!r}")
            readable, _, _ = select.select([self.process.stdout], [], [], 1)
            if readable:
                buffered += os.read(self.process.stdout.fileno(), 4096)
        for line in buffered.decode().splitlines():
            kind, *fields = line.split()
            if kind == "rect":
                self.rects[fields[0]] = tuple(int(n) for n in fields[1:])
            elif kind == "font":
                self.fonts[fields[0]] = tuple(fields[1:])
            elif kind in ("attach", "unloaded"):
                self.values[kind] = fields[0]

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)
        self.process.stdout.close()

    def point(self, name, dx, dy):
        x, y, width, height = self.rects[name]
        return (x + (dx if dx >= 0 else width + dx), y + (dy if dy >= 0 else height + dy))


class SkinUnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for path in (CHECK, DLL):
            if not os.path.isfile(path):
                raise unittest.SkipTest(f"{path} is not built: build the targets SkinH_EL and skin_check_win "
                                        "of the Windows build that the Wine tests use")
        cls.session = WineSession()
        cls.directory = tempfile.mkdtemp(prefix="tolvane-skin-wine-")
        cls.vivid = os.path.join(cls.directory, "vivid.she")
        with open(cls.vivid, "w") as f:
            f.write(VIVID_SKIN)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        shutil.rmtree(cls.directory, ignore_errors=True)

    def start(self, skin, *options):
        run = CheckRun(self.session, skin, *options)
        self.addCleanup(self.session.kill_server)
        self.addCleanup(run.kill)
        time.sleep(0.5)  # the last paint after the report
        return run

    def check_pixels(self, run, shot, expectations):
        for name, dx, dy, colour, what in expectations:
            with self.subTest(what):
                seen = shot.pixel(*run.point(name, dx, dy))
                self.assertTrue(close_to(seen, colour), f"{what}: {seen} instead of {colour}")

    def pointer_over(self, run, name, press=False):
        x, y = run.point(name, 30, 30)
        self.session.x.run("xdotool", "mousemove", "--sync", str(x), str(y))
        time.sleep(0.5)
        if press:
            self.session.x.run("xdotool", "mousedown", "1")
            time.sleep(0.5)
        shot = self.session.x.screenshot()
        if press:
            self.session.x.run("xdotool", "mouseup", "1")
        self.session.x.run("xdotool", "mousemove", "0", "0")
        time.sleep(0.3)
        return shot

    def test_windows_made_before_and_after_attaching_and_the_message_box(self):
        run = self.start(self.vivid)
        self.assertEqual(run.values["attach"], "1")
        shot = self.session.x.screenshot()
        expectations = []
        for window in ("before", "after"):
            expectations += [
                (window, 5, 5, WINDOW, f"{window}: window background"),
                (f"{window}.label", 5, 5, WINDOW, f"{window}: static text on the window background"),
                (f"{window}.button", 8, 8, FACE, f"{window}: button face"),
                (f"{window}.button", 0, 30, BORDER, f"{window}: button border"),
                (f"{window}.read_only", 5, 5, EDIT, f"{window}: read-only edit box"),
                (f"{window}.edit", 5, 5, EDIT, f"{window}: edit box"),
            ]
        expectations += [
            ("own", 5, 5, OWN_BACKGROUND, "a window that paints itself keeps its background"),
            ("own.button", 8, 8, FACE, "its button has the skin all the same"),
            ("box", 3, 3, DIALOG, "message box background"),
        ]
        self.check_pixels(run, shot, expectations)
        with self.subTest("static text on a window that paints itself"):
            self.assertFalse(close_to(shot.pixel(*run.point("own.label", 5, 5)), WINDOW))
        for name in ("before.button", "before.edit", "after.button", "after.edit", "own.button"):
            with self.subTest(f"font of {name}"):
                self.assertEqual(run.fonts[name], SKIN_FONT)

        for window in ("before", "after"):
            with self.subTest(f"{window}: hover"):
                hovered = self.pointer_over(run, f"{window}.button")
                self.assertTrue(close_to(hovered.pixel(*run.point(f"{window}.button", 8, 8)), HOVER))
        with self.subTest("pressed"):
            pressed = self.pointer_over(run, "after.button", press=True)
            self.assertTrue(close_to(pressed.pixel(*run.point("after.button", 8, 8)), PRESSED))

    def test_a_path_in_code_page_936(self):
        directory = os.path.join(self.directory, "皮肤")
        os.makedirs(directory, exist_ok=True)
        skin = os.path.join(directory, "皮肤.she")
        shutil.copy(self.vivid, skin)
        run = self.start(skin)
        self.assertEqual(run.values["attach"], "1")
        self.assertEqual(run.fonts["after.button"], SKIN_FONT)

    def test_a_refused_file_changes_nothing(self):
        garbage = os.path.join(self.directory, "garbage.she")
        with open(garbage, "wb") as f:
            f.write(bytes(range(256)) * 8)
        for name, path in [("missing", os.path.join(self.directory, "none.she")), ("garbage", garbage),
                           ("bad value", self._write("bad.she", VIVID_SKIN.replace("#c01020", "#c0102")))]:
            with self.subTest(name):
                run = self.start(path)
                self.assertEqual(run.values["attach"], "0")
                shot = self.session.x.screenshot()
                for control in ("before.button", "after.button", "before", "after.edit", "box"):
                    seen = shot.pixel(*run.point(control, 8, 8))
                    self.assertFalse(any(close_to(seen, c) for c in (WINDOW, FACE, EDIT, DIALOG)), control)
                self.assertNotEqual(run.fonts["after.button"], SKIN_FONT)
                run.kill()
                self.session.kill_server()

    def test_freed_while_its_windows_live_on(self):
        run = self.start(self.vivid, "--unload")
        self.assertEqual(run.values, {"attach": "1", "unloaded": "1"})
        for name in ("before.button", "after.button", "before.edit"):
            self.assertNotEqual(run.fonts[name], SKIN_FONT, f"{name} keeps the skin's font")
        # Every window gets its own procedure back: painting and the pointer
        # over a button must not reach into the freed library.
        shot = self.pointer_over(run, "after.button", press=True)
        self.assertIsNone(run.process.poll(), "the program ended")
        for name in ("before", "before.button", "after.button", "after.edit"):
            self.assertFalse(any(close_to(shot.pixel(*run.point(name, 8, 8)), c) for c in (WINDOW, FACE, EDIT)),
                             f"{name} still has the skin")

    def _write(self, name, content):
        path = os.path.join(self.directory, name)
        with open(path, "w") as f:
            f.write(content)
        return path


if __name__ == "__main__":
    unittest.main()
