#!/usr/bin/env bash
# Runs a Windows program under the build tree's private Wine prefix.
# Used by CTest as the cross-compiling emulator; expects DISPLAY to name a live X server
# (./quavory test wraps the run in xvfb-run).
#
# The program's output goes to a file and is printed once Wine returns: Wine's background
# services (started by whichever program comes first) inherit the standard handles, and a pipe
# they keep open would make CTest wait for ever.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
prog=$1; shift
case "$prog" in */*) ;; *) prog=./$prog ;; esac
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
wine "$prog" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
