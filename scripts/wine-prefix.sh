#!/usr/bin/env bash
# Creates the private 32-bit Wine prefix the Win32 tests and the demo run in:
# Wine's own fonts installed (Debian's Wine does not load them otherwise), replacements for the
# common Windows faces, and no window manager (closing a captioned window then does not stall).
#   scripts/wine-prefix.sh <prefix-dir>
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh <prefix-dir>}
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
stamp=$prefix/.quavory-ready
[ -f "$stamp" ] && exit 0
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
echo "[wine-prefix] creating $prefix"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
reg() { wine reg add "$@" /f >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Arial' /t REG_SZ /d 'Liberation Sans'
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /t REG_SZ /d 'Liberation Mono'
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /t REG_SZ /d 'Liberation Serif'
reg 'HKCU\Software\Wine\X11 Driver' /v 'Managed' /t REG_SZ /d 'N'
reg 'HKCU\Software\Wine\X11 Driver' /v 'Decorated' /t REG_SZ /d 'N'
wineserver -w
touch "$stamp"
