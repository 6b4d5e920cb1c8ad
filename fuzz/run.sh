#!/usr/bin/env bash
# Builds the fuzz targets (clang, coverage, ASan, UBSan) in build-asan/, the tree the
# sanitizer suite uses, and runs each for SECONDS (default 60), starting from the seed
# corpus in fuzz/corpus/<target>/. Exits non-zero when a target finds anything; the
# reproducer is left in build-asan/fuzz/artifacts/<target>/.
# Usage: fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(framestream announcements configfiles transfers backupfolder devicedb)

scripts/configure-asan.sh
build=$root/build-asan
if ! cmake --build "$build" -j"${DAP_JOBS:-2}" --target "${targets[@]/#/fuzz_}" \
    >"$build/fuzz-build.log"; then
  tail -n 60 "$build/fuzz-build.log" >&2
  exit 1
fi

export QT_QPA_PLATFORM=offscreen
# Qt keeps some allocations for the life of the process; leaks are not what we look for.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for t in "${targets[@]}"; do
  # Absolute paths: a target may change the working folder (configfiles does).
  work=$build/fuzz/corpus/$t
  artifacts=$build/fuzz/artifacts/$t/
  log=$build/fuzz/$t.log
  mkdir -p "$work" "$artifacts"
  echo "fuzz: $t for ${seconds}s"
  # The first folder collects what the run finds; the seeds in git stay as they are.
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts" "$work" "$root/fuzz/corpus/$t" \
      2>"$log"; then
    echo "fuzz: $t FOUND A FAULT; see $log and $artifacts" >&2
    tail -n 40 "$log" >&2
    status=1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" \
    | sed "s/^/  $t /" || true
done
exit $status
