#!/bin/sh
# What every Windows test needs first: the build's own Wine prefix, made when
# missing (with the null graphics driver, since the tests have no display),
# and a persistent Wine server. WINEPREFIX and WINEARCH come from the test
# preset or from ./test.sh; without them Wine would use ~/.wine, which no
# test may touch.
#
#   wine_up.sh WINE      WINE: the loader of the build (wine, or wine64)
set -u
wine=${1:-wine}
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine_up: WINEPREFIX is not set (run ctest --preset win32)" >&2
  exit 1
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  if ! { "$wine" wineboot -i &&
         "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f &&
         wineserver -w; } >/dev/null 2>&1; then
    echo "wine_up: cannot make the Wine prefix $WINEPREFIX" >&2
    exit 1
  fi
fi
wineserver -p </dev/null >/dev/null 2>&1
"$wine" cmd /c exit </dev/null >/dev/null 2>&1
exit 0
