#!/usr/bin/env bash
# Renders the main window on Qt's offscreen platform, connected and logged in to a simulated
# processor: docs/screenshot.png and docs/screenshot-chinese.png for the README, and every tab
# in both languages into docs/tabs/en and docs/tabs/zh (listed in docs/screenshots.md).
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

# In the order of the tab buttons (FuncWidget::Tab).
tabs=(in-level gate feedback in-filter in-limiter in-delay matrix signal out-level out-filter
      out-limiter out-delay preset settings security)
mkdir -p docs/tabs/en docs/tabs/zh
for i in "${!tabs[@]}"; do
  name=$(printf '%02d-%s.png' "$((i + 1))" "${tabs[$i]}")
  shoot --tab "$i" --out "$root/docs/tabs/en/$name"
  shoot --chinese --tab "$i" --out "$root/docs/tabs/zh/$name"
done
echo "screenshot.sh: wrote docs/screenshot.png, docs/screenshot-chinese.png and docs/tabs/"
