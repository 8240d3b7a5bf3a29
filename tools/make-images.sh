#!/usr/bin/env bash
# Draws Morvane's icons and splash bitmap with ImageMagick into
# src/shell/win32/res (the results are committed; run again after a change).
set -euo pipefail
cd "$(dirname "$0")/../src/shell/win32/res"
c() { convert -size 16x16 xc:none "$@"; }

# Record types of the result lists, 16x16.
c -fill white -stroke '#606060' -draw 'polygon 3,1 10,1 13,4 13,14 3,14' \
  -fill '#d0d0d0' -draw 'polygon 10,1 10,4 13,4' \
  -stroke '#8080a0' -draw 'line 5,7 11,7' -draw 'line 5,9 11,9' -draw 'line 5,11 9,11' type-file.ico
c -fill '#e8b830' -stroke '#8a6510' -draw 'polygon 1,3 6,3 7,5 14,5 14,13 1,13' \
  -fill '#f8d860' -draw 'polygon 1,7 14,7 14,13 1,13' type-folder.ico
c -fill '#f4f4f4' -stroke '#404080' -draw 'rectangle 1,2 14,13' \
  -fill '#3050b0' -stroke none -draw 'rectangle 2,3 13,5' \
  -fill '#c02020' -draw 'circle 8,10 8,12' type-path.ico
c -fill '#50a0d0' -stroke '#205070' -draw 'polygon 2,5 8,2 14,5 8,8' \
  -fill '#3080b0' -draw 'polygon 2,5 8,8 8,14 2,11' \
  -fill '#206090' -draw 'polygon 8,8 14,5 14,11 8,14' type-regkey.ico
c -fill white -stroke '#505050' -draw 'rectangle 1,3 14,12' \
  -stroke '#c03030' -draw 'line 3,6 7,6' -stroke '#3030c0' -draw 'line 3,9 12,9' \
  -stroke '#c03030' -draw 'line 9,6 12,6' type-regval.ico
c -fill '#c8934a' -stroke '#7a5420' -draw 'circle 8,8 8,14' \
  -fill '#4a2a10' -stroke none -draw 'circle 6,6 6,7' -draw 'circle 10,9 10,10' -draw 'circle 6,11 6,12' \
  -draw 'circle 10,5 10,6' type-cookie.ico

# The program: a blue shield with a white check mark.
shield() {
  local s=$1
  convert -size 64x64 xc:none -fill '#1f5fa8' -stroke '#0c2f5c' -strokewidth 3 \
    -draw 'path "M 32,3 L 58,12 L 56,34 Q 52,52 32,61 Q 12,52 8,34 L 6,12 Z"' \
    -fill none -stroke white -strokewidth 7 -draw 'polyline 19,32 28,42 46,21' \
    -resize "${s}x${s}" "shield-$s.png"
}
for s in 16 32 48; do shield $s; done
convert shield-16.png shield-32.png shield-48.png morvane.ico
rm -f shield-*.png

# The splash picture, 360x180, 24-bit BMP.
convert -size 360x180 gradient:'#1f5fa8'-'#0c2f5c' \
  \( -size 64x64 xc:none -fill '#ffffff' -stroke '#cfe0f5' -strokewidth 3 \
     -draw 'path "M 32,3 L 58,12 L 56,34 Q 52,52 32,61 Q 12,52 8,34 L 6,12 Z"' \
     -fill none -stroke '#1f5fa8' -strokewidth 7 -draw 'polyline 19,32 28,42 46,21' \) \
  -geometry +24+40 -composite \
  -stroke none -strokewidth 1 -fill white -font DejaVu-Sans-Bold -pointsize 34 -annotate +104+78 'Morvane' \
  -fill '#cfe0f5' -font DejaVu-Sans -pointsize 14 -annotate +106+104 'Spyware scanner and remover' \
  -type TrueColor BMP3:splash.bmp
