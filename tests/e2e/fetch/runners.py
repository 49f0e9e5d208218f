"""How tolvane-fetch is run: natively on Linux, and the Windows build under
Wine. Each runner says why it cannot run, if it cannot."""

import os
import shutil
import struct
import subprocess

from .shop import REPO

LINUX_FETCH = os.path.join(
    os.environ.get("TOLVANE_BUILD", os.path.join(REPO, "build", "linux", "bin")), "tolvane-fetch")

# The product is the 32-bit build. A machine that runs no 32-bit x86 code runs
# an x86_64 build of the same sources under wine64 instead.
WINDOWS_FETCH_CANDIDATES = [
    os.environ.get("TOLVANE_FETCH_EXE", ""),
    os.path.join(REPO, "build", "windows", "bin", "tolvane-fetch.exe"),
    os.path.join(REPO, "build", "windows-x86_64", "bin", "tolvane-fetch.exe"),
    os.path.join(REPO, "build", "windows64", "bin", "tolvane-fetch.exe"),
]
WINE_LOADERS = {0x14C: "/usr/lib/wine/wine", 0x8664: "/usr/lib/wine/wine64"}
WINESERVER = "/usr/lib/wine/wineserver64"
WINE_PREFIX = os.environ.get("TOLVANE_FETCH_WINEPREFIX", os.path.join(REPO, "build", "wine-fetch-prefix"))


class LinuxRunner:
    name = "linux"

    def __init__(self):
        self.program = LINUX_FETCH
        self.env = dict(os.environ)
        for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
            self.env.pop(proxy, None)

    def unavailable(self):
        if not os.access(self.program, os.X_OK):
            return f"{self.program} is missing: build it with cmake --build --preset linux"
        return None

    def start(self):
        pass

    def stop(self):
        pass

    def command(self, args):
        return [self.program, *args]


def pe_machine(path):
    with open(path, "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", head, 0x3C)[0]
    if head[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", head, offset + 4)[0]


def loader_runs(loader):
    try:
        return subprocess.run([loader, "--version"], capture_output=True, timeout=60).returncode == 0
    except OSError:
        return False


class WineRunner:
    name = "wine"

    def __init__(self):
        self.program = self.loader = None
        self.reasons = []
        for candidate in WINDOWS_FETCH_CANDIDATES:
            if not candidate or not os.path.isfile(candidate):
                continue
            loader = WINE_LOADERS.get(pe_machine(candidate))
            if loader is None:
                self.reasons.append(f"{candidate} is not a Windows x86 program")
            elif not loader_runs(loader):
                self.reasons.append(f"{candidate} needs {loader}, which this machine cannot run")
            else:
                self.program, self.loader = candidate, loader
                break
        self.env = dict(os.environ, WINEPREFIX=WINE_PREFIX, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"):
            self.env.pop(proxy, None)
        self.server = None

    def unavailable(self):
        if not shutil.which("wine"):
            return "Wine is not installed (scripts/setup-windows-deps.sh installs it)"
        if self.program is None:
            found = "; ".join(self.reasons) or "no tolvane-fetch.exe was found"
            return (f"tolvane-fetch.exe cannot run under Wine here ({found}); build it with "
                    "cmake --preset windows && cmake --build --preset windows, or name it in TOLVANE_FETCH_EXE")
        return None

    def start(self):
        # One persistent wineserver for the whole table: each run then starts in
        # well under a second. The first run makes the prefix.
        os.makedirs(WINE_PREFIX, exist_ok=True)
        self.server = subprocess.Popen([WINESERVER, "-f", "-p"], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Wine's own services inherit the standard handles and outlive the run:
        # nothing may wait for them to close a pipe.
        subprocess.run([self.loader, "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)

    def stop(self):
        if self.server is not None:
            subprocess.run([WINESERVER, "-k"], env=self.env, capture_output=True, timeout=60)
            try:
                self.server.wait(30)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()

    def command(self, args):
        return [self.loader, self.program, *args]
