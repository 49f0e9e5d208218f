#!/usr/bin/env bash
# The soak run of the Linux program: built with AddressSanitizer and UBSan
# (the soak preset, shop on ports 8775/8776), pressed at random under Xvfb
# against a shop that misbehaves at random. SOAK_SECONDS sets its length
# (default 180), SOAK_SEED replays a run. Ends with "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/../.."

seconds=${SOAK_SECONDS:-180}
# The program, its skin library and skin, and its assets: nothing else is run.
if ! { cmake --preset soak >/dev/null &&
  cmake --build --preset soak --target tolvane SkinH_EL skin_default_file; }; then
  echo "the soak build failed"
  echo "0 passed, 1 failed"
  exit 1
fi

work=build/soak/logs
rm -rf "$work"
mkdir -p "$work"
echo "logs, backtraces and sanitizer reports: $work"
# The driver keeps its own deadlines; this one only catches the driver itself.
timeout --kill-after=30 $((seconds + 600)) /usr/bin/python3 tests/soak/soak.py \
  --platform linux --bin build/soak/bin --work "$work" --seconds "$seconds"
status=$?
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
  echo "the soak driver itself hung"
  echo "0 passed, 1 failed"
fi
exit $status
