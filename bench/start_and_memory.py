#!/usr/bin/env python3
"""Tolvane against surf (Debian's minimal WebKitGTK browser) on the same Xvfb
and the same demo shop: time from exec to the window mapped, to MainWindow
painted with its tiles, and to the shop's home page painted in the browser;
then the resident memory of the whole process tree (the program and its
WebKit web and network processes) once the page is shown. Each run starts
fresh (new process, new HOME); the two programs take turns so that the
machine's drift hits both alike. Prints figures; asserts nothing.

    python3 bench/start_and_memory.py [--runs N] [--program PATH]
"""

import argparse
import os
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from display import Display  # noqa: E402
from ports import BENCH_BUILD, OFFICIAL_PORT, SHOP_PORT  # noqa: E402
from process_tree import kill_tree, tree_memory_kib  # noqa: E402
from start_watch import Mark, watch  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from lib.shop import Shop  # noqa: E402

# Each tile's own colour (assets/make_assets.py); each fills thousands of pixels.
TILES = Mark("tiles", [(27, 161, 226), (240, 150, 9), (51, 153, 51), (0, 171, 169), (229, 20, 0),
                       (162, 0, 255)], 1000)
# The home page's top bar, 46 pixels high across the whole view.
HOME_PAGE = Mark("page", [(232, 56, 61)], 10000)
SETTLE = 2.0  # after the page shows, for its last layout and the web process to calm
TIMEOUT = 60


def _environment(display, home):
    env = dict(display.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"), XDG_DATA_HOME=os.path.join(home, ".local"))
    # surf asks WebKit for GPU compositing, which paints nothing on Xvfb; our
    # client turns hardware acceleration off itself, so both paint in software.
    env["WEBKIT_DISABLE_COMPOSITING_MODE"] = "1"
    return env


def one_run(display, command, marks):
    home = tempfile.mkdtemp(prefix="tolvane-bench-home-")
    work = tempfile.mkdtemp(prefix="tolvane-bench-cwd-")
    try:
        process, times = watch(display.screen, command, _environment(display, home), marks, cwd=work,
                               timeout=TIMEOUT)
        try:
            memory, names = None, []
            if times.get("page") is not None:
                time.sleep(SETTLE)
                memory, names = tree_memory_kib(process.pid)
        finally:
            kill_tree(process)
        return times, memory, names
    finally:
        shutil.rmtree(home, ignore_errors=True)
        shutil.rmtree(work, ignore_errors=True)


def measure(runs, program, surf="surf", log=print):
    """{"tolvane": {...}, "surf": {...}}: the median of each figure over the
    runs (None where no run reached it), and the processes counted."""
    url = f"http://127.0.0.1:{SHOP_PORT}/"
    contenders = {"tolvane": ([program], [TILES, HOME_PAGE]), "surf": ([surf, url], [HOME_PAGE])}
    samples = {name: {"mapped": [], "tiles": [], "page": [], "pss": [], "rss": []} for name in contenders}
    processes = {}
    display = Display()
    shop = Shop(port=SHOP_PORT, official_port=OFFICIAL_PORT)
    try:
        for name, (command, marks) in contenders.items():
            one_run(display, command, marks)  # warms the page cache and writes the first-run settings
        for run in range(runs):
            for name, (command, marks) in contenders.items():
                times, memory, names = one_run(display, command, marks)
                for key, value in times.items():
                    if value is not None:
                        samples[name][key].append(value)
                if memory:
                    samples[name]["pss"].append(memory["pss"])
                    samples[name]["rss"].append(memory["rss"])
                    processes[name] = names
                shown = ", ".join(f"{k} {v:.3f} s" if v is not None else f"{k} never" for k, v in times.items())
                log(f"  run {run + 1}/{runs} {name}: {shown}" +
                    (f", PSS {memory['pss'] / 1024:.1f} MiB" if memory else ""))
    finally:
        shop.close()
        display.close()
    result = {}
    for name, figures in samples.items():
        result[name] = {key: statistics.median(values) if values else None for key, values in figures.items()}
        result[name]["runs"] = {key: len(values) for key, values in figures.items()}
        result[name]["processes"] = processes.get(name, [])
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--program", default=os.path.join(BENCH_BUILD["linux"], "bin", "tolvane"))
    args = parser.parse_args()
    if not os.access(args.program, os.X_OK) or not shutil.which("surf"):
        sys.exit("needs the bench build and surf: python3 bench/run_all.py builds and installs them")
    result = measure(args.runs, args.program)
    print(f"median of {args.runs} runs  {'tolvane':>12}{'surf':>12}")
    for key, unit, scale in [("mapped", "s", 1), ("tiles", "s", 1), ("page", "s", 1),
                             ("pss", "MiB", 1 / 1024), ("rss", "MiB", 1 / 1024)]:
        cells = [f"{result[name][key] * scale:.{3 if unit == 's' else 1}f} {unit}" if result[name][key] is not None else "-"
                 for name in ("tolvane", "surf")]
        print(f"{key:<18}{cells[0]:>12}{cells[1]:>12}")


if __name__ == "__main__":
    main()
