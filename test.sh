#!/usr/bin/env bash
# Builds every configuration and runs every test: Linux under AddressSanitizer
# and UndefinedBehaviorSanitizer, 32-bit Windows under Wine (where the kernel
# cannot run 32-bit programs: the 32-bit build checked without Wine, and the
# same sources built for 64-bit Windows and tested under 64-bit Wine). Installs
# what a fresh Debian 12 machine lacks first. Ends with one line "N passed, N
# failed".
#
#   ./test.sh                 all configurations
#   PRESETS="linux-asan" ./test.sh   only the ones named
#   ./test.sh --coverage      the Linux tests in a gcov build, then line and
#                             branch coverage of vx_lib_djvu_base/, ocr_plugin/
#                             and platform/ (build/coverage/ keeps the reports)
#   ./test.sh --lint          clang-tidy (.clang-tidy) and cppcheck on the
#                             project's code and tests; any finding fails
set -uo pipefail
cd "$(dirname "$0")"
top=$PWD

usage() {
  sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'
}
mode=test
case "${1:-}" in
  -h|--help) usage; exit 0 ;;
  --coverage) mode=coverage ;;
  --lint) mode=lint ;;
  "") ;;
  *) echo "test.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
esac
if [ $# -gt 1 ]; then
  echo "test.sh: one option at a time" >&2; usage >&2; exit 2
fi

presets=${PRESETS:-"linux linux-asan win32"}
# Presets whose tests run; the release build is only built.
test_presets=${TEST_PRESETS:-"linux-asan win32"}
if [ "$mode" = coverage ]; then
  presets=linux-coverage test_presets=linux-coverage
fi
jobs=$(nproc 2>/dev/null || echo 2)

log() { printf '== %s\n' "$*" >&2; }

# --- Install what is missing ------------------------------------------------
packages=(
  g++ make cmake python3 googletest libgtest-dev libbenchmark-dev clang
  g++-mingw-w64-i686-posix wine wine32:i386 locales dpkg-dev
  g++-mingw-w64-x86-64-posix wine64
  libtesseract-dev tesseract-ocr tesseract-ocr-eng tesseract-ocr-deu tesseract-ocr-fra libleptonica-dev
  libcairo2-dev libpango1.0-dev pkg-config fonts-dejavu-core libxml2-dev
  # Readers of lectorin-ocr's hOCR and ALTO: OCRmyPDF's hOCR transformer,
  # pdftotext and xmllint's schema check.
  ocrmypdf poppler-utils libxml2-utils
)
case $mode in
  coverage) packages+=(gcovr) ;;
  lint) packages+=(clang-tidy cppcheck) ;;
esac
. tools/install_packages.sh
if ! install_missing_packages; then
  echo "test.sh: could not install the build tools" >&2
  echo "0 passed, 1 failed"
  exit 1
fi

# --- Locales the tests need; Debian ships their data but generates none.
# de_DE.UTF-8 has a decimal comma (numbers in UTF-8 text ignore it) and gives
# Wine code page 1252; ja_JP.UTF-8 gives Wine the double-byte code page 932;
# de_DE.ISO-8859-1 is a code page without every character's other case.
make_locale() { # input charmap name listed-as
  locale -a 2>/dev/null | grep -qix "$4" && return 0
  log "generating the $3 locale"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo localedef -i "$1" -f "$2" "$3" >/dev/null 2>&1 ||
    echo "test.sh: could not generate $3; the tests that need it fail or skip" >&2
}
make_locale de_DE UTF-8 de_DE.UTF-8 de_DE.utf8
make_locale ja_JP UTF-8 ja_JP.UTF-8 ja_JP.utf8
make_locale de_DE ISO-8859-1 de_DE.ISO-8859-1 de_DE.iso88591

# --- Lint: both builds configured for their compile commands, nothing built.
if [ "$mode" = lint ]; then
  mkdir -p build
  for preset in linux-asan win32; do
    log "configuring $preset"
    if ! cmake --preset "$preset" >"build/$preset.log" 2>&1; then
      cat "build/$preset.log" >&2
      echo "0 passed, 1 failed"
      exit 1
    fi
  done
  python3 tools/lint.py build/linux-asan build/win32 --jobs "$jobs"
  exit
fi

# --- Wine: a fresh prefix with the null graphics driver ----------------------
# Some kernels have their 32-bit emulation switched off (a boot parameter):
# there no 32-bit program runs, Wine's 32-bit loader included. The 32-bit
# build is then still built and checked without Wine (export and import
# lists), and its tests run in the 64-bit Windows build under 64-bit Wine.
runs_32bit=yes
/usr/lib/wine/wine --version >/dev/null 2>&1 || runs_32bit=no
if [ "$mode" = test ] && [ "$runs_32bit" = no ]; then
  log "this machine cannot run 32-bit programs: the win32 build is checked without Wine, the Windows tests run in win64"
  if [ -z "${PRESETS:-}" ]; then
    presets="linux linux-asan win32 win64"
    test_presets=${TEST_PRESETS:-"linux-asan win32 win64"}
  fi
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winedbg.exe=d"
unset DISPLAY
# Sets the Wine of a Windows preset: its loader, architecture and prefix.
use_wine() {
  case $1 in
    win64) wine=/usr/lib/wine/wine64 WINEARCH=win64 WINEPREFIX="$top/build/wineprefix64" ;;
    *) wine=wine WINEARCH=win32 WINEPREFIX="$top/build/wineprefix" ;;
  esac
  export WINEARCH WINEPREFIX
}
start_wine() {
  log "creating the Wine prefix ($WINEARCH)"
  wineserver -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$wine" wineboot -i >/dev/null 2>&1 &&
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 &&
    wineserver -w || return 1
  # A persistent server started outside CTest, so that no test waits for it.
  wineserver -p </dev/null >/dev/null 2>&1
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1
}

# --- The whole road's pages and what the Linux build reads in them -----------
# The Windows whole-road test (launcher_tests, WholeRoad) sends these pages
# through the launcher and the editor and compares the words and boxes it
# gets with the release Linux build's, made here first. Without the Linux
# build the test skips and says so.
prepare_whole_road() {
  local road=build/whole-road linux=build/linux/bin
  rm -rf "$road"
  [ -x "$linux/lectorin-ocr" ] && [ -x "$linux/lectorin-pagegen" ] || return 0
  mkdir -p "$road/pages"
  cp ../shared/testdata/phototest.tif ../shared/testdata/eurotext.tif "$road/pages/" 2>/dev/null || return 0
  log "the whole road's pages, read by the Linux build"
  "$linux/lectorin-pagegen" --sample en --dpi 300 -o "$road/pages/generated.png" >/dev/null &&
    "$linux/lectorin-ocr" -q -j 1 -o "$road/linux" "$road/pages/phototest.tif" \
      "$road/pages/eurotext.tif" "$road/pages/generated.png" ||
    { echo "test.sh: the Linux build could not read the whole road's pages" >&2; rm -rf "$road/linux"; return 1; }
}

# --- Build and test ----------------------------------------------------------
mkdir -p build
failed_steps=0
ran=()
whole_road_prepared=
for preset in $presets; do
  # The Windows engine's Tesseract, cross-built once per toolchain and then
  # taken from its cache (the configure step asks the same script, which then
  # answers at once).
  case $preset in
    win32 | win64)
      toolchain=cmake/mingw${preset#win}.cmake
      if ! tools/build_windows_tesseract.sh "$toolchain" >/dev/null; then
        failed_steps=$((failed_steps + 1)); continue
      fi ;;
  esac
  log "configuring $preset"
  # Tests are built in every configuration, whatever ./ocr.sh configured.
  if ! cmake --preset "$preset" -DLECTORIN_TESTS=ON >"build/$preset.log" 2>&1; then
    cat "build/$preset.log" >&2; failed_steps=$((failed_steps + 1)); continue
  fi
  log "building $preset"
  if ! cmake --build --preset "$preset" -j "$jobs" >>"build/$preset.log" 2>&1; then
    grep -E 'error|Error' "build/$preset.log" | head -40 >&2
    failed_steps=$((failed_steps + 1)); continue
  fi
  rm -f "build/$preset.log"
  case " $test_presets " in *" $preset "*) ;; *) continue ;; esac
  ctest_options=()
  case $preset in
    win32 | win64)
      use_wine "$preset"
      if [ -z "$whole_road_prepared" ] && ! prepare_whole_road; then
        failed_steps=$((failed_steps + 1))
      fi
      whole_road_prepared=yes
      if [ "$preset" = win32 ] && [ "$runs_32bit" = no ]; then
        ctest_options=(--label-exclude wine)
      elif ! start_wine; then
        echo "test.sh: could not create the Wine prefix" >&2
        failed_steps=$((failed_steps + 1)); continue
      fi ;;
  esac
  # Counts of an earlier run would add to this one's.
  [ "$mode" = coverage ] && find "build/$preset" -name '*.gcda' -delete
  results="build/$preset/tests/results"
  rm -rf "$results"; mkdir -p "$results"
  log "testing $preset"
  ctest --preset "$preset" "${ctest_options[@]}" --output-junit "$top/$results/ctest.xml" || true
  ran+=("$results")
  case $preset in win32 | win64) wineserver -k >/dev/null 2>&1 ;; esac
done

# Both builds must give the same bytes for the same scripted pages.
a=build/linux-asan/tests/results/scenarios b=build/win32/tests/results/scenarios
[ "$runs_32bit" = no ] && b=build/win64/tests/results/scenarios
if [ "$mode" = test ] && [ -d "$a" ] && [ -d "$b" ]; then
  if diff -r "$a" "$b" >build/scenario-diff.log 2>&1; then
    log "the builds gave identical results for $(ls "$a" | wc -l) scenario groups"
  else
    echo "test.sh: the Linux and Windows builds differ on the scripted pages:" >&2
    head -40 build/scenario-diff.log >&2
    failed_steps=$((failed_steps + 1))
  fi
fi

# Coverage of the units the tests stand for: the build's gcov data, a table
# of lines and one of branches (exception paths of the compiler's own and
# unreachable branches left out), uncovered lines named per file.
if [ "$mode" = coverage ]; then
  log "coverage"
  if ! python3 tools/coverage_report.py build/linux-coverage build/coverage; then
    failed_steps=$((failed_steps + 1))
  fi
fi

# One line for everything: GoogleTest cases where an executable wrote its
# report, whole CTest tests otherwise (scripts, or a crash before the report).
python3 - "$failed_steps" "${ran[@]}" <<'PY'
import os, sys, xml.etree.ElementTree as ET
passed = 0
failed = int(sys.argv[1])
for results in sys.argv[2:]:
    try:
        ctest = ET.parse(os.path.join(results, "ctest.xml")).getroot()
    except (OSError, ET.ParseError):
        failed += 1
        continue
    for case in ctest.iter("testcase"):
        name = case.get("name")
        ok = case.get("status", "run") != "fail" and case.find("failure") is None
        report = os.path.join(results, name + ".xml")
        if os.path.exists(report):
            try:
                root = ET.parse(report).getroot()
                cases = list(root.iter("testcase"))
                bad = sum(1 for c in cases if c.find("failure") is not None)
                skipped = sum(1 for c in cases if c.get("result") == "skipped" or c.get("status") == "notrun")
                passed += len(cases) - bad - skipped
                failed += bad
                if not ok and bad == 0:
                    failed += 1
                continue
            except ET.ParseError:
                pass
        if ok:
            passed += 1
        else:
            failed += 1
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
PY
