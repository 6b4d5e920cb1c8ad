#!/usr/bin/env bash
# Configures build-asan/: clang, AddressSanitizer and UndefinedBehaviorSanitizer without
# recovery, the whole tree with fuzzer coverage. The sanitizer suite (scripts/sanitize.sh)
# and the fuzz targets (fuzz/run.sh) share this one tree, so CI compiles it once.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --clang
CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDAP_WERROR=ON -DDAP_BUILD_BENCH=OFF -DDAP_BUILD_FUZZ=ON \
  -DCMAKE_CXX_FLAGS="-fno-omit-frame-pointer" >/dev/null
