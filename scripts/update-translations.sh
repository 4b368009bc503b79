#!/bin/bash
# Refreshes the translation sources from the code and fills the English one.
set -euo pipefail
cd "$(dirname "$0")/.."
LUPDATE=/usr/lib/qt5/bin/lupdate
"$LUPDATE" -silent -no-obsolete -locations none src -source-language it -target-language en -ts translations/gatepoint_en.ts
"$LUPDATE" -silent -no-obsolete -locations none src -source-language it -target-language it -ts translations/gatepoint_it.ts
python3 scripts/translate-en.py translations/gatepoint_en.ts
