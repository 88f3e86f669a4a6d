#!/usr/bin/env bash
# Makes sure this machine can run i386 Linux programs (Wine's 32-bit loader needs them).
# Where the kernel runs them itself nothing is done. Where it refuses them (a kernel booted with
# its 32-bit emulation switched off), QEMU's i386 user-mode emulator is fetched from Debian 13's
# qemu-user package, unpacked into the build tree and registered with binfmt_misc, so every i386
# program the kernel is asked to run goes through it. An existing registration is left alone.
# Prints one line saying which way it went and keeps it in <dir>/mode for later summaries.
#   scripts/i386-emulation.sh <dir>
# QV_I386=emulated takes the emulated road even where the kernel runs i386 programs itself (to try
# that road on such a machine, best inside a user namespace with a binfmt_misc mount of its own).
set -euo pipefail
dir=${1:?usage: i386-emulation.sh <dir>}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# Any i386 ELF from the Wine packages will do as a probe; the server exits after printing its version.
probe=/usr/lib/wine/wineserver32
runs_i386() { "$probe" --version >/dev/null 2>&1; }
say() { echo "$1" | tee "$dir/mode"; }

binfmt=/proc/sys/fs/binfmt_misc
if [ "${QV_I386:-}" != emulated ] && runs_i386; then
  if [ -e "$binfmt/qemu-i386" ] && grep -q '^enabled' "$binfmt/qemu-i386" 2>/dev/null; then
    qemu=$(sed -n 's/^interpreter //p' "$binfmt/qemu-i386")
    say "32-bit programs: emulated ($("$qemu" --version 2>/dev/null | sed -n '1s/.*version \([0-9.]*\).*/QEMU \1/p'))"
  else
    say "32-bit programs: native"
  fi
  exit 0
fi

# QEMU 7.2 (Debian 12) starts Wine but its processes die with unexpected traps; 10.x works.
qemu=$dir/qemu/usr/bin/qemu-i386
if [ ! -x "$qemu" ]; then
  echo "[i386] fetching QEMU's user-mode emulator from Debian 13"
  apt_dir=$dir/apt
  mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$dir/qemu"
  cat > "$apt_dir/sources/trixie.sources" <<SRC
Types: deb
URIs: http://deb.debian.org/debian
Suites: trixie
Components: main
Signed-By: /usr/share/keyrings/debian-archive-trixie-stable.gpg /usr/share/keyrings/debian-archive-trixie-automatic.gpg
SRC
  opts=(-o Dir::Etc::sourcelist=/dev/null -o Dir::Etc::sourceparts="$apt_dir/sources"
        -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
        -o APT::Architecture=amd64 -o APT::Architectures=amd64 -o Debug::NoLocking=1
        -o APT::Sandbox::User=root)
  apt-get "${opts[@]}" update -qq
  (cd "$apt_dir" && rm -f qemu-user_*.deb && apt-get "${opts[@]}" download -qq qemu-user)
  dpkg -x "$apt_dir"/qemu-user_*.deb "$dir/qemu"
fi
version=$("$qemu" --version | sed -n '1s/.*version \([0-9.]*\).*/\1/p')

if [ ! -e "$binfmt/register" ]; then
  as_root mount -t binfmt_misc binfmt_misc "$binfmt"
fi
if [ ! -e "$binfmt/qemu-i386" ]; then
  # F: the kernel opens the emulator once at registration, so the entry also works in a chroot.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  as_root sh -c "echo ':qemu-i386:M::$magic:$mask:$qemu:F' > $binfmt/register"
fi
runs_i386 || { echo "[i386] i386 programs still do not run after registering $qemu" >&2; exit 1; }
say "32-bit programs: emulated (QEMU $version)"
