#!/usr/bin/env bash
# The soak run of the Windows program under Wine: the x86_64 build of the
# same sources (soak-windows-x86_64 preset, shop on ports 8775/8776) under
# wine64, pressed at random against a shop that misbehaves at random. No
# sanitizers here: it passes on no hang, code 0 at every end and no crash.
# SOAK_SECONDS sets its length (default 60), SOAK_SEED replays a run. Ends
# with "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/../.."

seconds=${SOAK_SECONDS:-60}
# The program, its skin library and skin, and the probe that drives it.
if ! { cmake --preset soak-windows-x86_64 >/dev/null &&
  cmake --build --preset soak-windows-x86_64 --target tolvane SkinH_EL skin_default_file probe; }; then
  echo "the soak's Windows build failed"
  echo "0 passed, 1 failed"
  exit 1
fi

# Wine links the prefix's desktop into HOME: a home of the run's own keeps
# the program's shortcut out of the real one.
HOME=$(mktemp -d /tmp/tolvane-soak-wine-home.XXXXXX)
export HOME
trap 'rm -rf "$HOME"' EXIT

work=build/soak-windows-x86_64/logs
rm -rf "$work"
mkdir -p "$work"
echo "logs and backtraces: $work"
# In the foreground: Wine's console programs stop when a background process
# group touches the terminal. The driver keeps its own deadlines; this one
# only catches the driver itself.
timeout --foreground --kill-after=30 $((seconds + 900)) /usr/bin/python3 tests/soak/soak.py \
  --platform wine --bin build/soak-windows-x86_64/bin --work "$work" --seconds "$seconds"
status=$?
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
  echo "the soak driver itself hung"
  echo "0 passed, 1 failed"
fi
exit $status
