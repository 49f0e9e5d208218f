"""A process and everything it started (a WebKit browser's web and network
processes), read from /proc: their resident memory summed, and their end."""

import os
import signal
import time


def _parents():
    parents = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                # The name may hold spaces and brackets: the fields follow the last ')'.
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents[int(entry)] = int(fields[1])
    return parents


def tree(pid):
    """The pid and every descendant's, parents before children."""
    parents = _parents()
    children = {}
    for child, parent in parents.items():
        children.setdefault(parent, []).append(child)
    found, queue = [], [pid]
    while queue:
        current = queue.pop(0)
        found.append(current)
        queue.extend(sorted(children.get(current, [])))
    return found


def name(pid):
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return "?"


def memory_kib(pid):
    """{"pss": KiB, "rss": KiB} of one process (PSS splits shared pages
    between the processes that map them, so a sum over a tree counts each
    page once)."""
    figures = {"pss": 0, "rss": 0}
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                key, _, rest = line.partition(":")
                if key in ("Pss", "Rss"):
                    figures[key.lower()] = int(rest.split()[0])
    except OSError:
        pass
    return figures


def tree_memory_kib(pid):
    """Summed PSS and RSS over the tree, and the names of the processes counted."""
    total = {"pss": 0, "rss": 0}
    names = []
    for member in tree(pid):
        figures = memory_kib(member)
        total["pss"] += figures["pss"]
        total["rss"] += figures["rss"]
        names.append(name(member))
    return total, names


def kill_tree(process, timeout=10):
    """Ends a process we started and what it started, by their pids, and
    waits until they are gone (their windows with them)."""
    members = tree(process.pid)
    for member in reversed(members):
        try:
            os.kill(member, signal.SIGKILL)
        except ProcessLookupError:
            pass
    process.wait(timeout)
    deadline = time.time() + timeout
    while time.time() < deadline and any(_alive(m) for m in members[1:]):
        time.sleep(0.05)


def _alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False
