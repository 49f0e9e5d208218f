"""What a page from the network can reach: WebKit's web process runs under
bubblewrap (on a system where bubblewrap can make its namespaces), and an
answer the browser cannot show is not saved anywhere."""

import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), ".."))
from lib.program import Program  # noqa: E402
from lib.shop import Shop  # noqa: E402
from lib.xsession import XSession  # noqa: E402


def bubblewrap_works():
    try:
        return subprocess.run(["bwrap", "--ro-bind", "/", "/", "--unshare-all", "true"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
    except FileNotFoundError:
        return False


def process_table():
    """pid -> (parent pid, command name) for every process."""
    table = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat", encoding="utf-8", errors="replace") as f:
                stat = f.read()
        except OSError:
            continue
        name = stat[stat.index("(") + 1:stat.rindex(")")]
        parent = int(stat[stat.rindex(")") + 2:].split()[1])
        table[int(entry)] = (parent, name)
    return table


def ancestors(table, pid):
    names = []
    while pid in table and pid > 1:
        pid, name = table[pid]
        if pid in table:
            names.append(table[pid][1])
    return names


class WebContent(unittest.TestCase):
    def test_the_web_process_of_the_shop_page_runs_under_bubblewrap(self):
        if not bubblewrap_works():
            self.skipTest("bubblewrap cannot make its namespaces here: WebKit runs without it")
        x = XSession()
        self.addCleanup(x.close)
        shop = Shop(status="yes")
        self.addCleanup(shop.close)
        program = Program(x)
        self.addCleanup(program.kill)
        self.assertTrue(shop.wait_for_request("/", timeout=30), shop.requests())

        def web_processes():
            table = process_table()
            return table, [pid for pid, (_, name) in table.items()
                           if name.startswith("WebKitWebProces") and program.pid in self.lineage(table, pid)]

        deadline = time.time() + 15
        while True:
            table, pids = web_processes()
            if pids or time.time() > deadline:
                break
            time.sleep(0.2)
        self.assertTrue(pids, "no web process of the program's own")
        for pid in pids:
            self.assertIn("bwrap", ancestors(table, pid), f"web process {pid} runs outside the sandbox")

    def test_an_answer_the_browser_cannot_show_is_not_saved(self):
        x = XSession()
        self.addCleanup(x.close)
        shop = Shop(script={"/1.txt": "yes", "/": {
            "body": "MZ not a page", "type": "application/octet-stream",
            "headers": {"Content-Disposition": 'attachment; filename="setup.exe"'}}})
        self.addCleanup(shop.close)
        home = tempfile.mkdtemp(prefix="tolvane-home-")
        os.mkdir(os.path.join(home, "Downloads"))
        program = Program(x, home=home)
        self.addCleanup(program.kill)
        self.assertTrue(shop.wait_for_request("/", timeout=30), shop.requests())
        time.sleep(3)
        saved = [os.path.join(root, name) for root, _, names in os.walk(home) for name in names
                 if name.startswith("setup") or "Downloads" in root]
        self.assertEqual(saved, [])

    @staticmethod
    def lineage(table, pid):
        pids = []
        while pid in table and pid > 1:
            pid = table[pid][0]
            pids.append(pid)
        return pids


if __name__ == "__main__":
    unittest.main()
