#!/bin/sh
# What every Windows test needs first: the build's own Wine prefix, made when
# missing (32-bit, the null graphics driver, since the tests have no display),
# and a persistent Wine server. WINEPREFIX comes from the win32 test preset
# or from ./test.sh; without it Wine would use ~/.wine, which no test may
# touch.
set -u
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine_up: WINEPREFIX is not set (run ctest --preset win32)" >&2
  exit 1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  if ! { wine wineboot -i && wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f &&
         wineserver -w; } >/dev/null 2>&1; then
    echo "wine_up: cannot make the Wine prefix $WINEPREFIX" >&2
    exit 1
  fi
fi
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
exit 0
