#!/usr/bin/env bash
# Installs what building and testing the Windows program needs, on Debian 12:
# the MinGW-w64 toolchain, Debian's MinGW zlib, Wine (32-bit with wine32),
# Xvfb and a CJK font; then cross-compiles a static libpng from Debian's own
# source package into build/deps/mingw-<arch>. Skips every step already done.
#
# Where this machine cannot run 32-bit x86 code at all (some virtual machines
# have no 32-bit compatibility mode, so neither wine32 nor Wine's WoW64 runs a
# PE32 program), the tests run an x86_64 build of the same sources under
# wine64: for that the x86_64 toolchain and libpng are set up too.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
deps=$repo/build/deps

log() { echo "setup-windows-deps: $*"; }

export DEBIAN_FRONTEND=noninteractive
updated=0
apt_update() {
  if [ $updated -eq 0 ]; then
    apt-get update -qq
    updated=1
  fi
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

install_missing() {
  local missing=()
  for package in "$@"; do installed "$package" || missing+=("$package"); done
  if ((${#missing[@]})); then
    log "installing ${missing[*]}"
    apt_update
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# wine32 comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "adding the i386 architecture"
  dpkg --add-architecture i386
  updated=0
  apt_update
fi

install_missing g++-mingw-w64-i686 libz-mingw-w64-dev wine wine32:i386 wine64 \
  fonts-wine xvfb xauth x11-utils imagemagick fonts-noto-cjk dpkg-dev make python3 cmake \
  nsis p7zip-full liblnk-utils

# The x86_64 build is needed in any case: the soak under Wine runs it, and
# the Wine tests do on a machine that runs no 32-bit x86 code (wine32's loader
# is a 32-bit program).
install_missing g++-mingw-w64-x86-64
archs=(i686 x86_64)
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  log "this machine runs no 32-bit x86 code: the Wine tests will use an x86_64 build"
fi

# Debian's source packages: Debian 12 lists its archives in deb822 form.
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    log "enabling deb-src"
    sed -E 's/^Types:.*$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/tolvane-deb-src.sources
  elif [ -f /etc/apt/sources.list ]; then
    log "enabling deb-src"
    sed -nE 's/^deb (.*)$/deb-src \1/p' /etc/apt/sources.list >/etc/apt/sources.list.d/tolvane-deb-src.list
  fi
  updated=0
fi

# libpng's source, unpacked with Debian's patches applied.
mkdir -p "$deps/src"
source_dir=$(find "$deps/src" -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
if [ -z "$source_dir" ]; then
  log "fetching Debian's libpng1.6 source"
  apt_update
  # A mirror may lack the newest upload's source (seen with the security
  # archive): then the next version that it serves.
  (
    cd "$deps/src"
    apt-get source -qq libpng1.6 && exit 0
    for version in $(apt-cache showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -rV); do
      log "trying libpng1.6 $version"
      apt-get source -qq "libpng1.6=$version" && exit 0
    done
    exit 1
  )
  source_dir=$(find "$deps/src" -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
fi
[ -n "$source_dir" ] || { log "no libpng source in $deps/src"; exit 1; }

for arch in "${archs[@]}"; do
  host=$arch-w64-mingw32
  prefix=$deps/mingw-$arch
  if [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/include/png.h" ]; then continue; fi
  log "building a static libpng for $host"
  work=$deps/libpng-build-$arch
  rm -rf "$work"
  mkdir -p "$work"
  (
    cd "$work"
    # Debian's MinGW zlib lives in the toolchain's own sysroot.
    "$source_dir/configure" --host="$host" --prefix="$prefix" --disable-shared --enable-static \
      CC="$host-gcc" AR="$host-ar" RANLIB="$host-ranlib" STRIP="$host-strip" \
      CPPFLAGS="-I/usr/$host/include" LDFLAGS="-L/usr/$host/lib" >configure.log
    make -j2 libpng16.la >make.log
    make install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS \
      install-binSCRIPTS install-pkgconfigDATA >install.log
    # The headers and the library also under their unversioned names, as FindPNG looks for them.
    ln -sf libpng16/png.h libpng16/pngconf.h libpng16/pnglibconf.h "$prefix/include/"
    ln -sf libpng16.a "$prefix/lib/libpng.a"
  )
  rm -rf "$work"
done
log "ready"
