#!/usr/bin/env bash
# Installs what building and testing Quavory needs on a Debian 12 machine, as root.
# Idempotent: every step checks whether its work is already done, so a second run takes seconds.
#   scripts/setup.sh [build-root]     (default: ./build)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build_root=${1:-$here/build}
mkdir -p "$build_root"
build_root=$(cd "$build_root" && pwd)

log() { printf '[setup] %s\n' "$*"; }
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# ---------------------------------------------------------------- apt packages
packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg-dev libpng-dev zlib1g-dev libgumbo-dev libgif-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  xvfb xauth x11-utils imagemagick
  python3 python3-pil fonts-dejavu-core id3v2 sharutils tinyproxy dpkg-dev sqlite3
)
missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "adding the i386 architecture"
  as_root dpkg --add-architecture i386
  need_update=1
fi
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
# Source packages for the cross-built libraries.
if [ -f /etc/apt/sources.list.d/debian.sources ] && ! grep -q 'deb-src' /etc/apt/sources.list.d/debian.sources; then
  log "enabling deb-src"
  as_root sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  need_update=1
fi
if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list && ! grep -q '^deb-src ' /etc/apt/sources.list; then
  as_root sh -c "sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >> /etc/apt/sources.list"
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  log "installing: ${missing[*]:-(index only)}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || as_root apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# Wine: the i386 half and the 64-bit half go in together, in one transaction, so apt never
# resolves a conflict by dropping wine32. wine64 brings the native 64-bit server, which can read
# 32-bit processes' memory even when the 32-bit programs themselves run under an emulator; the
# preloader keeps the shared user data where the loader expects it.
wine_packages=(wine wine32:i386 wine64 wine32-preloader:i386)
wine_missing=()
for p in "${wine_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || wine_missing+=("$p")
done
if [ ${#wine_missing[@]} -gt 0 ]; then
  log "installing Wine: ${wine_packages[*]}"
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq "${wine_packages[@]}" >/dev/null
  as_root apt-mark manual "${wine_packages[@]}" >/dev/null
fi
for p in "${wine_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' \
    || { echo "[setup] $p is not installed after installing Wine" >&2; exit 1; }
done

# ------------------------------------ i386 programs: natively or through QEMU
"$here/scripts/i386-emulation.sh" "$build_root/i386"

# ------------------------------------------- i686 libraries from Debian sources
"$here/scripts/cross-libs.sh" "$build_root/cross"

# ------------------------------------------------------------ the Wine prefix
"$here/scripts/wine-prefix.sh" "$build_root/wineprefix"
log "ready"
