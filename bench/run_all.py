#!/usr/bin/env python3
"""Every benchmark in one run, each figure measured side by side with its
peer, printed as one table of ratios with the goal beside each row. Installs
what is missing (setup scripts, surf) and builds into build/bench-* for the
shop ports 8805/8806, so it never collides with the test suites. Asserts
nothing: the figures are for reading.

    python3 bench/run_all.py [--runs N] [--parts linux,wine,sizes,fetch,cpu] [--no-setup]
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import builds  # noqa: E402
import cpu_during_load  # noqa: E402
import fetch_vs_curl  # noqa: E402
import sizes  # noqa: E402
import start_and_memory  # noqa: E402
import wine_start  # noqa: E402
from ports import BENCH_BUILD  # noqa: E402

PARTS = ["linux", "wine", "sizes", "fetch", "cpu"]
SIZE_GOAL = 1.5 * 1024 * 1024  # tolvane.exe, 32-bit release


def log(text):
    print(text, file=sys.stderr, flush=True)


class Table:
    HEAD = ("figure", "tolvane", "peer", "peer figure", "ratio", "goal", "met")

    def __init__(self):
        self.rows = []

    def add(self, figure, value, peer, peer_value, ratio, goal, met):
        self.rows.append((figure, value, peer, peer_value, ratio, goal, met))

    def print(self):
        rows = [self.HEAD] + [tuple("-" if cell is None else cell for cell in row) for row in self.rows]
        widths = [max(len(row[i]) for row in rows) for i in range(len(self.HEAD))]
        for number, row in enumerate(rows):
            print("  ".join(cell.ljust(width) if i in (0, 2, 5) else cell.rjust(width)
                            for i, (cell, width) in enumerate(zip(row, widths))).rstrip())
            if number == 0:
                print("  ".join("-" * width for width in widths))


def seconds(value):
    return None if value is None else f"{value:.3f} s"


def mib(kib):
    return None if kib is None else f"{kib / 1024:.1f} MiB"


def kib(size):
    return None if size is None else f"{size / 1024:.0f} KiB"


def ratio(value, peer):
    return None if value is None or not peer else value / peer


def ratio_text(value):
    return None if value is None else f"{value:.2f}"


def met(value, limit):
    return None if value is None else ("yes" if value <= limit else "no")


def linux_rows(table, runs):
    program = os.path.join(BENCH_BUILD["linux"], "bin", "tolvane")
    log("Linux: tolvane against surf on one Xvfb")
    result = start_and_memory.measure(runs, program, log=log)
    ours, surf = result["tolvane"], result["surf"]
    for figure, key, peer_figure, peer_key in [
            ("Linux start: window mapped", "mapped", "surf: window mapped", "mapped"),
            ("Linux start: MainWindow on screen, tiles painted", "tiles", "surf: window mapped", "mapped"),
            ("Linux start: shop home page painted", "page", "surf: same page painted", "page")]:
        r = ratio(ours[key], surf[peer_key])
        table.add(figure, seconds(ours[key]), peer_figure, seconds(surf[peer_key]), ratio_text(r),
                  "<= 1 (no worse than surf)", met(r, 1.0))
    for label, key in [("PSS", "pss"), ("RSS", "rss")]:
        r = ratio(ours[key], surf[key])
        table.add(f"Linux memory, {label} of all processes, page shown", mib(ours[key]),
                  f"surf: {label}, {len(surf['processes'])} processes", mib(surf[key]), ratio_text(r),
                  "<= 1 (no worse than surf)", met(r, 1.0))
    notes = [f"processes counted: tolvane {'+'.join(ours['processes'])}; surf {'+'.join(surf['processes'])}"]
    for name, figures in result.items():
        short = {key: count for key, count in figures["runs"].items() if count < runs and
                 not (name == "surf" and key == "tiles")}
        if short:
            notes.append(f"{name} reached only " + ", ".join(f"{key} in {count} of {runs} runs"
                                                            for key, count in short.items()))
    return "\n".join(notes)


def wine_rows(table, runs):
    log("Wine: tolvane.exe against a trivial Win32 window")
    result = wine_start.measure(runs, log=log)
    loader = "wine32" if result["arch"] == "win32" else "wine64, x86_64 build"
    r = ratio(result["tolvane"], result["blank"])
    table.add(f"Wine start ({loader}): MainWindow tiles painted", seconds(result["tolvane"]),
              "trivial Win32 window painted", seconds(result["blank"]), ratio_text(r),
              "none: no Windows peer here; for scale", None)
    short = {name: count for name, count in result["runs"].items() if count < runs}
    if short:
        return "under Wine, painted only in " + ", ".join(f"{count} of {runs} runs ({name})"
                                                          for name, count in short.items())
    return None


def strip_size(preset, path):
    tool = {"windows": "i686-w64-mingw32-strip", "windows-x86_64": "x86_64-w64-mingw32-strip"}[preset]
    if not shutil.which(tool) or not os.path.exists(path):
        return None
    stripped = path + ".bench-stripped"
    try:
        subprocess.run([tool, "-o", stripped, path], check=True, capture_output=True)
        return os.path.getsize(stripped)
    except subprocess.CalledProcessError:
        return None
    finally:
        if os.path.exists(stripped):
            os.unlink(stripped)


def size_rows(table):
    found = sizes.measure()
    for name, by_preset in found.items():
        size = by_preset["windows"]
        goal, ok = ("< 1.5 MiB", met(size, SIZE_GOAL - 1)) if name == "tolvane.exe" else ("-", None)
        table.add(f"{name}, 32-bit release, as built", kib(size), "x86_64 build, as built",
                  kib(by_preset["windows-x86_64"]), None, goal, ok)
        stripped = {preset: strip_size(preset, os.path.join(BENCH_BUILD[preset], "bin", name))
                    for preset in by_preset}
        table.add(f"{name}, 32-bit release, stripped", kib(stripped["windows"]), "x86_64 build, stripped",
                  kib(stripped["windows-x86_64"]), None,
                  "(what a strip would ship)" if name == "tolvane.exe" else "-", None)


def fetch_rows(table, runs):
    log("tolvane-fetch against curl")
    fetch = os.path.join(BENCH_BUILD["linux"], "bin", "tolvane-fetch")
    # Short commands: three times the runs cost little and steady the median.
    for label, ours, curl in fetch_vs_curl.measure_bodies(runs * 3, fetch, shutil.which("curl") or "curl"):
        limit = 1.0 if "3-byte" in label else 1.2
        r = ratio(ours, curl)
        table.add(f"fetch, {label}", f"{ours * 1000:.1f} ms", "curl, same body", f"{curl * 1000:.1f} ms",
                  ratio_text(r), f"<= {limit:g}", met(r, limit))


def cpu_rows(table, runs):
    log("CPU while a page is held back")
    program = os.path.join(BENCH_BUILD["linux"], "bin", "tolvane")
    shares = cpu_during_load.measure(runs, program)
    r = ratio(shares["tolvane"], shares["spin"])
    table.add("CPU while the shop holds a page back", f"{shares['tolvane'] * 100:.2f} % core",
              "busy-polling loop", f"{shares['spin'] * 100:.2f} % core", f"{r:.3f}",
              "<< 1: waits, never spins (met: <= 0.05)", met(r, 0.05))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=9, help="runs per figure; the median is shown")
    parser.add_argument("--parts", default=",".join(PARTS), help="comma-separated: " + ",".join(PARTS))
    parser.add_argument("--no-setup", action="store_true", help="install and build nothing")
    args = parser.parse_args()
    parts = [part for part in args.parts.split(",") if part]
    unknown = set(parts) - set(PARTS)
    if unknown or args.runs < 1:
        parser.error(f"unknown parts {sorted(unknown)}" if unknown else "--runs must be at least 1")

    # A plain kill still runs the clean-ups: no Xvfb, shop or Wine server is left behind.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(128 + number))
    started = time.time()
    built = {}
    if not args.no_setup:
        builds.setup(log)
        needed = {"linux": ["linux"], "fetch": ["linux"], "cpu": ["linux"],
                  "wine": ["windows-x86_64" if not wine_start.runs_32_bit_code() else "windows"],
                  "sizes": ["windows", "windows-x86_64"]}
        for preset in dict.fromkeys(p for part in parts for p in needed[part]):
            built[preset] = builds.build(preset, log)

    table, notes = Table(), []
    steps = {"linux": lambda: linux_rows(table, args.runs), "wine": lambda: wine_rows(table, args.runs),
             "sizes": lambda: size_rows(table), "fetch": lambda: fetch_rows(table, args.runs),
             "cpu": lambda: cpu_rows(table, args.runs)}
    for part in parts:
        try:
            note = steps[part]()
            if note:
                notes.append(note)
        except Exception as error:  # one part's failure leaves the others' figures
            notes.append(f"{part}: not measured ({type(error).__name__}: {error})")
            log(notes[-1])

    print()
    print(f"Tolvane benchmarks: median of {args.runs} runs a figure (fetch: {args.runs * 3}), "
          f"ratio = tolvane / peer, lower is better; {time.time() - started:.0f} s in all")
    table.print()
    for note in notes:
        print(note)
    failed = [preset for preset, ok in built.items() if not ok]
    if failed:
        print(f"builds that failed: {', '.join(failed)} (their logs are in build/bench-*/bench-build.log)")
    print(f"load average at the end: {os.getloadavg()[0]:.2f} on {os.cpu_count()} cores")


if __name__ == "__main__":
    main()
