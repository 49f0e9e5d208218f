"""The sanitizers' reports of one start of the program, read from the files
their log_path option makes (one per process, PREFIX.PID)."""

import glob
import os
import re

# The lines that open a report of each sanitizer.
_OPENING = re.compile(
    r"^(==\d+==ERROR: (AddressSanitizer|LeakSanitizer)|.*: runtime error: |"
    r"SUMMARY: (AddressSanitizer|UndefinedBehaviorSanitizer|LeakSanitizer))")
_FRAME = re.compile(r"^\s+#\d+ ")


def report_files(prefix):
    return sorted(path for path in glob.glob(prefix + ".*") if os.path.getsize(path) > 0)


def summarize(text, frames=6):
    """The report's first line and its first frames, for the soak's output."""
    lines = text.splitlines()
    start = next((i for i, line in enumerate(lines) if _OPENING.match(line)), 0)
    head = [lines[start]] if lines else []
    head += [line for line in lines[start + 1:] if _FRAME.match(line)][:frames]
    return "\n".join(head)


def reports(prefix):
    """(path, summary) of every non-empty log file under prefix."""
    found = []
    for path in report_files(prefix):
        with open(path, encoding="utf-8", errors="replace") as f:
            found.append((path, summarize(f.read())))
    return found
