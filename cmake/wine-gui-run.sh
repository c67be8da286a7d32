#!/usr/bin/env bash
# Runs a Windows GUI test program under wine64 on the X display in DISPLAY (see scripts/with-xvfb),
# in the build folder's private prefix. Without a window manager the X11 driver must not manage
# windows (Managed=N), or every hidden or destroyed top-level window waits a 2 s time-out.
# Arguments that are absolute Unix paths are handed to the program as Windows paths (Z:).
set -euo pipefail
build_dir="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${DISPLAY:-}" ]; then
    echo "SKIPPED: no X display; run the tests under scripts/with-xvfb"
    exit 77
fi
export WINEPREFIX="${VORLUNDA_WINEPREFIX:-$build_dir/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1 || true
fi
if ! grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg"; then
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    "${wine%/*}/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
fi
args=()
for a in "$@"; do
    if [[ "$a" == /* && ${#args[@]} -gt 0 ]]; then
        a="Z:${a//\//\\}"
    fi
    args+=("$a")
done
exec "$wine" "${args[@]}"
