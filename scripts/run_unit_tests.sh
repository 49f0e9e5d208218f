#!/usr/bin/env bash
# Runs the unit tests in one process (fast even with the sanitizers on) and
# ends with the closing line "N passed, M failed".
set -uo pipefail
cd "$(dirname "$0")/.."
out=$(mktemp)
build/unit/bin/unit_tests --gtest_brief=1 2>&1 | tee "$out"
status=${PIPESTATUS[0]}
total=$(sed -nE 's/^\[==========\] ([0-9]+) tests? from .* ran\..*/\1/p' "$out" | tail -1)
passed=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$out" | tail -1)
rm -f "$out"
total=${total:-0}
passed=${passed:-0}
failed=$((total - passed))
[ "$status" -eq 0 ] || [ "$failed" -gt 0 ] || failed=1
echo "$passed passed, $failed failed"
exit "$status"
