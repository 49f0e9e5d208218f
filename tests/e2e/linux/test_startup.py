"""The whole start on the real program: skin library, first-run shortcut and
pz.ini, and the shop's status deciding what the user sees."""

import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.install import program_copy  # noqa: E402
from lib.program import Program  # noqa: E402
from lib.shop import Shop  # noqa: E402
from lib.user import as_user, hand_over  # noqa: E402
from lib.xsession import XSession, close_to  # noqa: E402

SHORTCUT = "Tolvane（九块九包邮购）.desktop"
BADGE_BLUE = (0, 136, 255)
BLANK = {"body": "<html><body></body></html>", "type": "text/html"}
NOTICE = "新版本来了\r\n".encode("gbk")

# Status answers in turn, and what the start must come to.
CASES = [
    ("yes", ["yes"], ["/1.txt", "/"], "home"),
    ("no_no", ["no", "no"], ["/1.txt", "/1.txt", "/new.txt"], "notice"),
    ("other_then_no", ["maybe", "no"], ["/1.txt", "/1.txt", "/new.txt"], "notice"),
    ("no_then_yes", ["no", "yes"], ["/1.txt", "/1.txt"], "message"),
    ("yes_with_line_end", ["yes\r\n", "x"], ["/1.txt", "/1.txt"], "message"),
]


def new_home():
    """A user's home with the desktop folder a desktop session has."""
    home = tempfile.mkdtemp(prefix="tolvane-home-")
    os.mkdir(os.path.join(home, "Desktop"))
    return home


class Startup(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = XSession()

    @classmethod
    def tearDownClass(cls):
        cls.x.close()

    def start(self, answers=("yes",), folder=None, home=None, shop=True):
        if shop:
            script = {"/1.txt": list(answers), "/": BLANK,
                      "/new.txt": {"body_b64": __import__("base64").b64encode(NOTICE).decode()}}
            self.shop = Shop(script=script)
            self.addCleanup(self.shop.close)
        self.folder = folder or program_copy()
        self.home = home or new_home()
        program = Program(self.x, home=self.home, program=os.path.join(self.folder, "tolvane"))
        self.addCleanup(program.kill)
        return program

    def wait_window(self, title, program, timeout=20):
        return self.x.find_window(title, pid=program.pid, timeout=timeout)

    def test_main_window_is_painted_while_the_status_answer_is_still_awaited(self):
        self.shop = Shop(script={"/1.txt": {"hold": 15, "body": "yes"}})
        self.addCleanup(self.shop.close)
        program = Program(self.x, home=new_home(), program=os.path.join(program_copy(), "tolvane"))
        self.addCleanup(program.kill)
        main = self.wait_window("Tolvane V1.0.1.0", program)
        self.assertIsNotNone(main, "MainWindow is not on the screen while the fetch waits")
        left, top, _, _ = self.x.client_geometry(main)
        time.sleep(0.5)
        shot = self.x.screenshot()
        for name, x, y, colour in [("home tile", 9, 9, (27, 161, 226)),
                                   ("business tile", 10, 468, (162, 0, 255))]:
            self.assertTrue(close_to(shot.pixel(left + x, top + y), colour), name)
        self.assertEqual(self.shop.requests(), ["/1.txt"], "the answer came before the check")

    def test_a_press_during_the_start_leaves_main_window_usable_after_the_notice(self):
        # The press waits in the queue while the notice is fetched; NoticeWindow
        # then comes up with MainWindow disabled, and after Esc on it MainWindow
        # takes input again and Esc ends the program.
        self.shop = Shop(script={"/1.txt": ["no", "no"], "/": BLANK,
                                 "/new.txt": {"hold": 4, "body_b64": __import__("base64").b64encode(NOTICE).decode()},
                                 "/?mod=goods&ac=nine": dict(BLANK, hold=5), "*": BLANK})
        self.addCleanup(self.shop.close)
        program = Program(self.x, home=new_home(), program=os.path.join(program_copy(), "tolvane"))
        self.addCleanup(program.kill)
        main = self.wait_window("Tolvane V1.0.1.0", program)
        self.assertIsNotNone(main)
        self.assertTrue(self.shop.wait_for_request("/new.txt", timeout=20), self.shop.requests())
        left, top, _, _ = self.x.client_geometry(main)
        self.x.click(left + 134, top + 137)  # 图片框3, while the notice is still held back
        notice = self.wait_window("有新版本啦……", program)
        self.assertIsNotNone(notice)
        time.sleep(1)
        self.x.press_key(notice, "Escape")
        deadline = time.time() + 20
        while time.time() < deadline and self.x.find_window("有新版本啦……", pid=program.pid, timeout=0.5):
            time.sleep(0.2)
        time.sleep(6)  # past the held page, had the press started one
        self.x.press_key(main, "Escape")
        self.assertEqual(program.wait(20), 0)

    def test_status_answers_decide_what_the_user_sees(self):
        for name, answers, requests, outcome in CASES:
            with self.subTest(name):
                program = self.start(answers)
                main = self.wait_window("Tolvane V1.0.1.0", program)
                self.assertIsNotNone(main)
                if outcome == "notice":
                    self.assertIsNotNone(self.wait_window("有新版本啦……", program))
                    left, top, _, _ = self.x.client_geometry(main)
                    self.assertTrue(close_to(self.x.screenshot().pixel(left + 861, top + 12), BADGE_BLUE))
                elif outcome == "message":
                    self.assertIsNotNone(self.wait_window("信息：", program))
                else:
                    time.sleep(2)
                    self.assertIsNone(self.wait_window("信息：", program, timeout=0.5))
                self.assertEqual(self.shop.requests(), requests)
                program.kill()
                self.shop.close()

    def test_first_start_makes_the_shortcut_and_a_later_one_does_not(self):
        program = self.start()
        self.assertIsNotNone(self.wait_window("Tolvane V1.0.1.0", program))
        time.sleep(1)
        shortcut = os.path.join(self.home, "Desktop", SHORTCUT)
        self.assertTrue(os.path.exists(shortcut), os.listdir(self.home))
        self.assertEqual(os.stat(shortcut).st_mode & 0o777, 0o755)
        check = subprocess.run(["desktop-file-validate", shortcut], capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        with open(os.path.join(self.folder, "pz.ini"), "rb") as f:
            self.assertEqual(f.read(), b"[kj]\r\nkj=1\r\n")
        program.kill()
        self.shop.close()

        os.remove(shortcut)
        program = self.start(folder=self.folder, home=self.home)
        self.assertIsNotNone(self.wait_window("Tolvane V1.0.1.0", program))
        time.sleep(1)
        self.assertFalse(os.path.exists(shortcut), "a later start made the shortcut again")

    def test_an_unwritable_settings_file_makes_the_shortcut_at_every_start(self):
        folder = program_copy()
        os.mkdir(os.path.join(folder, "pz.ini"))  # cannot be written, even by root
        home = new_home()
        shortcut = os.path.join(home, "Desktop", SHORTCUT)
        for _ in range(2):
            program = self.start(folder=folder, home=home)
            self.assertIsNotNone(self.wait_window("Tolvane V1.0.1.0", program))
            time.sleep(1)
            self.assertIsNone(self.wait_window("错误", program, timeout=0.5), "something was reported")
            self.assertTrue(os.path.exists(shortcut))
            os.remove(shortcut)
            program.kill()
            self.shop.close()

    def test_a_program_folder_the_user_cannot_write_keeps_settings_in_the_user_config(self):
        folder = program_copy()
        os.chmod(folder, 0o555)
        self.addCleanup(os.chmod, folder, 0o755)
        home = new_home()
        os.chmod(home, 0o755)
        hand_over(home)
        shortcut = os.path.join(home, "Desktop", SHORTCUT)
        settings = os.path.join(home, ".config", "tolvane", "pz.ini")
        for start in range(2):
            self.shop = Shop(script={"/1.txt": ["yes"], "/": BLANK})
            self.addCleanup(self.shop.close)
            program = Program(self.x, home=home, program=os.path.join(folder, "tolvane"),
                              wrapper=as_user())
            self.addCleanup(program.kill)
            self.assertIsNotNone(self.wait_window("Tolvane V1.0.1.0", program))
            time.sleep(1)
            with open(settings, "rb") as f:
                self.assertEqual(f.read(), b"[kj]\r\nkj=1\r\n")
            self.assertFalse(os.path.exists(os.path.join(folder, "pz.ini")))
            # Made at the first start only, though deleted after it.
            self.assertEqual(os.path.exists(shortcut), start == 0)
            if start == 0:
                os.remove(shortcut)
            program.kill()
            self.shop.close()

    def test_a_missing_skin_library_stops_with_the_error_box_and_minus_one(self):
        folder = program_copy(without=["libSkinH_EL.so"])
        program = self.start(folder=folder)
        box = self.wait_window("错误", program)
        self.assertIsNotNone(box, "no error box")
        self.assertIsNone(self.wait_window("Tolvane V1.0.1.0", program, timeout=0.5))
        self.x.press_key(box, "Return")
        self.assertEqual(program.wait(20), 255)
        self.assertEqual(self.shop.requests(), [])
        self.assertFalse(os.path.exists(os.path.join(folder, "pz.ini")))
        self.assertFalse(os.path.exists(os.path.join(self.home, "Desktop", SHORTCUT)))


if __name__ == "__main__":
    unittest.main()
