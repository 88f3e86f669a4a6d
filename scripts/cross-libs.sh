#!/usr/bin/env bash
# Cross-builds zlib, libpng and libjpeg-turbo for i686 Windows from Debian's source packages,
# once, into <dir>/prefix. A stamp file per library makes later runs return at once.
#   scripts/cross-libs.sh <dir>
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: cross-libs.sh <dir>}
mkdir -p "$dir/src" "$dir/prefix"
dir=$(cd "$dir" && pwd)
prefix=$dir/prefix
toolchain=$here/cmake/mingw-i686.cmake
log() { printf '[cross-libs] %s\n' "$*"; }
jobs=$(nproc)

fetch() { # fetch <source package>: unpacks it under src/ and prints the directory
  local pkg=$1
  local found
  found=$(find "$dir/src" -maxdepth 1 -mindepth 1 -type d -name "${2:-$pkg}-*" | head -n1)
  if [ -z "$found" ]; then
    # The newest version may be missing from a mirror (security updates often are): try each
    # version the source index lists until one downloads.
    local ok=
    for v in "" $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -ru); do
      if (cd "$dir/src" && apt-get source -qq "$pkg${v:+=$v}" >/dev/null 2>&1); then ok=1; break; fi
    done
    [ -n "$ok" ] || { echo "apt-get source $pkg failed" >&2; exit 1; }
    found=$(find "$dir/src" -maxdepth 1 -mindepth 1 -type d -name "${2:-$pkg}-*" | head -n1)
  fi
  echo "$found"
}

if [ ! -f "$dir/zlib.stamp" ]; then
  log "zlib"
  src=$(fetch zlib zlib)
  # The Debian source drops zlib's Windows makefile; the library is a handful of C files.
  rm -rf "$dir/build-zlib" && mkdir -p "$dir/build-zlib"
  for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
    i686-w64-mingw32-gcc-posix -O2 -c "$src/$f.c" -o "$dir/build-zlib/$f.o"
  done
  i686-w64-mingw32-gcc-ar-posix rcs "$src/libz.a" "$dir"/build-zlib/*.o
  install -d "$prefix/include" "$prefix/lib"
  install -m644 "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
  install -m644 "$src/libz.a" "$prefix/lib/"
  touch "$dir/zlib.stamp"
fi

if [ ! -f "$dir/png.stamp" ]; then
  log "libpng"
  src=$(fetch libpng1.6 libpng1.6)
  cmake -S "$src" -B "$dir/build-png" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" >/dev/null
  cmake --build "$dir/build-png" -j "$jobs" >/dev/null
  cmake --install "$dir/build-png" >/dev/null
  touch "$dir/png.stamp"
fi

if [ ! -f "$dir/jpeg.stamp" ]; then
  log "libjpeg-turbo"
  src=$(fetch libjpeg-turbo libjpeg-turbo)
  cmake -S "$src" -B "$dir/build-jpeg" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG8=OFF >/dev/null
  cmake --build "$dir/build-jpeg" -j "$jobs" >/dev/null
  cmake --install "$dir/build-jpeg" >/dev/null
  touch "$dir/jpeg.stamp"
fi
