#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs every
# test suite. Ends with one line "N passed, M failed" over all suites.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-linux.sh || exit 1
[ -x scripts/setup-windows-deps.sh ] && { bash scripts/setup-windows-deps.sh || exit 1; }

passed=0
failed=0
suites_failed=()
log_dir=build/test-logs
mkdir -p "$log_dir"

# Runs one suite, shows its output and adds its counts, read from the closing
# line its runner prints.
suite() {
  local name=$1
  shift
  echo "=== $name"
  local log="$log_dir/$name.log"
  "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local counts p f
  counts=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -1)
  if [ -n "$counts" ]; then
    p=${counts%% passed*}
    f=${counts#*, }
    f=${f%% failed*}
  elif counts=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1) && [ -n "$counts" ]; then
    f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$counts")
    p=$(($(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$counts") - f))
  else
    p=0
    f=1
  fi
  if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
  passed=$((passed + p))
  failed=$((failed + f))
  [ "$status" -eq 0 ] || suites_failed+=("$name")
}

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}

build_ok=1
build unit || build_ok=0
build linux || build_ok=0
[ $build_ok -eq 1 ] || { echo "the build failed"; echo "0 passed, 1 failed"; exit 1; }

suite unit bash scripts/run_unit_tests.sh
suite assets /usr/bin/python3 tests/run_python_tests.py assets/test_assets.py
suite shop-server /usr/bin/python3 tools/shop_server/test_shop_server.py
suite fetch-e2e /usr/bin/python3 tests/run_python_tests.py tests/e2e/fetch
suite linux-e2e /usr/bin/python3 tests/run_python_tests.py tests/e2e/linux

if [ -f tests/e2e/wine/run_wine_tests.sh ]; then
  if build windows; then
    suite wine-e2e bash tests/e2e/wine/run_wine_tests.sh
  else
    suites_failed+=(windows-build)
    failed=$((failed + 1))
  fi
fi

suite packages bash tests/e2e/packages/run_package_tests.sh
suite fuzz bash scripts/run_fuzzers.sh
suite bench-helpers /usr/bin/python3 tests/run_python_tests.py bench/test_helpers.py
suite soak-parts /usr/bin/python3 tests/run_python_tests.py tests/soak/test_soak_parts.py
suite soak bash tests/soak/run_soak.sh
suite soak-wine bash tests/soak/run_soak_wine.sh

echo
[ ${#suites_failed[@]} -eq 0 ] || echo "failed suites: ${suites_failed[*]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
