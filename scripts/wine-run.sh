#!/usr/bin/env bash
# Runs a Windows program under Wine (x86-64 loader) in the prefix named by WINEPREFIX, or in a
# scratch prefix under /tmp that is made once and reused.
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-${TMPDIR:-/tmp}/tavrelonim-wineprefix-$(id -u)}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
exec /usr/lib/wine/wine64 "$@"
