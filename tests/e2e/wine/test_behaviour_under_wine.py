"""What the Windows program does under Wine, as the Linux end-to-end tests
check it on GTK: the tiles' requests and the merchant tile handed to the
default browser, NoticeWindow opened by its test driver over a disabled
MainWindow, and the start-up sequence (status answers, pz.ini, the desktop
shortcut).

Wine runs with HOME set to a temporary directory for the whole module, so the
prefix's desktop folder (a link into HOME) and anything Wine's helpers write
stay out of the real home."""

import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.shop import OFFICIAL_PORT, SHOP_PORT, Shop  # noqa: E402
from wine_session import BIN, LOADER, MAIN_CLASS, PREFIX, REPO, TITLE, WineSession, wait_for  # noqa: E402

NOTICE_TITLE = "有新版本啦……"
MESSAGE_TITLE = "信息："
SHORTCUT = "Tolvane（九块九包邮购）.lnk"
BLANK = {"body": "<html><body></body></html>", "type": "text/html"}
NOTICE = ("新版本 V1.0.2.0 已发布！\r\n\r\n" +
          "".join(f"{i}. 修复了若干问题。\r\n" for i in range(1, 8))).encode("gbk")

# Each tile's centre in MainWindow's client area, and what a press asks for:
# a shop request target, or (official, url) for the default browser.
SHOP_TILES = [
    ("图片框2", (44, 179), "/?mod=brand"),
    ("图片框3", (134, 137), "/?mod=goods&ac=nine"),
    ("图片框4", (134, 219), "/?mod=goods&ac=nineteen"),
    ("图片框5", (96, 308), "/?mod=goods&ac=jingpin"),
    ("图片框1", (96, 50), "/"),
]
BUSINESS_TILE = (96, 412)
BUSINESS_URL = f"http://127.0.0.1:{OFFICIAL_PORT}/?mod=business"

# The shop's /1.txt answers in turn, the requests the start makes, and the
# window it comes to over MainWindow (None: the home page only).
STARTS = [
    ("yes", ["yes"], ["/1.txt", "/"], None),
    ("no_no", ["no", "no"], ["/1.txt", "/1.txt", "/new.txt"], NOTICE_TITLE),
    ("other_then_no", ["maybe", "no"], ["/1.txt", "/1.txt", "/new.txt"], NOTICE_TITLE),
    ("no_then_yes", ["no", "yes"], ["/1.txt", "/1.txt"], MESSAGE_TITLE),
]

RECORDER = """#!/bin/sh
# The default browser under Wine for these tests: records what it is given.
printf '%s\\n' "$@" >> '{log}'
"""


def setUpModule():
    global session, metrics, home, saved_home, opened_log
    saved_home = os.environ.get("HOME")
    home = tempfile.mkdtemp(prefix="tolvane-wine-home-")
    os.mkdir(os.path.join(home, "Desktop"))
    os.environ["HOME"] = home
    try:
        session = WineSession()
        lines, _ = session.probe("metrics")
        metrics = lines[0]
        opened_log = os.path.join(home, "opened.txt")
        recorder = os.path.join(home, "record-browser.sh")
        with open(recorder, "w", encoding="utf-8") as f:
            f.write(RECORDER.format(log=opened_log))
        os.chmod(recorder, stat.S_IRWXU)
        # winebrowser, which ShellExecute's "open" of an http address runs,
        # tries the browsers of this list in turn.
        subprocess.run([LOADER, "reg", "add", r"HKCU\Software\Wine\WineBrowser", "/v", "Browsers",
                        "/t", "REG_SZ", "/d", recorder, "/f"], env=session.env, timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except BaseException:
        _restore_home()
        raise


def _restore_home():
    if saved_home is None:
        os.environ.pop("HOME", None)
    else:
        os.environ["HOME"] = saved_home


def tearDownModule():
    try:
        session.close()
    finally:
        _restore_home()
        shutil.rmtree(home, ignore_errors=True)


def program_copy():
    """The program alone with its skin library and skin, in a directory of its own."""
    folder = tempfile.mkdtemp(prefix="tolvane-wine-program-", dir=home)
    for name in ["tolvane.exe", "SkinH_EL.dll"]:
        source = os.path.join(BIN, name)
        if not os.path.exists(source):
            raise AssertionError(f"no {name} in {BIN}")
        shutil.copy(source, folder)
    for skin in [os.path.join(BIN, "skin.she"), os.path.join(REPO, "skin", "skin.she")]:
        if os.path.exists(skin):
            shutil.copy(skin, folder)
            break
    return folder


def fresh_desktop():
    """Points the prefix user's desktop folder at a new, empty directory."""
    users = os.path.join(PREFIX, "drive_c", "users")
    user = next(name for name in sorted(os.listdir(users)) if name != "Public")
    link = os.path.join(users, user, "Desktop")
    target = tempfile.mkdtemp(prefix="desktop-", dir=home)
    if os.path.islink(link) or os.path.isfile(link):
        os.remove(link)
    elif os.path.isdir(link):
        shutil.rmtree(link)
    os.symlink(target, link)
    return target


def windows_titled(title, wait_ms=0):
    lines, _ = session.probe("windows", "--title", title, "--wait", wait_ms)
    return [line for line in lines if line["kind"] == "window" and line["visible"]]


def main_window_shown(wait_ms=500):
    window, children = session.main_window(wait_ms=wait_ms)
    return (window, children) if window and window["visible"] else None


def main_window_record():
    """MainWindow's own record, told from other windows of its class by its title."""
    found = [window for window in windows_titled(TITLE) if window["title"] == TITLE]
    return found[0] if found else None


def settings_of(folder):
    """pz.ini's keys by section, or None while there is no such file."""
    path = os.path.join(folder, "pz.ini")
    if not os.path.isfile(path):
        return None
    sections, current = {}, None
    with open(path, "rb") as f:
        for line in f.read().decode("latin-1").splitlines():
            line = line.strip()
            if re.fullmatch(r"\[.*\]", line):
                current = sections.setdefault(line[1:-1].lower(), {})
            elif "=" in line and current is not None:
                key, _, value = line.partition("=")
                current[key.strip().lower()] = value.strip()
    return sections


def shortcut_target(path):
    """The local path that lnkinfo reads from a shortcut file."""
    result = subprocess.run(["lnkinfo", path], capture_output=True, timeout=30)
    text = result.stdout.decode("utf-8", "replace")
    found = re.search(r"Local path\s*:\s*(.*)", text)
    return found.group(1).strip() if found else text


def end(program):
    """Ends a program and waits until its windows are gone."""
    program.kill()
    wait_for(lambda: session.main_window()[0] is None, timeout=15)


class TilesUnderWine(unittest.TestCase):
    """The real program, each press made on a fresh start that is not loading
    anything: the shop answers "no" then "yes", and the start ends at its
    message box, closed here. Under Wine the browser control never leaves
    READYSTATE_LOADING, so the page a press asks for is never done."""

    @classmethod
    def setUpClass(cls):
        fresh_desktop()
        cls.folder = program_copy()

    def start_idle(self):
        # Every answer closes its connection: Wine's WinINet keeps at most two
        # connections to a server, and a kept-alive one stays taken until the
        # server drops it as idle.
        shop = Shop(script={"/1.txt": [{"body": "no", "close": True}, {"body": "yes", "close": True}],
                            "*": {"close": True}})
        self.addCleanup(shop.close)
        program = session.start(os.path.join(self.folder, "tolvane.exe"))
        self.addCleanup(end, program)
        self.assertTrue(wait_for(lambda: windows_titled(MESSAGE_TITLE, 500), timeout=60), "no message box")
        session.probe("close", "--title", MESSAGE_TITLE)
        self.assertTrue(wait_for(lambda: not windows_titled(MESSAGE_TITLE), timeout=15))
        found = wait_for(main_window_shown, timeout=30)
        self.assertIsNotNone(found, "MainWindow never appeared")
        time.sleep(0.5)
        self.assertEqual(shop.requests(), ["/1.txt", "/1.txt"])
        return shop, program, found[0]["client_origin"]

    def press(self, origin, point):
        session.probe("click", origin[0] + point[0], origin[1] + point[1])

    def test_each_shop_tile_asks_for_its_page_and_nothing_else(self):
        for tile, point, path in SHOP_TILES:
            with self.subTest(tile):
                shop, program, origin = self.start_idle()
                try:
                    self.press(origin, point)
                    wait_for(lambda: path in shop.requests()[2:], timeout=20, step=0.1)
                    time.sleep(0.5)
                    self.assertEqual(shop.requests()[2:], [path])
                    self.assertEqual(shop.requests(OFFICIAL_PORT), [])
                finally:
                    end(program)
                    shop.close()

    def test_the_business_tile_goes_to_the_default_browser_not_the_shop(self):
        shop, program, origin = self.start_idle()
        if os.path.exists(opened_log):
            os.remove(opened_log)
        self.press(origin, BUSINESS_TILE)

        def opened():
            if not os.path.exists(opened_log):
                return None
            with open(opened_log, encoding="utf-8") as f:
                return [line for line in f.read().splitlines() if line]

        urls = wait_for(opened, timeout=20)
        self.assertEqual(urls, [BUSINESS_URL])
        _, children = session.main_window()
        self.assertFalse(children[108]["own_visible"], "the indicator came up for the merchant tile")
        # Neither site is asked by the embedded browser.
        self.assertEqual(shop.requests(), ["/1.txt", "/1.txt"])
        self.assertEqual(shop.requests(OFFICIAL_PORT), [], "the official site was asked directly")

    def test_presses_during_a_load_nest_and_esc_ends_with_code_zero(self):
        # The start's own page: the shop answers "yes", and Wine's control
        # keeps loading it; a press nests another page wait inside.
        shop = Shop(script={"/1.txt": "yes", "/": dict(BLANK, close=True), "*": {"close": True}})
        self.addCleanup(shop.close)
        program = session.start(os.path.join(self.folder, "tolvane.exe"))
        self.addCleanup(end, program)
        found = wait_for(main_window_shown, timeout=60)
        self.assertIsNotNone(found, "MainWindow never appeared")
        self.assertTrue(shop.wait_for_request("/", timeout=30), shop.requests())
        # Each press during the load nests its own wait and sends its own
        # request; the indicator stays for as long as any of them waits.
        for tile, point, path in SHOP_TILES[1:3]:
            self.press(found[0]["client_origin"], point)
            self.assertTrue(shop.wait_for_request(path, timeout=15), (tile, shop.requests()))
            _, children = session.main_window()
            self.assertTrue(children[108]["own_visible"], f"no load going on after {tile}")
        self.assertEqual(shop.requests(), ["/1.txt", "/"] + [path for _, _, path in SHOP_TILES[1:3]])
        _, code = session.probe("esc", "--class", MAIN_CLASS)
        self.assertEqual(code, 0)
        self.assertEqual(program.wait(30), 0)
        self.assertIsNone(session.main_window()[0])


class NoticeWindowUnderWine(unittest.TestCase):
    """NoticeWindow opened modally over MainWindow by its test driver."""

    def setUp(self):
        driver = os.path.join(BIN, "show_notice_window.exe")
        if not os.path.exists(driver):
            self.fail("no show_notice_window.exe in this build")
        self.shop = Shop(script={"/": {"hold": 30}})
        self.addCleanup(self.shop.close)
        notice = os.path.join(tempfile.mkdtemp(prefix="notice-", dir=home), "notice.txt")
        with open(notice, "wb") as f:
            f.write(NOTICE)
        self.program = session.start(driver, ["Z:" + notice.replace("/", "\\")])
        self.addCleanup(end, self.program)
        found = wait_for(lambda: windows_titled(NOTICE_TITLE, 500), timeout=60)
        self.assertTrue(found, "NoticeWindow never appeared")
        self.notice = found[0]

    def test_title_size_and_place_with_main_window_disabled_until_esc(self):
        self.assertEqual(self.notice["title"], NOTICE_TITLE)
        left, top, width, height = self.notice["rect"]
        screen_width, screen_height = metrics["screen"]
        self.assertEqual((width, height), (380, 261))
        self.assertEqual((left, top), ((screen_width - 380) // 2, (screen_height - 261) // 2))
        main = main_window_record()
        self.assertIsNotNone(main, "no MainWindow under NoticeWindow")
        self.assertFalse(main["enabled"], "MainWindow takes input while NoticeWindow is open")

        _, code = session.probe("esc", "--title", NOTICE_TITLE)
        self.assertEqual(code, 0)
        self.assertTrue(wait_for(lambda: not windows_titled(NOTICE_TITLE), timeout=15),
                        "Esc left NoticeWindow open")
        main = main_window_record()
        self.assertIsNotNone(main, "MainWindow went with NoticeWindow")
        self.assertTrue(main["enabled"], "MainWindow stayed disabled")
        self.assertIsNone(self.program.process.poll(), "the driver ended with NoticeWindow")


class StartupUnderWine(unittest.TestCase):
    """The whole start of the real program, from a fresh copy of its
    directory onto a fresh desktop."""

    def start(self, answers, folder=None):
        shop = Shop(script={"/1.txt": list(answers), "/": BLANK,
                            "/new.txt": {"body_b64": __import__("base64").b64encode(NOTICE).decode()}})
        self.addCleanup(shop.close)
        folder = folder or program_copy()
        program = session.start(os.path.join(folder, "tolvane.exe"))
        self.addCleanup(end, program)
        return shop, folder, program

    def test_status_answers_decide_the_requests_and_the_window(self):
        for name, answers, requests, title in STARTS:
            with self.subTest(name):
                desktop = fresh_desktop()
                shop, folder, program = self.start(answers)
                main = wait_for(main_window_shown, timeout=60)
                self.assertIsNotNone(main, "MainWindow never appeared")
                if title:
                    found = wait_for(lambda: windows_titled(title, 500), timeout=30)
                    self.assertTrue(found, f"no window {title}")
                    self.assertEqual(found[0]["title"], title)
                else:
                    self.assertTrue(shop.wait_for_request("/", timeout=30), shop.requests())
                time.sleep(2)
                self.assertEqual(shop.requests(), requests)
                others = {MESSAGE_TITLE, NOTICE_TITLE} - {title}
                for other in others:
                    self.assertEqual(windows_titled(other), [], f"{other} shows too")
                _, children = session.main_window()
                self.assertEqual(children[109]["own_visible"], title == NOTICE_TITLE, "the badge")
                self.assertTrue(wait_for(lambda: settings_of(folder), timeout=10), "no pz.ini")
                self.assertEqual(settings_of(folder).get("kj", {}).get("kj"), "1", settings_of(folder))
                self.assertTrue(os.path.exists(os.path.join(desktop, SHORTCUT)), os.listdir(desktop))
                end(program)
                shop.close()

    def test_first_start_makes_the_shortcut_and_a_later_one_does_not(self):
        desktop = fresh_desktop()
        shortcut = os.path.join(desktop, SHORTCUT)
        shop, folder, program = self.start(["yes"])
        self.assertIsNotNone(wait_for(main_window_shown, timeout=60), "MainWindow never appeared")
        self.assertTrue(wait_for(lambda: os.path.exists(shortcut), timeout=15), os.listdir(desktop))
        # Wine's menu builder may add a .desktop file of its own beside it.
        self.assertEqual([name for name in os.listdir(desktop) if name.endswith(".lnk")], [SHORTCUT])
        target = shortcut_target(shortcut)
        self.assertEqual(target.lower(), ("z:" + folder.replace("/", "\\") + "\\tolvane.exe").lower())
        # The entry is written after the shortcut is made: it may come a moment later.
        self.assertEqual(wait_for(lambda: settings_of(folder), timeout=10), {"kj": {"kj": "1"}})
        self.assertTrue(shop.wait_for_request("/", timeout=30), shop.requests())
        end(program)
        shop.close()

        for name in os.listdir(desktop):
            os.remove(os.path.join(desktop, name))
        shop, _, program = self.start(["yes"], folder=folder)
        self.assertIsNotNone(wait_for(main_window_shown, timeout=60), "MainWindow never appeared")
        self.assertTrue(shop.wait_for_request("/", timeout=30), shop.requests())
        time.sleep(2)
        # Wine's menu builder may still be writing its own files from the first start.
        self.assertEqual([name for name in os.listdir(desktop) if name.endswith(".lnk")], [],
                         "a later start made the shortcut again")
        self.assertEqual(settings_of(folder), {"kj": {"kj": "1"}})


if __name__ == "__main__":
    unittest.main()
