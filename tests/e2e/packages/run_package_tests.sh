#!/usr/bin/env bash
# The packages' end-to-end tests. Builds the .deb, the portable zips and the
# installers (in the test command's builds for the default ports, in
# build/package-* for others), then installs, runs and removes them: the
# .deb with apt (so this needs root, as on CI), the Windows installer under
# Wine as an ordinary user. Ends with one line "N passed, M failed".
#
# TOLVANE_SHOP_PORT and TOLVANE_OFFICIAL_PORT (default 8765, 8766) are the
# ports the packaged programs are built for and the scripted shop listens on.
set -uo pipefail
cd "$(dirname "$0")/../../.."
repo=$(pwd)

export TOLVANE_SHOP_PORT=${TOLVANE_SHOP_PORT:-8765}
export TOLVANE_OFFICIAL_PORT=${TOLVANE_OFFICIAL_PORT:-8766}
export PYTHONDONTWRITEBYTECODE=1
hosts=(-DSHOP_HOST=127.0.0.1:$TOLVANE_SHOP_PORT -DOFFICIAL_HOST=127.0.0.1:$TOLVANE_OFFICIAL_PORT)
logs=$repo/build/package-logs
# For the default ports the packages come from the test command's own builds;
# other ports get builds of their own.
if [ "$TOLVANE_SHOP_PORT" = 8765 ] && [ "$TOLVANE_OFFICIAL_PORT" = 8766 ]; then
  linux_dir=build/linux windows_dir=build/windows windows64_dir=build/windows-x86_64
else
  linux_dir=build/package-linux windows_dir=build/package-windows
  windows64_dir=build/package-windows-x86_64
fi
mkdir -p "$logs"

passed=0
failed=0

# Runs one test module and adds the counts of its closing line.
run() {
  local name=$1
  shift
  "$@" 2>&1 | tee "$logs/$name.log"
  local counts
  counts=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$logs/$name.log" | tail -1)
  if [ -n "$counts" ]; then
    passed=$((passed + ${counts%% passed*}))
    counts=${counts#*, }
    failed=$((failed + ${counts%% failed*}))
  else
    echo "$name ended without its counts"
    failed=$((failed + 1))
  fi
}

broken() {
  echo "$1"
  failed=$((failed + 1))
}

# Configures a build directory of its own and builds the given targets.
build() {
  local preset=$1 dir=$2
  shift 2
  cmake --preset "$preset" -B "$dir" "${hosts[@]}" >"$logs/configure-$preset.log" 2>&1 &&
    cmake --build "$dir" -j2 &&
    cmake --build "$dir" -j2 --target "$@"
}

# Linux: the .deb.
if [ "$(id -u)" -ne 0 ]; then
  broken "the .deb tests install a package: run them as root"
elif build linux $linux_dir package; then
  TOLVANE_DEB=$(ls "$repo"/$linux_dir/packages/tolvane_*.deb | tail -1)
  export TOLVANE_DEB
  run deb timeout --foreground --kill-after=30 1800 \
    /usr/bin/python3 tests/run_python_tests.py tests/e2e/packages/test_deb.py
else
  broken "the .deb did not build"
fi

# Windows: the 32-bit release packages always; where no 32-bit code runs,
# also the same sources for x86_64, whose installer is the one run.
windows_ok=1
build windows $windows_dir portable_zip installer || {
  broken "the 32-bit Windows packages did not build"
  windows_ok=0
}
export TOLVANE_WIN32_BIN=$repo/$windows_dir/bin
export TOLVANE_WIN32_INSTALLER=$repo/$windows_dir/packages/tolvane-1.0.1.0-win32-setup.exe
export TOLVANE_WIN32_ZIP=$repo/$windows_dir/packages/tolvane-1.0.1.0-win32-portable.zip
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "package tests: the 32-bit installer under wine32"
  export TOLVANE_WINE_BIN=$TOLVANE_WIN32_BIN TOLVANE_WINE_LOADER=wine TOLVANE_WINEARCH=win32
  export TOLVANE_INSTALLER=$TOLVANE_WIN32_INSTALLER TOLVANE_PORTABLE_ZIP=$TOLVANE_WIN32_ZIP
else
  echo "package tests: this machine runs no 32-bit code; the x86_64 installer under wine64"
  packages=$repo/$windows64_dir/packages
  build windows-x86_64 $windows64_dir portable_zip installer || {
    broken "the x86_64 Windows packages did not build"
    windows_ok=0
  }
  export TOLVANE_WINE_BIN=$repo/$windows64_dir/bin
  export TOLVANE_WINE_LOADER=/usr/lib/wine/wine64 TOLVANE_WINEARCH=win64
  export TOLVANE_INSTALLER=$packages/tolvane-1.0.1.0-win64-setup.exe
  export TOLVANE_PORTABLE_ZIP=$packages/tolvane-1.0.1.0-win64-portable.zip
fi

if [ $windows_ok -eq 1 ]; then
  # As an ordinary user: root may write to any folder of Program Files.
  as_user=()
  if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  work=$(mktemp -d /tmp/tolvane-package-tests.XXXXXX)
  chmod 755 "$work"
  [ ${#as_user[@]} -eq 0 ] || chown nobody:nogroup "$work"
  run windows timeout --foreground --kill-after=30 1200 \
    "${as_user[@]}" env HOME="$work" TMPDIR="$work" \
    /usr/bin/python3 tests/run_python_tests.py tests/e2e/packages/test_windows_packages.py
  rm -rf "$work"
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
