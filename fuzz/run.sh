#!/usr/bin/env bash
# Builds the fuzz targets with clang (coverage, ASan, UBSan) into build-fuzz/ and runs each
# for SECONDS (default 60), starting from the seed corpus in fuzz/corpus/<target>/.
# Exits non-zero when a target finds anything; the reproducer is left in
# build-fuzz/artifacts/<target>/. Usage: fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(framestream announcements configfiles)

scripts/install-deps.sh --clang

build=build-fuzz
jobs=${DAP_JOBS:-2}
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDAP_WERROR=ON -DDAP_BUILD_FUZZ=ON -DDAP_BUILD_TESTS=OFF -DDAP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
# Qt keeps some allocations for the life of the process; leaks are not what we look for.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for t in "${targets[@]}"; do
  work="$build/corpus/$t"
  artifacts="$build/artifacts/$t/"
  mkdir -p "$work" "$artifacts"
  echo "fuzz: $t for ${seconds}s"
  # The first folder collects what the run finds; the seeds in git stay as they are.
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$work" "fuzz/corpus/$t" \
      2>"$build/$t.log"; then
    echo "fuzz: $t FOUND A FAULT; see $build/$t.log and $artifacts" >&2
    tail -n 40 "$build/$t.log" >&2
    status=1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' \
    "$build/$t.log" | sed "s/^/  $t /" || true
done
exit $status
