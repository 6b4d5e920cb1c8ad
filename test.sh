#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ and runs the test suites.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDAP_WERROR=ON
cmake --build build -j"$jobs"

export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure "$@"
