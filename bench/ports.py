"""The benchmarks' own shop ports and build folders, apart from the test
suites' (8765/8766, build/linux, build/windows...), so the two never collide."""

import os

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
SHOP_PORT, OFFICIAL_PORT = 8805, 8806
BENCH_BUILD = {preset: os.path.join(REPO, "build", f"bench-{preset}")
               for preset in ("linux", "windows", "windows-x86_64")}
