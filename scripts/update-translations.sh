#!/usr/bin/env bash
# Refreshes translations/*.ts from the tr() texts under src/. Existing translations are
# kept; new texts arrive unfinished and need translating in the Chinese file (the English
# file only where it spells a text differently).
set -euo pipefail
cd "$(dirname "$0")/.."

LUPDATE=$(command -v lupdate6 || command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
"$LUPDATE" -silent -no-obsolete -locations none -source-language en \
    -target-language en src -ts translations/dapcontrol_english.ts
"$LUPDATE" -silent -no-obsolete -locations none -source-language en \
    -target-language zh_CN src -ts translations/dapcontrol_chinese.ts
