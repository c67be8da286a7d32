#!/usr/bin/env bash
# Runs a Windows test program under wine64 in a private prefix under the build folder, without
# GUI prompts or debug chatter. Used as CMAKE_CROSSCOMPILING_EMULATOR by the win64 build.
set -euo pipefail
build_dir="$(cd "$(dirname "$0")" && pwd)"
export WINEPREFIX="${VORLUNDA_WINEPREFIX:-$build_dir/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export DISPLAY=
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1 || true
    "${wine%/*}/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
fi
exec "$wine" "$@"
