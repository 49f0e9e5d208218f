#!/usr/bin/env bash
# The Windows program's end-to-end tests under Wine and Xvfb. Ends with one
# line "N passed, M failed" and a non-zero exit code on any failure.
#
# The windows are those of the 32-bit product under wine32. A machine that
# runs no 32-bit x86 code at all (some virtual machines lack the 32-bit
# compatibility mode that wine32 and Wine's WoW64 both need) gets an x86_64
# build of the same sources under wine64 instead; the checks of the product
# file itself (PE32, imports, resources) always read the 32-bit build.
set -uo pipefail
cd "$(dirname "$0")/../../.."
repo=$(pwd)

# Wine links the prefix's Desktop to $HOME: a home of the tests' own keeps the
# program's shortcuts out of the real one.
HOME=$(mktemp -d /tmp/tolvane-wine-home.XXXXXX)
export HOME
trap 'rm -rf "$HOME"' EXIT

product=$repo/build/windows/bin/tolvane.exe
if [ ! -f "$product" ]; then
  cmake --preset windows >/dev/null && cmake --build --preset windows || {
    echo "the Windows build failed"
    echo "0 passed, 1 failed"
    exit 1
  }
fi

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export TOLVANE_WINE_BIN=$repo/build/windows/bin TOLVANE_WINE_LOADER=wine TOLVANE_WINEARCH=win32
  echo "wine tests: the 32-bit build under wine32"
else
  build=$repo/build/windows-x86_64
  echo "wine tests: this machine runs no 32-bit code; the x86_64 build of the same sources under wine64"
  # What the tests run, each on its own: one that does not build fails its
  # own tests only.
  if ! cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null; then
    echo "the x86_64 Windows build does not configure"
    echo "0 passed, 1 failed"
    exit 1
  fi
  known=$(cmake --build "$build" --target help)
  for target in tolvane probe show_main_window show_notice_window SkinH_EL skin_check_win; do
    grep -qw "$target" <<<"$known" || continue
    cmake --build "$build" -j2 --target "$target" >"$build/build-$target.log" 2>&1 ||
      echo "the x86_64 target $target does not build: see $build/build-$target.log"
  done
  export TOLVANE_WINE_BIN=$build/bin TOLVANE_WINE_LOADER=/usr/lib/wine/wine64 TOLVANE_WINEARCH=win64
fi
export TOLVANE_PRODUCT_EXE=$product

# Bounded as a whole: a hung Wine must not hold the test command forever. In
# the foreground: Wine's console programs stop when a background process group
# touches the terminal.
timeout --foreground --kill-after=30 1200 /usr/bin/python3 tests/run_python_tests.py tests/e2e/wine
status=$?
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
  echo "the Wine tests took too long"
  echo "0 passed, 1 failed"
fi
exit $status
