#!/usr/bin/env bash
# A long fuzz run: RUNS executions of one target, then every input the run kept replayed under
# AddressSanitizer. The run itself uses build-fuzz/, a tree with UndefinedBehaviorSanitizer and
# fuzzer coverage but without ASan, which runs two to four times faster; the replay in
# build-asan/ (the tree of fuzz/run.sh) then checks the memory safety of all it reached.
# Exits non-zero when either finds anything; reproducers go to build-fuzz/fuzz/artifacts/.
# Usage: fuzz/long-run.sh TARGET [RUNS [JOBS]]   (RUNS defaults to 10000000, JOBS to 1)
# With JOBS > 1 the runs are shared by that many processes, which share one corpus folder.
# DAP_FUZZ_FLAGS adds libFuzzer flags, for example -max_len=1024.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

target=${1:?usage: fuzz/long-run.sh TARGET [RUNS]}
runs=${2:-10000000}
jobs=${3:-1}

scripts/install-deps.sh --clang
fast=$root/build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$fast" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDAP_WERROR=ON -DDAP_BUILD_BENCH=OFF -DDAP_BUILD_TESTS=OFF -DDAP_BUILD_FUZZ=ON \
  -DDAP_FUZZ_SANITIZERS=undefined -DCMAKE_CXX_FLAGS="-fno-omit-frame-pointer" >/dev/null
cmake --build "$fast" -j"${DAP_JOBS:-2}" --target "fuzz_$target" >"$fast/fuzz-build.log"

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
work=$fast/fuzz/corpus/$target
artifacts=$fast/fuzz/artifacts/$target/
logs=$fast/fuzz/$target-long
rm -rf "$logs"
mkdir -p "$work" "$artifacts" "$logs"
touch "$logs/started"
echo "fuzz: $target for $runs executions in $jobs process(es) (logs: $logs/)"
# Leak checks are off: Qt keeps allocations for the life of the process.
flags=(-runs=$((runs / jobs)) -timeout=10 -rss_limit_mb=2048 -detect_leaks=0 -print_final_stats=1
  -artifact_prefix="$artifacts")
read -r -a extra <<<"${DAP_FUZZ_FLAGS:-}"
flags+=("${extra[@]}")
if [ "$jobs" -gt 1 ]; then
  # Each worker writes fuzz-N.log in the working folder and picks up the others' finds.
  (cd "$logs" && "$fast/fuzz/fuzz_$target" "${flags[@]}" -jobs="$jobs" -workers="$jobs" \
    "$work" "$root/fuzz/corpus/$target" >"$logs/jobs.log" 2>&1) || true
else
  "$fast/fuzz/fuzz_$target" "${flags[@]}" "$work" "$root/fuzz/corpus/$target" \
    2>"$logs/fuzz-0.log" || true
fi
# Only this run's findings count. libFuzzer also keeps inputs that merely ran slowly
# (slow-unit-*, over 10 s); on a busy machine that is the scheduler, so they are listed to
# be timed again, not counted as faults.
found=$(find "$artifacts" -type f -newer "$logs/started" ! -name 'slow-unit-*')
slow=$(find "$artifacts" -type f -newer "$logs/started" -name 'slow-unit-*')
[ -n "$slow" ] && echo "fuzz: $target kept slow inputs, to time again on a quiet machine:" $slow
if [ -n "$found" ]; then
  echo "fuzz: $target FOUND A FAULT; see $logs/ and" $found >&2
  exit 1
fi
done_runs=$(grep -h '^stat::number_of_executed_units' "$logs"/fuzz-*.log | awk '{s += $2} END {print s + 0}')
echo "  $target executions: $done_runs in $jobs process(es)"
grep -h -E '^stat::(average_exec_per_sec|peak_rss_mb)' "$logs"/fuzz-*.log | sed "s/^/  $target /"
if [ "$done_runs" -lt "$runs" ]; then
  echo "fuzz: $target stopped after $done_runs of $runs executions; see $logs/" >&2
  exit 1
fi

# -runs=0 executes every input of the folders once and stops.
scripts/configure-asan.sh
cmake --build build-asan -j"${DAP_JOBS:-2}" --target "fuzz_$target" >"$fast/fuzz-build-asan.log"
echo "fuzz: replaying $(find "$work" -type f | wc -l) kept inputs of $target under ASan"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 "$root/build-asan/fuzz/fuzz_$target" -runs=0 \
  -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$artifacts" "$work" \
  2>"$fast/fuzz/$target-replay.log" \
  || { echo "fuzz: $target replay FOUND A FAULT" >&2; tail -n 40 "$fast/fuzz/$target-replay.log" >&2; exit 1; }
echo "fuzz: $target replay clean"
