#!/usr/bin/env bash
# Regenerates the program's small original images with ImageMagick; the results are committed.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The program's icon: a spectrum's peaks on a blue tile, the tallest apex marked.
for s in 48 32 16; do
  convert -size 48x48 xc:none \
    -fill '#1f4e9c' -stroke '#0d2b5e' -strokewidth 2 -draw 'roundrectangle 1,1 46,46 8,8' \
    -fill none -stroke white -strokewidth 3 \
    -draw 'polyline 5,40 12,40 15,30 18,40 22,40 26,8 30,40 34,40 37,24 40,40 44,40' \
    -fill '#ff5a36' -stroke none -draw 'circle 26,8 26,12' \
    -resize ${s}x${s} "$tmp/apexer-$s.png"
done
convert "$tmp/apexer-16.png" "$tmp/apexer-32.png" "$tmp/apexer-48.png" apexer.ico

# A telephone handset and a fax machine, 16 x 16.
convert -size 16x16 xc:none -fill '#303030' -stroke none \
  -draw 'roundrectangle 1,3 5,7 1,1' -draw 'roundrectangle 10,3 14,7 1,1' \
  -draw 'rectangle 3,3 12,5' -draw 'roundrectangle 2,9 13,14 2,2' \
  -fill '#e0e0e0' -draw 'circle 7.5,11.5 7.5,13' telephone-16.png
convert telephone-16.png telephone.ico
convert -size 16x16 xc:none -fill white -stroke '#303030' -draw 'rectangle 4,1 11,6' \
  -fill '#303030' -stroke none -draw 'roundrectangle 1,6 14,13 1,1' \
  -fill '#7fd07f' -draw 'rectangle 10,8 12,9' -fill white -draw 'rectangle 4,11 11,11' fax-16.png
convert fax-16.png fax.ico
rm -f telephone-16.png fax-16.png
