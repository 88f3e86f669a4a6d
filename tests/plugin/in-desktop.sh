#!/usr/bin/env bash
# Runs a Win32 GoogleTest program inside a Wine virtual desktop of a given size, so that the
# program sees a screen of exactly that size, and passes on its result.
#   in-desktop.sh WIDTH HEIGHT PROGRAM [ARGS...]
# Wine keeps the screen size of the display it started with for every later program of the same
# server, so a different width needs a desktop of its own. The program's exit status does not
# come back through the desktop's shell; its XML report does.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
w=$1 h=$2 prog=$3
shift 3
report=$(mktemp "${TMPDIR:-/tmp}/in-desktop.XXXXXX")
out=$report.out
rm -f "$report"
wine explorer "/desktop=quavory${w}x${h},${w}x${h}" "$prog" "$@" "--gtest_output=xml:Z:${report//\//\\}" >"$out" 2>&1 </dev/null
cat "$out"
rm -f "$out"
if [ ! -s "$report" ]; then
  echo "in-desktop: $prog wrote no report" >&2
  exit 1
fi
cat "$report"
if grep -q '<failure' "$report" || ! grep -q 'tests="[1-9]' "$report"; then
  rm -f "$report"
  exit 1
fi
rm -f "$report"
