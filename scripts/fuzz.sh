#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ (clang, ZORVIK_FUZZ=ON) and runs
# each for SECONDS (default 60), starting from its checked-in corpus in
# fuzz/corpus/<target>/.  New corpus entries go to a temporary folder, never
# into the tree.  Prints one line per target: seconds, executions,
# executions per second, findings.  Exits non-zero on any finding.
# Usage: scripts/fuzz.sh [seconds] [target-name-regex]
# Findings (the inputs that broke a target) are kept in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh fuzz
seconds=${1:-60}
filter=${2:-.}
dir=build-fuzz
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
fi
# Debug keeps Qt's own range checks; -O1 keeps the runs fast enough.
CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -G Ninja -DZORVIK_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" "${launcher[@]}" >/dev/null
cmake --build "$dir" --target fuzz -j "${FUZZ_JOBS:-$(nproc)}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings_dir="$PWD/$dir/findings"
mkdir -p "$findings_dir"
# Leaks are left to the test suite's sanitizer build (Qt keeps caches for the
# whole run); files the targets write go to memory, not to the disk.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TMPDIR=${FUZZ_TMPDIR:-/dev/shm}
[ -w "$TMPDIR" ] || export TMPDIR=/tmp
export LC_ALL=C.UTF-8

failed=0
printf '%-22s %8s %12s %10s %s\n' target seconds executions exec/s findings
for bin in "$dir"/bin/fuzz_*; do
  name=$(basename "$bin")
  [[ $name =~ $filter ]] || continue
  corpus="$work/$name"
  mkdir -p "$corpus"
  log="$work/$name.log"
  start=$(date +%s)
  status=0
  # The first corpus folder takes what is new; the checked-in one is only read.
  "$bin" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings_dir/$name-" "$corpus" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  elapsed=$(($(date +%s) - start))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  found=0
  if [ "$status" -ne 0 ]; then
    found=1
    failed=1
  fi
  printf '%-22s %8s %12s %10s %s\n' "$name" "$elapsed" "${execs:-?}" "${rate:-?}" "$found"
  if [ "$found" -ne 0 ]; then
    grep -E "broken invariant|ERROR|SUMMARY|Test unit written" "$log" | head -8 | sed 's/^/    /'
  fi
done
exit "$failed"
