#!/usr/bin/env bash
# Builds every fuzz entry (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in a build directory of its own and runs each,
# printing one line per entry: name, inputs run, inputs per second, coverage
# (libFuzzer's cov and ft at the end) and the outcome, with the input saved
# when it failed. Exits non-zero when any entry crashed, leaked, timed out or
# ran out of memory.
#
#   scripts/fuzz.sh [SECONDS] [--runs N] [--jobs J] [--only REGEX] [--build DIR]
#
#   SECONDS   time per entry (default 60, or no limit with --runs)
#   --runs    inputs per entry; with SECONDS too, whichever comes first
#   --jobs    entries fuzzed at the same time (default 2)
#   --only    entries whose name matches the extended regular expression
#   --build   the build directory (default build-fuzz)
#
# Each entry keeps what it found in DIR/corpus/NAME, so later runs go on from
# there; DIR/crashes holds failing inputs, DIR/logs the full output, and
# DIR/results.tsv the lines printed. Reproduce a failure with
# "DIR/.../fuzz_NAME DIR/crashes/FILE".
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)

seconds="" runs="" jobs=2 only="" build=build-fuzz
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    [0-9]*) seconds=$1; shift ;;
    *) echo "usage: $0 [SECONDS] [--runs N] [--jobs J] [--only REGEX] [--build DIR]" >&2; exit 2 ;;
  esac
done
[ -z "$seconds" ] && [ -z "$runs" ] && seconds=60
mkdir -p "$build"
build=$(cd "$build" && pwd)

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUELBO_FUZZ=ON -DQUELBO_SANITIZE=ON >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" --target fuzzers >"$build/build.log" 2>&1 || { tail -50 "$build/build.log"; exit 1; }

# Seeds made by the seed writers, afresh every time.
rm -rf "$build/seeds"
mkdir -p "$build/seeds" "$build/corpus" "$build/crashes" "$build/logs" "$build/work"
while IFS=$'\t' read -r kind name program _ _; do
  [ "$kind" = seeds ] && "$program" "$build/seeds"
done <"$build/fuzzers.tsv"

# Failures stop at the first report, so libFuzzer saves the input. Shorter
# allocation stacks and a smaller quarantine of freed memory keep an entry
# fast and its memory modest; a reproduction may run with the defaults.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1:malloc_context_size=8:quarantine_size_mb=32}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:abort_on_error=1:print_stacktrace=1}

# One entry: runs it and prints its line.
run_entry() {
  local name=$1 program=$2 seeds=$3 options=$4
  local log=$build/logs/$name.log corpus=$build/corpus/$name dirs=()
  mkdir -p "$corpus" "$build/work/$name"
  IFS=, read -r -a listed <<<"$seeds"
  for d in "${listed[@]}" "$build/seeds/$name"; do
    [ -n "$d" ] && [ -d "$d" ] && dirs+=("$d")
  done
  local limit=()
  [ -n "$seconds" ] && limit+=(-max_total_time="$seconds")
  [ -n "$runs" ] && limit+=(-runs="$runs")
  local status=0
  # shellcheck disable=SC2086  # options are separate flags
  (cd "$build/work/$name" && exec "$program" "${limit[@]}" -timeout=10 -print_final_stats=1 \
     -artifact_prefix="$build/crashes/$name-" $options "$corpus" "${dirs[@]}") >"$log" 2>&1 || status=$?
  local done_runs rate cov ft outcome saved
  done_runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  saved=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
  if [ "$status" -eq 0 ]; then
    outcome=ok
  else
    # The sanitizer's own report says more than libFuzzer's signal line.
    outcome="FAILED ($(grep -m1 -oE 'runtime error: .{0,100}' "$log" ||
      grep -m1 -oE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)[^(]*' "$log" || echo "exit $status"))"
    outcome+=" ${saved:+input: $saved }log: $log"
  fi
  printf '%-14s %12s runs %9s/s  cov %6s  ft %7s  %s\n' "$name" "${done_runs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "$outcome" |
    tee -a "$build/results.tsv"
  [ "$status" -eq 0 ]
}

: >"$build/results.tsv"
failed=0
running=0
while IFS=$'\t' read -r kind name program seeds options; do
  [ "$kind" = entry ] || continue
  if [ -n "$only" ] && ! [[ $name =~ $only ]]; then continue; fi
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  run_entry "$name" "$program" "$seeds" "$options" &
  running=$((running + 1))
done <"$build/fuzzers.tsv"
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done
exit $failed
