#!/usr/bin/env python3
"""Runs the program on a private Xvfb display, lets it load the shop, saves a
screenshot, prints its path and closes the program."""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from lib.program import Program  # noqa: E402
from lib.xsession import XSession  # noqa: E402

SETTLE_SECONDS = 6  # time for the shop's page to load and paint


def main(program_path, screenshot):
    x = XSession()
    try:
        program = Program(x, program=os.path.abspath(program_path))
        window = x.find_window("Tolvane", pid=program.pid)
        if window is None:
            print("the program did not show its window", file=sys.stderr)
            program.kill()
            return 1
        time.sleep(SETTLE_SECONDS)
        x.screenshot(screenshot)
        print(os.path.abspath(screenshot))
        x.press_key(window, "Escape")
        code = program.wait(30)
        if code != 0:
            print(f"the program ended with code {code}", file=sys.stderr)
        return code
    finally:
        x.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
