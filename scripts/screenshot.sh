#!/usr/bin/env bash
# Renders the main window on Qt's offscreen platform, connected and logged in to a simulated
# processor, into docs/screenshot.png (docs/screenshot-chinese.png with the second language).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake --build build --target dapscreenshot dapsim
mkdir -p docs

work=$(mktemp -d)
sim=""
cleanup() {
  [ -n "$sim" ] && { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT

ln -s "$root/build/run/translations" "$work/translations"
ln -s "$root/build/run/image" "$work/image"

# Loopback only; a port of its own so a running ./run.sh is not disturbed.
port=16739
build/bin/dapsim --address 127.0.0.39 --password 1234 --announce "127.0.0.1:$port" \
  --command-port 0 >/dev/null &
sim=$!

shoot() {
  rm -f "$work/cfg.dat" "$work/device.db"
  (cd "$work" && QT_QPA_PLATFORM=offscreen "$root/build/bin/dapscreenshot" \
     --announce-port "$port" --password 1234 "$@")
}
shoot --out "$root/docs/screenshot.png"
shoot --chinese --tab 13 --out "$root/docs/screenshot-chinese.png"
echo "screenshot.sh: wrote docs/screenshot.png and docs/screenshot-chinese.png"
