#!/usr/bin/env bash
# The run command: installs what is missing, builds the program and runs it
# against the bundled demo shop. With no display it runs under Xvfb, saves a
# screenshot and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-linux.sh
cmake --preset linux >/dev/null
cmake --build --preset linux

tools/shop_server/run_demo_shop.sh stop >/dev/null 2>&1 || true
tools/shop_server/run_demo_shop.sh "$@"
trap 'tools/shop_server/run_demo_shop.sh stop >/dev/null 2>&1 || true' EXIT

if [ -n "${DISPLAY:-}" ]; then
  build/linux/bin/tolvane
else
  /usr/bin/python3 scripts/headless_run.py build/linux/bin/tolvane build/screenshot.png
fi
