#!/usr/bin/env bash
# Builds the program and starts it with one simulated processor on 127.0.0.2 (login password
# 1234). The simulator stops when the program exits.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY is not set); the program needs a desktop to show its window." >&2
  exit 1
fi

scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDAP_WERROR=ON
cmake --build build -j"$jobs" --target dapcontrol dapsim

build/bin/dapsim --address 127.0.0.2 --password 1234 --lock-password 42 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT

# The program works in build/run: translations, logo, cfg.dat and device.db live there.
cd "$root/build/run"
"$root/build/bin/dapcontrol"
