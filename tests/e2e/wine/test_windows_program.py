"""The Windows program under Wine: MainWindow's frame, place, controls,
stacking, look and pointer; the program started from elsewhere, what Wine's
browser control does with its first page, and how the program ends; and what
the executable carries. The probe reads the windows as Win32 sees them; the X
server shows what is on the screen."""

import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.shop import Shop  # noqa: E402
from lib.xsession import close_to  # noqa: E402
from wine_session import BIN, MAIN_CLASS, PRODUCT, TITLE, WineSession, wait_for  # noqa: E402

WS_CAPTION, WS_SYSMENU, WS_THICKFRAME = 0x00C00000, 0x00080000, 0x00040000
WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_TABSTOP = 0x00020000, 0x00010000, 0x00010000
BS_GROUPBOX, WS_EX_DLGMODALFRAME = 0x7, 0x1

REPO_BUILD = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..", "..", "build"))
WHITE = (255, 255, 255)
BADGE_BLUE = (0, 136, 255)

# MainWindow's controls by child id (the design's order from 100): class,
# parent id (None: the window), place and size in the parent's client area,
# and whether the control's own visibility is on at start.
CONTROLS = [
    (100, "TolvanePictureBox", None, [6, 6, 180, 89], True),
    (101, "TolvanePictureBox", None, [6, 98, 76, 163], True),
    (102, "TolvanePictureBox", None, [83, 98, 103, 79], True),
    (103, "TolvanePictureBox", None, [83, 177, 103, 85], True),
    (104, "TolvanePictureBox", None, [7, 263, 179, 91], True),
    (105, "TolvanePictureBox", None, [7, 357, 179, 112], True),
    (106, "Button", None, [193, 2, 750, 465], True),
    (107, "TolvaneBrowserHost", 106, [4, 7, 744, 454], True),
    (108, "TolvanePictureBox", 106, [330, 164, 100, 100], False),
    (109, "TolvanePictureBox", None, [859, 10, 80, 80], False),
    (110, "TolvaneTransparentLabel", 109, [20, 18, 47, 53], False),
]
# Front to back among siblings.
STACKING = {None: [109, 106, 105, 104, 103, 102, 101, 100], 106: [108, 107], 109: [110]}

# Client-area points: each tile's colour, and the strips where an image
# smaller than its box leaves the box's button face (None: the system's).
SCREEN_POINTS = [
    ("home tile", 9, 9, (27, 161, 226)),
    ("home tile bottom strip", 100, 94, None),
    ("home tile right strip", 185, 50, None),
    ("brand tile", 9, 101, (240, 150, 9)),
    ("brand tile bottom strip", 40, 260, None),
    ("nine tile", 86, 101, (51, 153, 51)),
    ("nine tile bottom strip", 130, 176, None),
    ("nineteen tile", 86, 180, (0, 171, 169)),
    ("nineteen tile bottom strip", 130, 261, None),
    ("jingpin tile", 10, 266, (229, 20, 0)),
    ("jingpin tile last row", 10, 353, (229, 20, 0)),
    ("business tile", 10, 360, (162, 0, 255)),
    ("business tile last row", 10, 468, (162, 0, 255)),
    ("window background", 3, 3, WHITE),
    ("window background between tiles", 190, 300, WHITE),
]


def setUpModule():
    global session, metrics
    session = WineSession()
    lines, _ = session.probe("metrics")
    metrics = lines[0]


def tearDownModule():
    session.close()


def _shown(found):
    window, children = found
    return (window, children) if window and window["visible"] else None


class MainWindowUnderWine(unittest.TestCase):
    """MainWindow from its design on this backend, as the test driver makes it
    without the start-up sequence (whose status check decides what else shows)."""

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(os.path.join(BIN, "show_main_window.exe")):
            raise AssertionError("no show_main_window.exe in this build")
        cls.program = session.start("show_main_window.exe")
        try:
            found = wait_for(lambda: _shown(session.main_window(wait_ms=500)), timeout=60)
            if not found:
                raise AssertionError("MainWindow never appeared")
            cls.window, cls.children = found
            time.sleep(1)  # the first paint
            cls.shot = session.x.screenshot(os.path.join(BIN, "..", "wine-main-window.png"))
        except BaseException:
            cls.program.kill()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.program.kill()

    def test_title_frame_size_and_place(self):
        window = self.window
        self.assertEqual(window["title"], TITLE)
        left, top, width, height = window["rect"]
        screen_width, screen_height = metrics["screen"]
        self.assertEqual((width, height), (951, 503))
        self.assertEqual((left, top), ((screen_width - 951) // 2, (screen_height - 503) // 2))
        frame = metrics["frame"]
        self.assertEqual(window["client_size"], [951 - frame["left"] - frame["right"],
                                                 503 - frame["top"] - frame["bottom"]])
        self.assertEqual(window["client_origin"], [left + frame["left"], top + frame["top"]])
        style = window["style"]
        for name, bit, wanted in [("caption", WS_CAPTION, True), ("system menu", WS_SYSMENU, True),
                                  ("minimize box", WS_MINIMIZEBOX, True),
                                  ("sizing frame", WS_THICKFRAME, False),
                                  ("maximize box", WS_MAXIMIZEBOX, False)]:
            with self.subTest(name):
                self.assertEqual(style & bit == bit, wanted)
        # Its own taskbar button: no owner. Shown, active and enabled; a busy
        # Wine may give the activation a moment late.
        self.assertFalse(window["owner"])
        window = wait_for(lambda: (w := session.main_window()[0]) and w["active"] and w, timeout=15)
        self.assertIsNotNone(window, "MainWindow never became active")
        self.assertTrue(window["enabled"] and not window["minimized"])

    def test_the_focus_goes_to_the_browser(self):
        host_children = [c for c in self.children.values() if c["path"].startswith(self._path(107) + "/")]
        # The focus arrives with the activation, which a busy Wine may give a moment late.
        window = wait_for(lambda: (w := session.main_window()[0]) and w.get("focus_class") and w, timeout=15)
        self.assertIsNotNone(window, "no control of MainWindow has the focus")
        self.assertIn(window["focus_class"], {c["class"] for c in host_children})

    def _path(self, control_id):
        return self.children[control_id]["path"]

    def test_controls_class_parent_place_and_visibility(self):
        for control_id, window_class, parent, rect, visible in CONTROLS:
            with self.subTest(control_id):
                child = self.children.get(control_id)
                self.assertIsNotNone(child, f"no control {control_id}")
                self.assertEqual(child["class"], window_class)
                parent_path = self._path(parent) if parent else ""
                self.assertEqual(child["path"].rpartition("/")[0], parent_path)
                self.assertEqual(child["rect"], rect)
                self.assertEqual(child["own_visible"], visible)
                self.assertTrue(child["enabled"])

    def test_group_box_browser_frame_and_tab_stop(self):
        group = self.children[106]
        self.assertEqual(group["style"] & 0xF, BS_GROUPBOX)
        self.assertEqual(group["text"], "")
        host = self.children[107]
        self.assertTrue(host["exstyle"] & WS_EX_DLGMODALFRAME)
        raised = metrics["raised_frame"]
        self.assertEqual(host["client_size"], [744 - raised["left"] - raised["right"],
                                               454 - raised["top"] - raised["bottom"]])
        stops = [cid for cid, *_ in CONTROLS if self.children[cid]["style"] & WS_TABSTOP]
        self.assertEqual(stops, [107])
        self.assertEqual(self.children[110]["text"], "有新\r\n版本")

    def test_the_browser_control_sits_in_its_host(self):
        inside = [c for c in self.children.values() if c["path"].startswith(self._path(107) + "/")]
        chain = [c["class"] for c in sorted(inside, key=lambda c: c["path"])]
        print(f"\n  browser class chain under Wine: TolvaneBrowserHost > {' > '.join(chain)}", end=" ")
        self.assertTrue(chain, "the WebBrowser control made no window")
        outer = min(inside, key=lambda c: c["path"].count("/"))
        self.assertEqual(outer["rect"][:2], [0, 0])
        self.assertEqual(outer["rect"][2:], self.children[107]["client_size"])

    def test_stacking_order(self):
        for parent, front_to_back in STACKING.items():
            with self.subTest(parent=parent):
                parent_path = self._path(parent) if parent else ""
                siblings = [c for c in self.children.values()
                            if c["path"].rpartition("/")[0] == parent_path]
                ordered = [c["id"] for c in sorted(siblings, key=lambda c: c["z"])]
                self.assertEqual(ordered, front_to_back)

    def test_tiles_and_background_on_the_screen(self):
        left, top = self.window["client_origin"]
        face = tuple(metrics["button_face"])
        for name, x, y, color in SCREEN_POINTS:
            with self.subTest(name):
                wanted = color or face
                seen = self.shot.pixel(left + x, top + y)
                self.assertTrue(close_to(seen, wanted), f"{name}: {seen} instead of {wanted}")

    def test_hidden_badge_and_indicator_leave_the_empty_browser(self):
        left, top = self.window["client_origin"]
        for name, x0, y0, x1, y1 in [("badge", 859, 10, 938, 89), ("indicator", 523, 166, 622, 265)]:
            with self.subTest(name):
                colors = {self.shot.pixel(left + x, top + y)
                          for x in range(x0, x1, 3) for y in range(y0, y1, 3)}
                self.assertEqual(len(colors), 1, f"{name} area is not plain: {sorted(colors)[:5]}")
                self.assertNotIn(BADGE_BLUE, colors)

    def test_hand_pointer_over_the_tiles_and_the_group_box_only(self):
        left, top = self.window["client_origin"]
        # (name, client point, hand wanted)
        points = [("home tile", 50, 40, True), ("business tile", 100, 460, True),
                  ("group box frame", 500, 4, True), ("window background", 3, 3, False),
                  ("browser", 500, 250, False), ("another tile", 30, 200, True)]
        seen = {name: session.pointer_at(left + x, top + y) for name, x, y, _ in points}
        if None in seen.values():
            self.skipTest("the X server's pointer cannot be read here")
        hand = seen["home tile"]
        for name, _, _, wanted in points:
            with self.subTest(name):
                self.assertEqual(seen[name] == hand, wanted, seen)

    def test_no_dialog_shows(self):
        lines, _ = session.probe("windows", "--class", "#32770")
        self.assertEqual([line for line in lines if line["kind"] == "window" and line["visible"]], [])


class BadgeAndIndicatorUnderWine(unittest.TestCase):
    """The badge and the loading indicator, shown by a test driver on the same backend."""

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(os.path.join(BIN, "show_main_window.exe")):
            raise unittest.SkipTest("no show_main_window.exe in this build")
        cls.program = session.start("show_main_window.exe", ["badge", "indicator"])
        try:
            found = wait_for(lambda: _shown(session.main_window(wait_ms=500)), timeout=60)
            if not found:
                raise AssertionError("the driver's MainWindow never appeared")
        except BaseException:
            cls.program.kill()
            raise
        cls.window, cls.children = found
        time.sleep(1)

    @classmethod
    def tearDownClass(cls):
        cls.program.kill()
        wait_for(lambda: session.main_window()[0] is None, timeout=10)

    def test_badge_square_with_white_text_inside(self):
        left, top = self.window["client_origin"]
        shot = session.x.screenshot(os.path.join(BIN, "..", "wine-badge.png"))
        self.assertTrue(close_to(shot.pixel(left + 861, top + 12), BADGE_BLUE))
        self.assertTrue(close_to(shot.pixel(left + 936, top + 87), BADGE_BLUE))
        label = {shot.pixel(left + x, top + y) for x in range(879, 926) for y in range(28, 81)}
        self.assertTrue(any(close_to(c, WHITE, 40) for c in label), "no white letters on the badge")
        self.assertIn(BADGE_BLUE, label, "the label is not transparent")

    def test_loading_indicator_plays(self):
        left, top = self.window["client_origin"]
        frames = set()
        for _ in range(8):
            shot = session.x.screenshot()
            frames.add(bytes(b for x in range(523, 623, 4) for y in range(166, 266, 4)
                             for b in shot.pixel(left + x, top + y)))
            time.sleep(0.05)
        self.assertGreater(len(frames), 1, "the loading animation stands still")


class TheProgramUnderWine(unittest.TestCase):
    """The real program, alone with its skin library in a directory whose name
    is Chinese, started with arguments from elsewhere against a shop that
    answers "yes"."""

    @classmethod
    def setUpClass(cls):
        cls.directory = os.path.join(REPO_BUILD, f"wine-program-目录-{os.getpid()}")
        os.makedirs(cls.directory)
        try:
            for name in ["tolvane.exe", "SkinH_EL.dll"]:
                if not os.path.exists(os.path.join(BIN, name)):
                    raise AssertionError(f"no {name} in {BIN}")
                shutil.copy(os.path.join(BIN, name), cls.directory)
            cls.shop = Shop(status="yes")
        except BaseException:
            shutil.rmtree(cls.directory, ignore_errors=True)
            raise

    @classmethod
    def tearDownClass(cls):
        cls.shop.close()
        shutil.rmtree(cls.directory, ignore_errors=True)

    def test_it_works_in_its_own_directory_and_esc_or_the_close_box_end_it_with_code_zero(self):
        for ending in ["esc", "close"]:
            with self.subTest(ending):
                program = session.start(os.path.join(self.directory, "tolvane.exe"),
                                        ["--help", "/x", "anything"])
                self.addCleanup(program.kill)
                found = wait_for(lambda: _shown(session.main_window(wait_ms=500)), timeout=60)
                self.assertIsNotNone(found, "MainWindow never appeared")
                window, _ = found
                self.assertEqual(window["title"], TITLE)
                self.assertEqual(window["rect"][2:], [951, 503])
                lines, _ = session.probe("cwd", "--class", MAIN_CLASS)
                self.assertEqual(lines[0]["directory"].rstrip("\\").lower(),
                                 ("z:" + self.directory.replace("/", "\\")).lower())
                lines, code = session.probe(ending, "--class", MAIN_CLASS)
                self.assertEqual(code, 0, lines)
                self.assertEqual(program.wait(30), 0)
                self.assertIsNone(session.main_window()[0])

    def test_without_its_skin_library_the_error_box_then_code_minus_one(self):
        alone = os.path.join(self.directory, "alone")
        os.makedirs(alone, exist_ok=True)
        shutil.copy(os.path.join(self.directory, "tolvane.exe"), alone)
        program = session.start(os.path.join(alone, "tolvane.exe"))
        self.addCleanup(program.kill)

        # A dialog is found as soon as it exists; its caption may come a moment later.
        def error_box():
            lines, _ = session.probe("windows", "--class", "#32770", "--wait", 500)
            return lines if any(line["kind"] == "window" and line["title"] for line in lines) else None

        lines = wait_for(error_box, timeout=60)
        self.assertIsNotNone(lines, "no message box")
        box = next(line for line in lines if line["kind"] == "window" and line["title"])
        self.assertEqual(box["title"], "错误")
        texts = [line["text"] for line in lines if line["kind"] == "child"]
        self.assertTrue(any(text.startswith("运行时出错!\r\n\r\n错误信息：无法找到指定DLL库文件")
                            for text in texts), texts)
        self.assertIsNone(_shown(session.main_window()), "MainWindow is on the screen")
        session.probe("close", "--class", "#32770")
        # -1 as Windows gives it, 0xFFFFFFFF, of which a Linux parent sees the low byte.
        self.assertEqual(program.wait(30), 255)

    def test_what_wine_does_with_the_first_page(self):
        # Wine's control sends the request for the bare host it is given, then
        # stays in READYSTATE_LOADING with no HTML engine installed: the wait
        # of the start shows the loading indicator until the window is closed.
        program = session.start(os.path.join(self.directory, "tolvane.exe"))
        self.addCleanup(program.kill)
        self.assertTrue(self.shop.wait_for_request("/1.txt", timeout=60), self.shop.requests())
        self.assertTrue(self.shop.wait_for_request("/", timeout=30), self.shop.requests())
        time.sleep(3)
        _, children = session.main_window()
        self.assertTrue(children[108]["own_visible"], "the control left READYSTATE_LOADING")
        session.probe("esc", "--class", MAIN_CLASS)
        self.assertEqual(program.wait(30), 0)


class TheExecutable(unittest.TestCase):
    """The 32-bit product itself, whichever build the windows ran from."""

    def test_a_32_bit_gui_program_that_needs_no_runtime_dll(self):
        with open(PRODUCT, "rb") as exe:
            data = exe.read(4096)
        pe = int.from_bytes(data[0x3C:0x40], "little")
        self.assertEqual(data[pe:pe + 4], b"PE\0\0")
        machine = int.from_bytes(data[pe + 4:pe + 6], "little")
        optional = pe + 24
        magic = int.from_bytes(data[optional:optional + 2], "little")
        subsystem = int.from_bytes(data[optional + 68:optional + 70], "little")
        self.assertEqual((machine, magic, subsystem), (0x14C, 0x10B, 2), "not a PE32 i386 GUI program")
        dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", PRODUCT], capture_output=True,
                              text=True, timeout=60).stdout
        dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
        self.assertTrue(dlls, "no imports read")
        for runtime in ["libstdc++", "libgcc", "libwinpthread", "zlib1", "libpng"]:
            with self.subTest(runtime):
                self.assertFalse([d for d in dlls if d.startswith(runtime)], dlls)

    def test_version_resource(self):
        lines, code = session.probe("version", PRODUCT)
        self.assertEqual(code, 0)
        version = lines[0]
        self.assertEqual(version["fixed_file"], [1, 0, 1, 0])
        self.assertEqual(version["fixed_product"], [1, 0, 1, 0])
        for key, wanted in [("FileVersion", "1.0.1.0"), ("ProductVersion", "1.0.1.0"),
                            ("ProductName", "Tolvane"), ("FileDescription", "购物最折扣，全场九块九")]:
            with self.subTest(key):
                self.assertEqual(version[key], wanted)

    def test_icon_manifest_and_images_inside(self):
        lines, code = session.probe("resources", PRODUCT)
        self.assertEqual(code, 0)
        resources = lines[0]
        sizes = {icon[0] for icon in resources["icons"]}
        self.assertEqual(sizes, {16, 32, 48, 128, 256})
        self.assertRegex(resources["manifest"], r'name="Microsoft\.Windows\.Common-Controls"\s+version="6\.0\.0\.0"')
        self.assertEqual(set(resources["rcdata"]),
                         {name.upper() for name in ["tile_home.png", "tile_brand.png", "tile_nine.png",
                                                    "tile_nineteen.png", "tile_jingpin.png",
                                                    "tile_business.png", "loading.gif"]})


if __name__ == "__main__":
    unittest.main()
