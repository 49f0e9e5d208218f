#!/usr/bin/env python3
"""The Windows program under Wine: time from exec until MainWindow is painted
with its tiles, against a trivial Win32 window program (bench/blank_window.c)
started the same way, in the same Wine prefix, with the same warmed-up
wineserver. Prints figures; asserts nothing.

    python3 bench/wine_start.py [--runs N]

The prefix, HOME and display are the benchmark's own: the Wine tests' prefix
is never touched."""

import argparse
import contextlib
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from ports import BENCH_BUILD, OFFICIAL_PORT, SHOP_PORT  # noqa: E402
from start_and_memory import TILES  # noqa: E402
from start_watch import Mark, area_clear, watch  # noqa: E402
from xscreen import Screen  # noqa: E402

sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from lib.shop import Shop  # noqa: E402
from lib.xsession import SCREEN  # noqa: E402

BLANK = Mark("tiles", [(255, 0, 128)], 100000)  # blank_window.c's fill
OUTER = (951, 503)
# Both programs centre a window of MainWindow's outer size on Wine's desktop,
# which is the whole X screen.
AREA = ((SCREEN[0] - OUTER[0]) // 2, (SCREEN[1] - OUTER[1]) // 2, OUTER[0], OUTER[1])
TIMEOUT = 60


def runs_32_bit_code():
    try:
        return subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True,
                              timeout=60).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def flavour():
    """(build folder, Wine loader, WINEARCH, MinGW compiler): the 32-bit product
    where this machine runs 32-bit code, else its x86_64 build under wine64."""
    if runs_32_bit_code():
        return BENCH_BUILD["windows"], "/usr/lib/wine/wine", "win32", "i686-w64-mingw32-gcc"
    return BENCH_BUILD["windows-x86_64"], "/usr/lib/wine/wine64", "win64", "x86_64-w64-mingw32-gcc"


def build_blank_window(build, compiler):
    output = os.path.join(build, "bench", "blank_window.exe")
    os.makedirs(os.path.dirname(output), exist_ok=True)
    subprocess.run([compiler, "-O2", "-mwindows", "-o", output,
                    os.path.join(HERE, "blank_window.c")], check=True)
    return output


@contextlib.contextmanager
def _wine_session(build, loader, arch, work):
    """The Wine tests' session (prefix set-up, fonts, desktop, warmed-up
    server), pointed at the benchmark's own prefix, home and programs."""
    saved = dict(os.environ)
    os.environ.update(TOLVANE_WINE_BIN=os.path.join(build, "bin"), TOLVANE_WINE_LOADER=loader,
                      TOLVANE_WINEARCH=arch, HOME=os.path.join(work, "home"))
    os.makedirs(os.environ["HOME"], exist_ok=True)
    try:
        sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e", "wine"))
        import wine_session
        # The module keeps its prefix under build/ for the tests; ours lives apart.
        wine_session.BIN, wine_session.LOADER, wine_session.WINEARCH = os.environ[
            "TOLVANE_WINE_BIN"], loader, arch
        wine_session.PREFIX = os.path.join(work, "prefix")
        session = wine_session.WineSession()
    finally:
        os.environ.clear()
        os.environ.update(saved)
    try:
        yield session
    finally:
        session.close()


def _wait_clear(screen, marks, timeout=15):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if area_clear(screen, AREA, marks):
            return True
        time.sleep(0.1)
    return False


def measure(runs, log=print):
    """{"tolvane": seconds, "blank": seconds, ...}: medians over the runs."""
    build, loader, arch, compiler = flavour()
    blank = build_blank_window(build, compiler)
    work = tempfile.mkdtemp(prefix="tolvane-bench-wine-")
    programs = {"tolvane": ([loader, os.path.join(build, "bin", "tolvane.exe")], [TILES]),
                "blank": ([loader, blank], [BLANK])}
    samples = {name: [] for name in programs}
    shop = Shop(port=SHOP_PORT, official_port=OFFICIAL_PORT)
    try:
        with _wine_session(build, loader, arch, work) as session:
            env = dict(session.env)
            env.pop("WINEDLLOVERRIDES", None)  # as the tests start the program
            screen = Screen(session.x.display)
            try:
                for run in range(-1, runs):  # run -1 warms the page cache and writes pz.ini
                    for name, (command, marks) in programs.items():
                        if not _wait_clear(screen, [TILES, BLANK]):
                            log(f"  {name}: the last window stayed on screen")
                        cwd = tempfile.mkdtemp(dir=work)
                        process, times = watch(screen, command, env, marks, area=AREA, cwd=cwd,
                                               timeout=TIMEOUT)
                        if process.poll() is None:
                            process.kill()
                        process.wait(30)
                        if run < 0:
                            continue
                        if times["tiles"] is not None:
                            samples[name].append(times["tiles"])
                        shown = f"{times['tiles']:.3f} s" if times["tiles"] is not None else "never"
                        log(f"  run {run + 1}/{runs} {name} under Wine: painted {shown}")
            finally:
                screen.close()
    finally:
        shop.close()
        shutil.rmtree(work, ignore_errors=True)
    result = {name: statistics.median(values) if values else None for name, values in samples.items()}
    result["arch"] = arch
    result["runs"] = {name: len(values) for name, values in samples.items()}
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=9)
    args = parser.parse_args()
    result = measure(args.runs)
    for name in ("tolvane", "blank"):
        value = result[name]
        print(f"{name:<8} painted {value:.3f} s" if value is not None else f"{name:<8} never painted")


if __name__ == "__main__":
    main()
