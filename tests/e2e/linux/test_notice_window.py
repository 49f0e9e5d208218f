"""NoticeWindow over MainWindow on the real backend, opened by a test driver
with a notice file: its place, its text, the modal state and its two buttons."""

import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib import url_recorder  # noqa: E402
from lib.program import BUILD  # noqa: E402
from lib.shop import OFFICIAL_PORT, Shop  # noqa: E402
from lib.xsession import SCREEN, XSession  # noqa: E402

NOTICE = ("新版本 V1.0.2.0 已发布！\r\n\r\n" +
          "".join(f"{i}. 修复了若干问题，提升了商品页面的载入速度。\r\n" for i in range(1, 30))).encode("gbk")
BUTTON_UPDATE = (203 + 40, 200 + 14)
BUTTON_IGNORE = (291 + 40, 200 + 14)
NINE_TILE = (134, 137)
HOLD = 4


class NoticeWindowOnScreen(unittest.TestCase):
    def setUp(self):
        self.x = XSession()
        self.addCleanup(self.x.close)
        self.shop = Shop(script={"/": {"hold": HOLD}})
        self.addCleanup(self.shop.close)
        self.home = tempfile.mkdtemp(prefix="tolvane-home-")
        self.opened_log = url_recorder.install(self.home)
        notice = os.path.join(self.home, "notice.txt")
        with open(notice, "wb") as f:
            f.write(NOTICE)
        env = dict(self.x.env, HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"))
        self.driver = subprocess.Popen([os.path.join(BUILD, "show_notice_window"), notice], env=env)
        self.addCleanup(self.driver.kill)
        self.notice = self.x.find_window("有新版本啦……", pid=self.driver.pid)
        self.assertIsNotNone(self.notice, "NoticeWindow never appeared")
        self.main = self.x.find_window("Tolvane V1.0.1.0", pid=self.driver.pid)
        self.notice_origin = self.x.client_geometry(self.notice)[:2]
        self.main_origin = self.x.client_geometry(self.main)[:2]

    def click_notice(self, point):
        self.x.click(self.notice_origin[0] + point[0], self.notice_origin[1] + point[1])

    def notice_open(self):
        return self.x.find_window("有新版本啦……", pid=self.driver.pid, timeout=0.5) is not None

    def test_title_place_and_size(self):
        left, top, width, height = self.x.client_geometry(self.notice)
        self.assertEqual(self.x.window_title(self.notice), "有新版本啦……")
        self.assertEqual((width, height), (380 - 6, 261 - 29))
        self.assertEqual((left, top), ((SCREEN[0] - 380) // 2 + 3, (SCREEN[1] - 261) // 2 + 26))
        self.x.screenshot(os.path.join(BUILD, "..", "notice-window.png"))

    def test_main_window_takes_no_input_while_open_and_does_after_esc(self):
        tile = (self.main_origin[0] + NINE_TILE[0], self.main_origin[1] + NINE_TILE[1])
        self.x.click(*tile)
        time.sleep(1)
        self.assertEqual(self.shop.requests(), [], "a tile acted while NoticeWindow was open")
        self.assertTrue(self.notice_open())
        self.x.press_key(self.notice, "Escape")
        deadline = time.time() + 5
        while time.time() < deadline and self.notice_open():
            time.sleep(0.1)
        self.assertFalse(self.notice_open())
        self.x.click(*tile)
        self.assertTrue(self.shop.wait_for_request("/?mod=goods&ac=nine"), "MainWindow stayed disabled")

    def test_update_opens_the_official_site_and_stays_open(self):
        self.click_notice(BUTTON_UPDATE)
        deadline = time.time() + 10
        while time.time() < deadline and not url_recorder.opened(self.opened_log):
            time.sleep(0.1)
        self.assertEqual(url_recorder.opened(self.opened_log), [f"http://127.0.0.1:{OFFICIAL_PORT}/"])
        self.assertTrue(self.notice_open())

    def test_ignore_shows_the_shop_and_closes_only_after_the_load(self):
        self.click_notice(BUTTON_IGNORE)
        self.assertTrue(self.shop.wait_for_request("/"))
        time.sleep(1)
        self.assertTrue(self.notice_open(), "closed before the page had loaded")
        deadline = time.time() + HOLD + 10
        while time.time() < deadline and self.notice_open():
            time.sleep(0.2)
        self.assertFalse(self.notice_open())
        self.assertIsNone(self.driver.poll(), "the program ended with NoticeWindow")


if __name__ == "__main__":
    unittest.main()
