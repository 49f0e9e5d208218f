"""MainWindow on a real X display: its place, its controls on the screen, and
how it ends."""

import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.program import BUILD, OUTER, TITLE, Program, expected_client_origin  # noqa: E402
from lib.shop import Shop  # noqa: E402
from lib.xsession import SCREEN, XSession, close_to  # noqa: E402

BUTTON_FACE = (240, 240, 240)
BADGE_BLUE = (0, 136, 255)

# Where each tile shows its own colour, and where the box's background shows
# because the image is smaller than its box (client coordinates).
SCREEN_POINTS = [
    ("home tile", 9, 9, (27, 161, 226)),
    ("home tile bottom strip", 100, 94, BUTTON_FACE),
    ("home tile right strip", 185, 50, BUTTON_FACE),
    ("brand tile", 9, 101, (240, 150, 9)),
    ("brand tile bottom strip", 40, 260, BUTTON_FACE),
    ("nine tile", 86, 101, (51, 153, 51)),
    ("nine tile bottom strip", 130, 176, BUTTON_FACE),
    ("nineteen tile", 86, 180, (0, 171, 169)),
    ("nineteen tile bottom strip", 130, 261, BUTTON_FACE),
    ("jingpin tile", 10, 266, (229, 20, 0)),
    ("jingpin tile last row", 10, 353, (229, 20, 0)),
    ("business tile", 10, 360, (162, 0, 255)),
    ("business tile last row", 10, 468, (162, 0, 255)),
    ("window background", 3, 3, (255, 255, 255)),
]


class MainWindowOnScreen(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = XSession()
        # The shop is up and its home page is blank, so the browser area is
        # plain wherever no control of ours covers it.
        cls.shop = Shop(script={"/": {"body": "<html><body></body></html>", "type": "text/html"}})

    @classmethod
    def tearDownClass(cls):
        cls.shop.close()
        cls.x.close()

    def start(self, **kwargs):
        program = Program(self.x, **kwargs)
        self.addCleanup(program.kill)
        # Under a wrapper (gdb) the window belongs to the wrapper's child.
        pid = None if kwargs.get("wrapper") else program.pid
        window = self.x.find_window("Tolvane V1.0.1.0", pid=pid)
        self.assertIsNotNone(window, "MainWindow never appeared")
        return program, window

    def test_window_its_place_and_controls_then_esc_ends_with_code_zero(self):
        program, window = self.start(args=["--help", "anything"], cwd="/")
        self.assertEqual(self.x.window_title(window), TITLE)
        left, top, width, height = self.x.client_geometry(window)
        self.assertEqual((left, top), expected_client_origin(SCREEN))
        self.assertEqual((width, height), (OUTER[0] - 6, OUTER[1] - 29))
        self.assertEqual(os.readlink(f"/proc/{program.pid}/cwd"), BUILD)

        time.sleep(2)  # the blank home page loads and the indicator goes
        shot = self.x.screenshot(os.path.join(BUILD, "..", "main-window.png"))
        for name, x, y, color in SCREEN_POINTS:
            with self.subTest(name):
                seen = shot.pixel(left + x, top + y)
                self.assertTrue(close_to(seen, color), f"{name}: {seen} instead of {color}")

        # The badge and the loading indicator are hidden at start.
        for name, x0, y0, x1, y1 in [("badge", 862, 13, 930, 89), ("indicator", 523, 166, 622, 265)]:
            with self.subTest(name):
                colors = {shot.pixel(left + x, top + y) for x in range(x0, x1, 3) for y in range(y0, y1, 3)}
                self.assertNotIn(BADGE_BLUE, colors)
                self.assertEqual(len(colors), 1, f"{name} area is not plain browser: {sorted(colors)[:5]}")

        self.x.press_key(window, "Escape")
        self.assertEqual(program.wait(), 0)

    def test_the_system_menu_close_ends_with_code_zero(self):
        program, window = self.start()
        self.x.press_key(window, "alt+F4")
        self.assertEqual(program.wait(), 0)

    def test_the_clean_up_runs_exactly_once_at_the_end(self):
        # gdb counts the calls without anything in the program to help it.
        gdb = ["gdb", "-q", "-batch", "-ex", "set pagination off", "-ex",
               'dprintf app::ExitCleanup,"exit-cleanup-ran\\n"', "-ex", "run", "--args"]
        program, window = self.start(wrapper=gdb)
        self.x.press_key(window, "Escape")
        program.wait(60)
        self.assertEqual(program.output.count("exit-cleanup-ran"), 1, program.output[-2000:])
        self.assertIn("exited normally", program.output)


class HiddenControlsWhenShown(unittest.TestCase):
    """The badge and the loading indicator, made visible by a test driver."""

    def test_badge_label_and_playing_indicator(self):
        x = XSession()
        self.addCleanup(x.close)
        driver = subprocess.Popen([os.path.join(BUILD, "show_main_window"), "badge", "indicator"],
                                  env=x.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(driver.kill)
        window = x.find_window("Tolvane V1.0.1.0", pid=driver.pid)
        self.assertIsNotNone(window)
        left, top, _, _ = x.client_geometry(window)
        first = x.screenshot()
        # The square is blue where the label leaves it, the label's text white.
        for px, py in [(861, 12), (936, 87), (870, 80)]:
            self.assertTrue(close_to(first.pixel(left + px, top + py), BADGE_BLUE))
        label = {first.pixel(left + px, top + py) for px in range(879, 926) for py in range(28, 81)}
        self.assertIn((255, 255, 255), label)
        # Frames change every 70 ms; a busy machine may delay a few of them.
        def frame(picture):
            return [picture.pixel(left + px, top + py) for px in range(523, 623, 2) for py in range(166, 266, 2)]
        frames = [frame(first)]
        for _ in range(10):
            time.sleep(0.3)
            frames.append(frame(x.screenshot()))
            if frames[-1] != frames[0]:
                break
        self.assertTrue(frames[-1] != frames[0], "the loading animation does not play")
        self.assertIn((255, 255, 255), set(frames[0]), "the indicator's white background")


if __name__ == "__main__":
    unittest.main()
