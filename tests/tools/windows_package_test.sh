#!/bin/sh
# The Windows package on its own: its files (the install rules the ZIP is
# made from) in an empty folder, run under Wine in a fresh prefix with no
# variable pointing anywhere, recognise a scanned page.
#
#   windows_package_test.sh CMAKE BUILD_DIR PAGE WINE WINEARCH
#
# Exit status 77 (skipped) when the page is missing.
set -u
cmake=$1 build=$2 page=$3 wine=$4 arch=$5
[ -f "$page" ] || { echo "no page $page: skipped"; exit 77; }
work=$(mktemp -d)
export WINEARCH=$arch WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winedbg.exe=d"
unset DISPLAY TESSDATA_PREFIX IRISlib
finish() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cmake" --install "$build" --prefix "$work/Lectorin" >/dev/null || fail "cannot install the package's files"
cp "$page" "$work/page.tif"
{ "$wine" wineboot -i && "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f &&
  wineserver -w; } >/dev/null 2>&1 || fail "cannot make a Wine prefix"
out=$(cd "$work/Lectorin" && "$wine" lectorin-ocr.exe -q 'Z:'"$(echo "$work/page.tif" | tr / '\\')" </dev/null)
status=$?
[ $status -eq 0 ] || fail "lectorin-ocr.exe exited with $status"
words=$(printf '%s' "$out" | grep -o '<WORD ' | wc -l)
[ "$words" -ge 20 ] || fail "only $words words: $out"
echo "the package alone read $words words"
