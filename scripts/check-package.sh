#!/usr/bin/env bash
# Builds the Debian package from a configured build folder, unpacks it into a throwaway root
# and starts the installed program there offscreen, as a user would from the desktop menu
# (working folder: an empty home). Checks that it finds its translations from the install
# prefix and keeps cfg.dat and device.db in the user's data folder.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"
dpkg-deb -f "$deb" Depends | grep -q "libqt6sql6-sqlite" || { echo "missing Qt SQL driver dependency" >&2; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || { echo "missing Qt Widgets dependency" >&2; exit 1; }

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/dapcontrol usr/bin/dapsim usr/bin/dapctl \
         usr/share/dapcontrol/translations/language.dat \
         usr/share/dapcontrol/translations/dapcontrol_chinese.qm \
         usr/share/dapcontrol/image/logo.bmp usr/share/applications/dapcontrol.desktop \
         usr/share/icons/hicolor/scalable/apps/dapcontrol.svg; do
  [ -e "$root/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
"$root/usr/bin/dapctl" --help | grep -q "Exit codes" || { echo "dapctl does not run" >&2; exit 1; }
if [ -e "$root/usr/bin/dapbridge" ]; then
  for f in usr/lib/systemd/system/dapbridge.service usr/share/dapcontrol/dapbridge.sample.json; do
    [ -e "$root/$f" ] || { echo "not installed: $f" >&2; exit 1; }
  done
  "$root/usr/bin/dapbridge" --help | grep -q -- "--config" || { echo "dapbridge does not run" >&2; exit 1; }
  # The sample as installed is readable by all: the bridge must refuse it.
  if "$root/usr/bin/dapbridge" --config "$root/usr/share/dapcontrol/dapbridge.sample.json" \
       >/dev/null 2>&1; then
    echo "dapbridge took a configuration others can read" >&2; exit 1
  fi
fi

# The Wireshark plugin, when this build made one: in the folder tshark loads Lua plugins from.
if [ -f "$build/wireshark/dapnet.lua" ]; then
  plugin=$(ls "$root"/usr/lib/*/wireshark/plugins/dapnet.lua 2>/dev/null | head -n 1)
  [ -n "$plugin" ] || { echo "not installed: the Wireshark plugin dapnet.lua" >&2; exit 1; }
  if command -v tshark >/dev/null 2>&1; then
    lua_dir=$(tshark -G folders 2>/dev/null | sed -n 's/^Global Lua Plugins:[[:space:]]*//p')
    [ "$plugin" = "$root$lua_dir/dapnet.lua" ] ||
      { echo "dapnet.lua is not in Wireshark's Lua plugin folder $lua_dir" >&2; exit 1; }
    # tshark -G ignores -X lua_script: load it from a user's plugin folder instead.
    lhome="$work/lua-home"
    mkdir -p "$lhome/.local/lib/wireshark/plugins"
    cp "$plugin" "$lhome/.local/lib/wireshark/plugins/"
    HOME="$lhome" tshark -G protocols 2>/dev/null | grep -q "	dapnet$" ||
      { echo "tshark does not load the installed dapnet.lua" >&2; exit 1; }
    echo "Wireshark plugin: ${plugin#"$root"}, loaded by tshark"
  fi
fi

home="$work/home"
data="$home/.local/share/dapcontrol"
mkdir -p "$data"
# Chinese chosen before: the translation must come from the install prefix.
printf 'current lang:1\r\ncode:0\r\n' > "$data/cfg.dat"
log="$work/log"
(cd "$home" && HOME="$home" XDG_DATA_HOME= QT_QPA_PLATFORM=offscreen \
   QT_LOGGING_RULES="dap.*.debug=true" timeout 5 "$root/usr/bin/dapcontrol" >"$log" 2>&1) || true

fail=0
if grep -q -e "no language list" -e "not loaded" "$log"; then
  echo "the installed program did not find its translations:" >&2; fail=1
fi
[ -f "$data/device.db" ] || { echo "device.db not in the user's data folder" >&2; fail=1; }
grep -q "current lang:1" "$data/cfg.dat" || { echo "cfg.dat not read from the data folder" >&2; fail=1; }
if ls "$home" | grep -q -e cfg.dat -e device.db; then
  echo "files written to the working folder instead of the data folder" >&2; fail=1
fi
if [ "$fail" -ne 0 ]; then cat "$log" >&2; exit 1; fi
echo "installed program: translations from the prefix, files in $data"
