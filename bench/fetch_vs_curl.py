#!/usr/bin/env python3
"""tolvane-fetch against curl on the same loopback shop server: a 3-byte body
and a 10 MB body, the median wall time of repeated runs of each, and their
ratio. Prints figures; asserts nothing.

    python3 bench/fetch_vs_curl.py [--runs N] [--fetch PATH] [--curl PATH]

Goals: no slower than curl for the small body, within 1.2x for the large one.
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, REPO)
from tests.e2e.fetch.shop import ScriptedShop  # noqa: E402

LARGE = 10 * 1024 * 1024


def body_file(directory, name, data):
    path = os.path.join(directory, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


def timed(command):
    started = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - started


def measure(commands, runs):
    """Median seconds per command; the commands take turns so that drift hits both alike."""
    for command in commands.values():
        timed(command)  # warm the page cache and the server
    times = {name: [] for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            times[name].append(timed(command))
    return {name: statistics.median(values) for name, values in times.items()}


def _large_body():
    # Bytes 1 to 255: a zero byte would end FetchText's text early.
    rng = random.Random(1)
    return bytes(rng.randrange(1, 256) for _ in range(4096)) * (LARGE // 4096)


BODIES = [("3-byte body", "small", lambda: b"yes"), ("10 MB body", "large", _large_body)]


def measure_bodies(runs, fetch, curl):
    """[(label, fetch seconds, curl seconds)], medians, one row per body."""
    work = tempfile.mkdtemp(prefix="tolvane-bench-")
    rows = []
    try:
        for label, name, make in BODIES:
            shop = ScriptedShop(status=body_file(work, name, make()))
            try:
                url = shop.base + "/1.txt"
                medians = measure({"fetch": [fetch, url],
                                   "curl": [curl, "--silent", "--http1.0", url]}, runs)
            finally:
                shop.close()
            rows.append((label, medians["fetch"], medians["curl"]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--fetch", default=os.path.join(REPO, "build", "bench-linux", "bin", "tolvane-fetch"))
    parser.add_argument("--curl", default=shutil.which("curl") or "curl")
    args = parser.parse_args()
    for program in (args.fetch, args.curl):
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} is missing: python3 bench/run_all.py builds and installs what it needs")

    print(f"tolvane-fetch: {args.fetch}")
    print(f"curl:          {args.curl}")
    print(f"median of {args.runs} runs each, loopback, HTTP/1.0\n")
    print(f"{'body':<14}{'tolvane-fetch':>16}{'curl':>12}{'ratio':>10}")
    for label, fetch, curl in measure_bodies(args.runs, args.fetch, args.curl):
        print(f"{label:<14}{fetch * 1000:>13.2f} ms{curl * 1000:>9.2f} ms{fetch / curl:>9.2f}x")


if __name__ == "__main__":
    main()
