"""The benchmark helpers whose mistakes would go unseen in a figure: pixel
counting over the X server's padded pixels, and the process tree whose
memory is summed and which is ended after each run."""

import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from process_tree import kill_tree, tree, tree_memory_kib  # noqa: E402
from start_watch import Mark  # noqa: E402
from xscreen import pixel_counts  # noqa: E402

RED, BLUE = (232, 56, 61), (27, 161, 226)


def pixels(*colours, pad=0):
    """Screen bytes as the server sends them: blue, green, red, pad."""
    return b"".join(bytes((b, g, r, pad)) for r, g, b in colours)


class PixelCounts(unittest.TestCase):
    def test_cases(self):
        cases = [
            ("pad bytes zero", pixels(RED, RED, BLUE), [2, 1]),
            ("pad bytes set, as some drawing leaves them", pixels(RED, BLUE, BLUE, pad=0xFF), [1, 2]),
            ("colour absent", pixels(BLUE, BLUE), [0, 2]),
            ("nothing grabbed", b"", [0, 0]),
            # The red's bytes straddle two pixels: green and red of one, pad,
            # then blue of the next. No pixel of that colour is there.
            ("bytes across a pixel boundary", bytes((0, 61, 56, 232, 9, 9, 9, 0)), [0, 0]),
        ]
        for name, data, expected in cases:
            with self.subTest(name):
                self.assertEqual(pixel_counts(data, [RED, BLUE]), expected)

    def test_a_mark_needs_every_colour(self):
        mark = Mark("tiles", [RED, BLUE], 2)
        self.assertTrue(mark.reached([2, 5]))
        self.assertFalse(mark.reached([2, 1]))


class ProcessTree(unittest.TestCase):
    def test_children_and_grandchildren_are_counted_and_ended(self):
        # A shell that starts a shell that starts a sleep: three generations,
        # as a browser starts its web process and that its helpers.
        process = subprocess.Popen(["sh", "-c", "sh -c 'sleep 60 & wait' & sleep 60 & wait"])
        self.addCleanup(lambda: process.poll() is None and process.kill())
        deadline = time.time() + 10
        while len(tree(process.pid)) < 4 and time.time() < deadline:
            time.sleep(0.05)
        members = tree(process.pid)
        self.assertEqual(len(members), 4)
        self.assertEqual(members[0], process.pid)

        memory, names = tree_memory_kib(process.pid)
        self.assertEqual(sorted(names), ["sh", "sh", "sleep", "sleep"])
        self.assertGreater(memory["pss"], 0)
        self.assertGreaterEqual(memory["rss"], memory["pss"])

        kill_tree(process)
        for pid in members:
            with self.subTest(pid=pid):
                self.assertFalse(os.path.exists(f"/proc/{pid}") and _running(pid))


def _running(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


if __name__ == "__main__":
    unittest.main()
