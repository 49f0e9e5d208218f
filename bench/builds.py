"""What the benchmarks need, installed and built the project's way: the setup
scripts, surf from Debian, and builds of their own in build/bench-* for the
benchmarks' shop ports."""

import os
import subprocess

from ports import BENCH_BUILD, OFFICIAL_PORT, REPO, SHOP_PORT

PEER_PACKAGES = ["surf"]


def _installed(package):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Status}", package], capture_output=True, text=True)
    return "install ok installed" in result.stdout


def setup(log):
    """Installs what is missing; the setup scripts do nothing when all is there."""
    for script in ("setup-linux.sh", "setup-windows-deps.sh"):
        path = os.path.join(REPO, "scripts", script)
        if os.path.exists(path):
            subprocess.run(["bash", path], check=True, stdout=subprocess.DEVNULL)
    missing = [package for package in PEER_PACKAGES if not _installed(package)]
    if missing:
        log(f"installing {' '.join(missing)}")
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "update", "-qq"], check=True, env=env)
        subprocess.run(["apt-get", "install", "-y", "-qq", "--no-install-recommends", *missing],
                       check=True, env=env, stdout=subprocess.DEVNULL)


def build(preset, log):
    """Configures and builds a preset into its bench folder; False when it
    does not build (its log says why)."""
    folder = BENCH_BUILD[preset]
    os.makedirs(folder, exist_ok=True)
    log_path = os.path.join(folder, "bench-build.log")
    log(f"building {preset} into {os.path.relpath(folder, REPO)}")
    with open(log_path, "w") as output:
        for command in (["cmake", "--preset", preset, "-B", folder, f"-DSHOP_HOST=127.0.0.1:{SHOP_PORT}",
                         f"-DOFFICIAL_HOST=127.0.0.1:{OFFICIAL_PORT}"],
                        ["cmake", "--build", folder, "-j2"]):
            if subprocess.run(command, cwd=REPO, stdout=output, stderr=subprocess.STDOUT).returncode:
                log(f"the {preset} build failed: see {os.path.relpath(log_path, REPO)}")
                return False
    return True
