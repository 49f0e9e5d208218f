#!/usr/bin/env bash
# Builds the fuzzers of fuzz/ (preset "fuzz": clang, libFuzzer, ASan, UBSan) and
# runs each for a bounded time, starting from a copy of its seed corpus in
# fuzz/corpus/, so the repository is never changed. Installs what is missing
# first. Ends with one line "N passed, M failed", one count per fuzzer.
#
#   bash scripts/run_fuzzers.sh [target...]     e.g. url profile_file
#   FUZZ_SECONDS=300 bash scripts/run_fuzzers.sh
#
# An input that breaks a fuzzer is kept in build/fuzz/crashes/, its log in
# build/fuzz/logs/.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

seconds=${FUZZ_SECONDS:-25}

if ! bash scripts/install_missing.sh clang libclang-rt-14-dev llvm-14 cmake make; then
  echo "could not install what the fuzzers need"
  echo "0 passed, 1 failed"
  exit 1
fi

if (($#)); then
  targets=("$@")
else
  targets=()
  for source in fuzz/*_fuzzer.cpp; do
    name=${source##*/}
    targets+=("${name%_fuzzer.cpp}")
  done
fi

build=build/fuzz
if ! { cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; }; then
  echo "the fuzzers did not build"
  echo "0 passed, ${#targets[@]} failed"
  exit 1
fi

crashes=$build/crashes
logs=$build/logs
mkdir -p "$crashes" "$logs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
export UBSAN_OPTIONS=print_stacktrace=1

passed=0
failed=0
for target in "${targets[@]}"; do
  fuzzer=$build/bin/${target}_fuzzer
  log=$logs/$target.log
  if [ ! -x "$fuzzer" ] || [ ! -d "fuzz/corpus/$target" ]; then
    echo "FAIL $target: no fuzzer or no seed corpus of that name"
    failed=$((failed + 1))
    continue
  fi
  corpus=$work/$target
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  stamp=$work/$target.start
  touch "$stamp"
  # A single input that takes seconds is a hang, and a failure like a crash.
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$crashes/$target-" "$corpus" >"$log" 2>&1
  status=$?
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    echo "ok   $target: ${runs:-?} inputs in ${seconds} s, $(find "$corpus" -type f | wc -l) in the working corpus"
    passed=$((passed + 1))
  else
    echo "FAIL $target (exit status $status); log: $log"
    grep -E -m12 'property broken|^  .* at .*:[0-9]+$|ERROR: |runtime error|SUMMARY' "$log"
    find "$crashes" -name "$target-*" -newer "$stamp" | while read -r input; do
      echo "  kept: $input"
      echo "  reproduce: $fuzzer $input"
    done
    failed=$((failed + 1))
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
