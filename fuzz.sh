#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs one of them, or each in turn, for the
# given time. Corpora live in fuzz/corpus/<target>/: seeds/ is kept in the
# repository, generated/ (what the fuzzer finds) is not. A finding is saved
# as build/fuzz/findings/<target>/crash-* and ends the run with status 1.
#
#   ./fuzz.sh                     every target, 60 seconds each
#   ./fuzz.sh TARGET [SECONDS]    one target (or "all"), SECONDS each
#   ./fuzz.sh --list              the targets
#   FUZZ_RUNS=N ./fuzz.sh ...     stop a target after N executions as well
#   FUZZ_NICE=N                   run the fuzzer at niceness N (default 10)
#
# Targets: options, pix, run_length, xml_tags, message_lookup, strings,
# hidden_text. Each run prints one line "TARGET: N executions in S s".
set -uo pipefail
cd "$(dirname "$0")"
top=$PWD

targets=(options pix run_length xml_tags message_lookup strings hidden_text)

usage() {
  sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'
}

case "${1:-}" in
  -h|--help) usage; exit 0 ;;
  --list) printf '%s\n' "${targets[@]}"; exit 0 ;;
  -*) echo "fuzz.sh: unknown option '$1'" >&2; usage >&2; exit 2 ;;
esac

target=${1:-all}
seconds=${2:-60}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "fuzz.sh: SECONDS must be a positive whole number, not '$seconds'" >&2
  exit 2
fi
if [ "$target" = all ]; then
  chosen=("${targets[@]}")
else
  target=${target%_fuzzer}
  case " ${targets[*]} " in
    *" $target "*) chosen=("$target") ;;
    *) echo "fuzz.sh: no target '$target'; targets: ${targets[*]}" >&2; exit 2 ;;
  esac
fi

packages=(clang cmake make)
. tools/install_packages.sh
if ! install_missing_packages; then
  echo "fuzz.sh: could not install clang" >&2
  exit 1
fi

build=build/fuzz
mkdir -p build
log() { printf '== %s\n' "$*" >&2; }
log "building ${chosen[*]} in $build"
if ! CC=clang CXX=clang++ cmake -S . -B "$build" -DLECTORIN_FUZZ=ON -DLECTORIN_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$build.log" 2>&1 ||
  ! cmake --build "$build" -j "${FUZZ_JOBS:-2}" \
    --target "${chosen[@]/%/_fuzzer}" >>"$build.log" 2>&1; then
  grep -E 'error|Error' "$build.log" | head -40 >&2
  echo "fuzz.sh: the build failed (see $build.log)" >&2
  exit 1
fi

status=0
for name in "${chosen[@]}"; do
  corpus=fuzz/corpus/$name
  findings=$build/findings/$name
  mkdir -p "$corpus/generated" "$corpus/seeds" "$findings"
  options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/"
           -rss_limit_mb=2048 -timeout=20)
  [ -n "${FUZZ_RUNS:-}" ] && options+=(-runs="$FUZZ_RUNS")
  [ -f "fuzz/${name}_fuzzer.dict" ] && options+=(-dict="fuzz/${name}_fuzzer.dict")
  log "fuzzing $name for ${seconds}s"
  run_log=$build/$name.log
  UBSAN_OPTIONS=print_stacktrace=1 nice -n "${FUZZ_NICE:-10}" "$build/bin/${name}_fuzzer" "${options[@]}" \
    "$corpus/generated" "$corpus/seeds" >"$run_log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run_log" | tail -1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$run_log" | tail -1)
  echo "$name: ${runs:-?} executions in ${took:-?} s"
  if [ $rc -ne 0 ]; then
    echo "fuzz.sh: $name found a fault (exit $rc); see $run_log and $findings/" >&2
    grep -E '^(==[0-9]+==ERROR|SUMMARY)|runtime error' "$run_log" | head -5 >&2
    status=1
  fi
done
exit $status
