#!/usr/bin/env python3
"""CPU used by the client's own process while the shop holds a page back,
against a busy-polling wait (a tight loop on the same machine, same time).
Prints figures; asserts nothing."""

import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from lib.program import Program  # noqa: E402
from lib.shop import Shop  # noqa: E402
from lib.xsession import XSession  # noqa: E402

HOLD = 5.0
RUNS = 3
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def client_share(x):
    program = Program(x)
    try:
        window = x.find_window("Tolvane V1.0.1.0", pid=program.pid)
        left, top, _, _ = x.client_geometry(window)
        time.sleep(2)  # the start's own work is not what is measured
        x.click(left + 134, top + 137)  # the nine tile, held back by the shop
        time.sleep(0.5)
        before, started = cpu_seconds(program.pid), time.time()
        time.sleep(HOLD - 1.5)
        return (cpu_seconds(program.pid) - before) / (time.time() - started)
    finally:
        program.kill()


def spin_share(seconds):
    spinner = subprocess.Popen([sys.executable, "-c", "while True: pass"])
    try:
        time.sleep(0.3)
        before, started = cpu_seconds(spinner.pid), time.time()
        time.sleep(seconds)
        return (cpu_seconds(spinner.pid) - before) / (time.time() - started)
    finally:
        spinner.kill()
        spinner.wait()


def main():
    x = XSession()
    shop = Shop(script={"/?mod=goods&ac=nine": {"hold": HOLD + 1}})
    try:
        client = statistics.median(client_share(x) for _ in range(RUNS))
        spin = statistics.median(spin_share(HOLD - 1.5) for _ in range(RUNS))
    finally:
        shop.close()
        x.close()
    print(f"{'while a page is held back':32} {'share of one core':>18}")
    print(f"{'tolvane (waits between passes)':32} {client * 100:17.2f}%")
    print(f"{'busy-polling wait (tight loop)':32} {spin * 100:17.2f}%")
    print(f"{'ratio tolvane / busy polling':32} {client / spin if spin else float('nan'):18.4f}")


if __name__ == "__main__":
    main()
