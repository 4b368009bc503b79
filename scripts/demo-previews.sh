#!/bin/sh
# Pictures of the built demo medium's skins, for comparing a change's effect
# byte for byte:  scripts/demo-previews.sh build /tmp/before  (then after the
# change into /tmp/after, and cmp the files).
set -e
build=${1:?usage: demo-previews.sh BUILD_DIR OUT_DIR}
out=${2:?usage: demo-previews.sh BUILD_DIR OUT_DIR}
tool=$build/bin/gatepoint-skin
commons=$build/demo-medium/Commons
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen QT_QPA_PLATFORMTHEME=
"$tool" preview "$commons/links" --out "$out/links-home.png"
"$tool" preview "$commons/links" --out "$out/links-tools.png" --open tools
"$tool" preview "$commons/links" --out "$out/links-focus.png" --focus run
"$tool" preview "$commons/links-alt" --out "$out/alt-home.png"
"$tool" preview "$commons/links-alt" --out "$out/alt-focus.png" --focus back
cd "$out" && sha256sum ./*.png
