#!/usr/bin/env bash
# The Windows engine under Wine against the Linux engine: seconds per page
# inside one process, same pages, same run, and whether they read the same
# words with the same boxes.
#
#   bench/windows_bench.sh [RUNS]
#
# Pages: the shared scans (../shared/testdata: phototest, eurotext) and a
# generated 300 dpi page, as 8-bit gray. Each build reads every page RUNS
# times (default 5) after a first reading that loads the models; the medians
# are printed with their ratio (Windows / Linux). Builds the release
# configurations `linux` and `win32` (their engine_bench) first, and installs
# netpbm for turning the pages into gray PGM files. Where the kernel runs no
# 32-bit program, the 64-bit Windows build (`win64`, 64-bit Wine) stands in
# for the 32-bit one, and the output says so.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
case "$runs" in
  -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *[!0-9]*|"") echo "windows_bench.sh: RUNS must be a number" >&2; exit 2 ;;
esac

packages=(netpbm)
. "$top/tools/install_packages.sh"
install_missing_packages || { echo "windows_bench.sh: could not install netpbm" >&2; exit 2; }

build() { # preset targets...
  local preset=$1
  shift
  printf '== building %s\n' "$preset" >&2
  { cmake --preset "$preset" -S "$top" >/dev/null &&
    cmake --build "$top/build/$preset" -j2 --target "$@" >/dev/null; } ||
    { echo "windows_bench.sh: building $preset failed" >&2; exit 2; }
}
windows=win32 wine=wine arch=win32
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  windows=win64 wine=/usr/lib/wine/wine64 arch=win64
  echo "== this machine runs no 32-bit program: the 64-bit Windows build stands in" >&2
fi
build linux engine_bench lectorin-pagegen
build "$windows" engine_bench

work=$top/build/windows-bench
rm -rf "$work" && mkdir -p "$work"
testdata=$top/../shared/testdata
for name in phototest eurotext; do
  if [ -f "$testdata/$name.tif" ]; then
    tifftopnm "$testdata/$name.tif" 2>/dev/null | ppmtopgm >"$work/$name.pgm"
  fi
done
"$top/build/linux/bin/lectorin-pagegen" --sample en --dpi 300 --type gray -o "$work/generated.png" &&
  pngtopnm "$work/generated.png" | ppmtopgm >"$work/generated.pgm"
pages=("$work"/*.pgm)

export WINEARCH=$arch WINEPREFIX="$top/build/bench-wineprefix-$arch" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winedbg.exe=d"
unset DISPLAY
[ -d "$WINEPREFIX" ] || "$wine" wineboot -i >/dev/null 2>&1
wineserver -p >/dev/null 2>&1 </dev/null

printf '== load while measuring: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)" >&2
"$top/build/linux/bin/engine_bench" --runs "$runs" --words "$work/linux.words" "${pages[@]}" >"$work/linux.txt" ||
  { echo "windows_bench.sh: the Linux engine failed" >&2; exit 1; }
# Wine's Z: drive is the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
windows_pages=()
for page in "${pages[@]}"; do windows_pages+=("$(windows_path "$page")"); done
"$wine" "$top/build/$windows/bin/engine_bench.exe" --runs "$runs" --words "$(windows_path "$work/windows.words")" \
  "${windows_pages[@]}" | tr -d '\r' >"$work/windows.txt" ||
  { echo "windows_bench.sh: the Windows engine failed" >&2; exit 1; }

printf '%-16s %12s %12s %8s\n' page "Linux ms" "$windows ms" ratio
join <(awk '{print $1, $2}' "$work/linux.txt" | sort) <(awk '{print $1, $2}' "$work/windows.txt" | sort) |
  awk '{printf "%-16s %12.1f %12.1f %7.2fx\n", $1, $2, $3, $3 / $2}'
tr -d '\r' <"$work/windows.words" >"$work/windows.words.unix"
if cmp -s "$work/linux.words" "$work/windows.words.unix"; then
  echo "words and boxes: identical ($(wc -l <"$work/linux.words") words)"
else
  echo "words and boxes differ:"
  diff "$work/linux.words" "$work/windows.words.unix" | head -20
fi
