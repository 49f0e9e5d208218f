"""The sizes of the Windows release files as built: the 32-bit product and,
beside it, the x86_64 build of the same sources."""

import os

from ports import BENCH_BUILD

FILES = ["tolvane.exe", "SkinH_EL.dll"]


def measure():
    """{file: {"windows": bytes or None, "windows-x86_64": bytes or None}}."""
    sizes = {}
    for name in FILES:
        sizes[name] = {}
        for preset in ("windows", "windows-x86_64"):
            path = os.path.join(BENCH_BUILD[preset], "bin", name)
            sizes[name][preset] = os.path.getsize(path) if os.path.exists(path) else None
    return sizes
