#!/usr/bin/env bash
# Measures how often the program wakes while idle, connected and logged in to a simulated
# processor on loopback (127.0.0.41, announcing to a port of its own). Arguments go to
# idle_wakeups (for example --seconds 10 --tab 8). Uses Xvfb when no display is set, so the
# figure includes the display connection.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake --build build --target idle_wakeups dapsim dap_translations stage_logo

work=$(mktemp -d)
sim=""
cleanup() {
  [ -n "$sim" ] && { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT
ln -s "$root/build/run/translations" "$work/translations"
ln -s "$root/build/run/image" "$work/image"

port=16741
build/bin/dapsim --address 127.0.0.41 --password 1234 --announce "127.0.0.1:$port" \
  --command-port 0 >/dev/null &
sim=$!

run=("$root/build/bin/idle_wakeups" --announce-port "$port" --password 1234 "$@")
if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  (cd "$work" && xvfb-run -a "${run[@]}")
else
  (cd "$work" && "${run[@]}")
fi
