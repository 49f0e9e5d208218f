#!/usr/bin/env python3
"""CPU used by the client's own process while the shop holds a page back,
against a busy-polling wait (a tight loop on the same machine, same time).
Prints figures; asserts nothing.

    python3 bench/cpu_during_load.py [--runs N] [--program PATH]

The program must be built for the benchmarks' shop ports (bench/ports.py);
python3 bench/run_all.py builds it."""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ports import BENCH_BUILD, OFFICIAL_PORT, SHOP_PORT  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from lib.program import Program  # noqa: E402
from lib.shop import Shop  # noqa: E402
from lib.xsession import XSession  # noqa: E402

HOLD = 5.0
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def client_share(x, program_path):
    program = Program(x, program=program_path)
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


def measure(runs, program_path):
    """{"tolvane": share of one core, "spin": share of one core}, medians."""
    x = XSession()
    shop = Shop(script={"/?mod=goods&ac=nine": {"hold": HOLD + 1}}, port=SHOP_PORT,
                official_port=OFFICIAL_PORT)
    try:
        client, spin = [], []
        for _ in range(runs):  # in turns, so drift hits both alike
            client.append(client_share(x, program_path))
            spin.append(spin_share(HOLD - 1.5))
    finally:
        shop.close()
        x.close()
    return {"tolvane": statistics.median(client), "spin": statistics.median(spin)}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--program", default=os.path.join(BENCH_BUILD["linux"], "bin", "tolvane"))
    args = parser.parse_args()
    if not os.access(args.program, os.X_OK):
        sys.exit(f"{args.program} is missing: python3 bench/run_all.py builds it")
    shares = measure(args.runs, args.program)
    client, spin = shares["tolvane"], shares["spin"]
    print(f"{'while a page is held back':32} {'share of one core':>18}")
    print(f"{'tolvane (waits between passes)':32} {client * 100:17.2f}%")
    print(f"{'busy-polling wait (tight loop)':32} {spin * 100:17.2f}%")
    print(f"{'ratio tolvane / busy polling':32} {client / spin if spin else float('nan'):18.4f}")


if __name__ == "__main__":
    main()
