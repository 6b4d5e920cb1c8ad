#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: returns at once when everything is already present.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-5compat-dev libqt6sql6-sqlite qt6-tools-dev qt6-tools-dev-tools
  qt6-l10n-tools libgl-dev
  qt6-websockets-dev qt6-httpserver-dev prometheus
  libbenchmark-dev
  xvfb xauth xdotool python3
  dpkg-dev file
  fonts-dejavu-core fonts-noto-cjk
  tshark tcpdump
)
# The sanitizer build and the fuzz targets need clang with its runtime libraries.
if [ "${1:-}" = "--clang" ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
  else
    echo "install-deps: missing packages (${missing[*]}) and not root; install them first" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
# tshark's package asks whether non-root users may capture; the answer is no, without asking.
if command -v debconf-set-selections >/dev/null 2>&1; then
  echo "wireshark-common wireshark-common/install-setuid boolean false" |
    $SUDO debconf-set-selections
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
