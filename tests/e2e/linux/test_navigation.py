"""The tiles on the real program: each page requested from the shop, the
loading indicator while a page is held back, and the merchant tile handed to
the default browser."""

import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib import url_recorder  # noqa: E402
from lib.program import Program  # noqa: E402
from lib.shop import OFFICIAL_PORT, Shop  # noqa: E402
from lib.xsession import XSession  # noqa: E402

# Centre of each tile in client coordinates.
TILES = {
    "图片框1": (96, 50), "图片框2": (44, 179), "图片框3": (134, 137),
    "图片框4": (134, 219), "图片框5": (96, 308), "图片框6": (96, 412),
}
INDICATOR = (523, 166, 622, 265)
HOLD = 6


def indicator_on_screen(x, origin):
    """The loading animation shows blue-grey dots on white."""
    shot = x.screenshot()
    left, top = origin
    colours = {shot.pixel(left + px, top + py)
               for px in range(INDICATOR[0], INDICATOR[2], 2) for py in range(INDICATOR[1], INDICATOR[3], 2)}
    return (255, 255, 255) in colours and any(b > r + 25 and b < 200 for r, g, b in colours)


class Navigation(unittest.TestCase):
    def setUp(self):
        self.x = XSession()
        self.addCleanup(self.x.close)
        self.shop = Shop(script={
            # A blank home page at the start, so only the indicator can put
            # its dots into the browser area.
            "/": {"body": "<html><body></body></html>", "type": "text/html"},
            "/?mod=goods&ac=nine": {"hold": HOLD},
            "/?mod=goods&ac=nineteen": {"hold": HOLD},
        })
        self.addCleanup(self.shop.close)
        self.home = tempfile.mkdtemp(prefix="tolvane-home-")
        self.opened_log = url_recorder.install(self.home)
        self.program = Program(self.x, home=self.home)
        self.addCleanup(self.program.kill)
        self.window = self.x.find_window("Tolvane V1.0.1.0", pid=self.program.pid)
        self.assertIsNotNone(self.window)
        self.origin = self.x.client_geometry(self.window)[:2]
        # The start's own page first, so that nothing of the start is taken
        # for what a press asked for.
        self.assertTrue(self.shop.wait_for_request("/", timeout=30), self.shop.requests())
        time.sleep(1)

    def press(self, tile):
        x, y = TILES[tile]
        self.x.click(self.origin[0] + x, self.origin[1] + y)

    def test_each_shop_tile_requests_its_page(self):
        for tile, path in [("图片框2", "/?mod=brand"), ("图片框5", "/?mod=goods&ac=jingpin"),
                           ("图片框1", "/")]:
            with self.subTest(tile):
                before = len(self.shop.requests())
                self.press(tile)
                deadline = time.time() + 15
                while time.time() < deadline and path not in self.shop.requests()[before:]:
                    time.sleep(0.1)
                self.assertIn(path, self.shop.requests()[before:])
                time.sleep(0.5)

    def test_the_indicator_shows_while_a_page_is_held_back_and_goes_after(self):
        self.press("图片框3")
        self.assertTrue(self.shop.wait_for_request("/?mod=goods&ac=nine"))
        time.sleep(1)
        self.assertTrue(indicator_on_screen(self.x, self.origin), "no indicator during the load")
        time.sleep(HOLD + 2)
        self.assertFalse(indicator_on_screen(self.x, self.origin), "indicator left after the load")

    def test_a_second_tile_during_a_load_replaces_it(self):
        self.press("图片框3")
        self.assertTrue(self.shop.wait_for_request("/?mod=goods&ac=nine"))
        time.sleep(0.5)
        self.press("图片框2")
        self.assertTrue(self.shop.wait_for_request("/?mod=brand"))
        time.sleep(2)
        # The brand page is not held: the indicator is gone long before the nine page would be.
        self.assertFalse(indicator_on_screen(self.x, self.origin))

    def test_the_merchant_tile_opens_the_official_page_outside(self):
        before = len(self.shop.requests())
        self.press("图片框6")
        deadline = time.time() + 10
        while time.time() < deadline and not url_recorder.opened(self.opened_log):
            time.sleep(0.1)
        self.assertEqual(url_recorder.opened(self.opened_log),
                         [f"http://127.0.0.1:{OFFICIAL_PORT}/?mod=business"])
        self.assertEqual(self.shop.requests()[before:], [], "the embedded browser was sent somewhere")
        self.assertFalse(indicator_on_screen(self.x, self.origin))

    def test_closing_during_a_load_ends_with_code_zero(self):
        self.press("图片框4")
        self.assertTrue(self.shop.wait_for_request("/?mod=goods&ac=nineteen"))
        time.sleep(0.5)
        started = time.time()
        self.x.press_key(self.window, "Escape")
        self.assertEqual(self.program.wait(20), 0)
        self.assertLess(time.time() - started, HOLD, "the close waited for the page")


if __name__ == "__main__":
    unittest.main()
