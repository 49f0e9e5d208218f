"""One start of a program on the benchmarks' display, timed from exec to the
moments the screen shows what we wait for, polled straight from the X server
every few milliseconds."""

import subprocess
import time

from xscreen import pixel_counts

POLL = 0.01


class Mark:
    """Reached once every colour fills at least `pixels` pixels of the area."""

    def __init__(self, name, colours, pixels):
        self.name, self.colours, self.pixels = name, colours, pixels

    def reached(self, counts):
        return all(count >= self.pixels for count in counts)


def watch(screen, command, env, marks, area=None, cwd=None, timeout=60):
    """Starts the command and returns (process, {"mapped": s, mark name: s}).

    The pixels are read inside the largest window the process has mapped, or
    inside `area` (a fixed rectangle of the screen) when given: a program
    under Wine draws into Wine's own desktop window. A time is None when its
    moment did not come within the timeout."""
    times = {"mapped": None, **{mark.name: None for mark in marks}}
    colours = sorted({colour for mark in marks for colour in mark.colours})
    started = time.perf_counter()
    process = subprocess.Popen(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while time.perf_counter() - started < timeout and process.poll() is None:
        now = time.perf_counter() - started
        rect = area
        if rect is None:
            windows = screen.mapped_windows(process.pid)
            rect = windows[0] if windows else None
            if rect and times["mapped"] is None:
                times["mapped"] = now
        if rect:
            counts = dict(zip(colours, pixel_counts(screen.grab(rect), colours)))
            for mark in marks:
                if times[mark.name] is None and mark.reached([counts[c] for c in mark.colours]):
                    times[mark.name] = now
        if all(value is not None for name, value in times.items() if area is None or name != "mapped"):
            break
        time.sleep(POLL)
    return process, times


def area_clear(screen, area, marks):
    """True while no mark shows in the area: the last run's window is gone."""
    colours = sorted({colour for mark in marks for colour in mark.colours})
    counts = dict(zip(colours, pixel_counts(screen.grab(area), colours)))
    return not any(mark.reached([counts[c] for c in mark.colours]) for mark in marks)
