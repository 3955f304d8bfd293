#!/usr/bin/env bash
# make_icon.sh SOURCE.svg OUT.ico: renders one SVG drawing at 16, 32 and 48 pixels and packs the
# images into an icon file twice over: 8-bit colour with a mask for 256-colour screens, then 32-bit
# colour with alpha. /usr/local/bin/convert may be another program, so ImageMagick is named in full.
set -euo pipefail
source=$1
out=$2
magick=${MAGICK:-/usr/bin/convert-im6.q16}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
deep=()
paletted=()
for size in 16 32 48; do
  rsvg-convert -w "$size" -h "$size" -o "$work/$size.png" "$source"
  # The 8-bit image has only a mask: half-transparent edge pixels become fully opaque or clear.
  "$magick" "$work/$size.png" -channel A -threshold 50% +channel -colors 256 "PNG8:$work/$size-8.png"
  deep+=("$work/$size.png")
  paletted+=("$work/$size-8.png")
done
args=()
for png in "${paletted[@]}"; do args+=(-b 8 "$png"); done
for png in "${deep[@]}"; do args+=(-b 32 "$png"); done
icotool -c -o "$out.tmp" "${args[@]}"
mv "$out.tmp" "$out"
