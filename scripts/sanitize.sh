#!/usr/bin/env bash
# Builds the whole test suite (and dapsim, which the integration tests start) with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer, no recovery, into build-asan/, and runs
# ctest there. Arguments go to ctest (for example scripts/sanitize.sh -R codec).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --clang

build=build-asan
jobs=${DAP_JOBS:-$(nproc 2>/dev/null || echo 2)}
flags="-O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=all"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DDAP_WERROR=ON \
  -DDAP_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
start=$(date +%s)
cmake --build "$build" -j"$jobs"
echo "sanitize: build took $(( $(date +%s) - start )) s"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp}
cd "$build"
ctest --output-on-failure --timeout 600 "$@"
