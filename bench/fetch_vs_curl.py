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


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=21)
    parser.add_argument("--fetch", default=os.path.join(REPO, "build", "linux", "bin", "tolvane-fetch"))
    parser.add_argument("--curl", default=shutil.which("curl") or "curl")
    args = parser.parse_args()
    for program in (args.fetch, args.curl):
        if not os.access(program, os.X_OK):
            sys.exit(f"{program} is missing (build tolvane-fetch with the linux preset; curl: scripts/setup-linux.sh)")

    work = tempfile.mkdtemp(prefix="tolvane-bench-")
    # Bytes 1 to 255: a zero byte would end FetchText's text early.
    rng = random.Random(1)
    large = bytes(rng.randrange(1, 256) for _ in range(4096)) * (LARGE // 4096)
    bodies = [("3-byte body", body_file(work, "small", b"yes")),
              ("10 MB body", body_file(work, "large", large))]

    print(f"tolvane-fetch: {args.fetch}")
    print(f"curl:          {args.curl}")
    print(f"median of {args.runs} runs each, loopback, HTTP/1.0\n")
    print(f"{'body':<14}{'tolvane-fetch':>16}{'curl':>12}{'ratio':>10}")
    for label, path in bodies:
        shop = ScriptedShop(status=path)
        try:
            url = shop.base + "/1.txt"
            medians = measure({"fetch": [args.fetch, url],
                               "curl": [args.curl, "--silent", "--http1.0", url]}, args.runs)
        finally:
            shop.close()
        ratio = medians["fetch"] / medians["curl"]
        print(f"{label:<14}{medians['fetch'] * 1000:>13.2f} ms{medians['curl'] * 1000:>9.2f} ms{ratio:>9.2f}x")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
