#!/bin/sh
# Draws the panel logo (assets/CORVALIS.jpg, 186 x 80) and the sample picture
# (assets/sample.jpg, 800 x 600) with ImageMagick. The results are kept in the
# repository; run this only to change them.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/assets"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Logo: a small mosaic of blocks with a dash-dot outline around part of it (what a
# stroke selects), beside the name, on the panel's black.
convert -size 186x80 xc:black \
  -fill '#1d3557' -draw 'rectangle 8,14 23,29'  -fill '#2a6f97' -draw 'rectangle 25,14 40,29' \
  -fill '#468faf' -draw 'rectangle 42,14 57,29' \
  -fill '#2a6f97' -draw 'rectangle 8,31 23,46'  -fill '#e76f51' -draw 'rectangle 25,31 40,46' \
  -fill '#f4a261' -draw 'rectangle 42,31 57,46' \
  -fill '#468faf' -draw 'rectangle 8,48 23,63'  -fill '#e76f51' -draw 'rectangle 25,48 40,63' \
  -fill '#e9c46a' -draw 'rectangle 42,48 57,63' \
  -fill none -stroke '#ffb703' -strokewidth 2 \
  -draw 'stroke-dasharray 6 3 2 3 polyline 24,30 58,30 58,64 24,64 24,30' \
  -stroke none -fill white -font DejaVu-Sans-Bold -pointsize 25 -annotate +66+44 'Tessary' \
  -fill '#8fa3b8' -font DejaVu-Sans -pointsize 11 -annotate +67+62 'picture cut-out' \
  -quality 92 "$out/CORVALIS.jpg"

# Sample picture: sky and meadow gradients, a sun, a cloud, a house, a tree and a
# red ball, each with clear edges, and a little grain so it reads as a photograph.
convert -size 800x360 gradient:'#4a90d9-#cfe6f7' "$work/sky.png"
convert -size 800x240 gradient:'#7cb342-#33691e' "$work/ground.png"
convert "$work/sky.png" "$work/ground.png" -append \
  \( -size 800x600 xc:none -fill '#fff7c2' -draw 'circle 640,110 640,160' -blur 0x18 \) -composite \
  -fill '#ffe066' -draw 'circle 640,110 640,150' \
  \( -size 800x600 xc:none -fill white \
     -draw 'ellipse 170,90 70,26 0,360' -draw 'ellipse 230,80 60,32 0,360' -draw 'ellipse 285,95 55,22 0,360' \
     -blur 0x4 \) -composite \
  -fill '#c0392b' -draw 'rectangle 110,250 330,420' \
  -fill '#6d2e1f' -draw 'polygon 95,252 220,160 345,252' \
  -fill '#f2e2b6' -draw 'rectangle 145,290 195,340' -draw 'rectangle 255,290 305,340' \
  -fill '#4e342e' -draw 'rectangle 205,350 245,420' \
  -fill '#5d4037' -draw 'rectangle 493,300 517,450' \
  -fill '#2e7d32' -draw 'circle 505,250 505,170' \
  -fill '#1b5e20' -draw 'circle 470,280 470,240' \
  \( -size 800x600 xc:none -fill '#00000055' -draw 'ellipse 648,545 62,12 0,360' -blur 0x5 \) -composite \
  -fill '#e53935' -draw 'circle 640,490 640,545' \
  -fill '#ff8a80' -draw 'circle 622,470 622,482' \
  -fill '#1e88e5' -draw 'polygon 330,560 380,470 430,560' \
  -attenuate 0.25 +noise Gaussian \
  -quality 85 -sampling-factor 4:2:0 -strip "$out/sample.jpg"
ls -l "$out/CORVALIS.jpg" "$out/sample.jpg"
