#!/usr/bin/env bash
# Runs a Windows program under the build tree's private Wine prefix.
# Used by CTest as the cross-compiling emulator; expects DISPLAY to name a live X server
# (./quavory test wraps the run in xvfb-run).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
prog=$1; shift
case "$prog" in */*) ;; *) prog=./$prog ;; esac
exec wine "$prog" "$@"
