#!/bin/sh
# Draws the panel logo (assets/CORVALIS.jpg, 186 x 80), the sample picture
# (assets/sample.jpg, 800 x 600), the desktop icon (assets/tessary.svg and
# assets/tessary-48.png, -128.png, -256.png) and the Windows program's icon
# (assets/tessary.ico, 16 to 256 pixels) with ImageMagick. The results are kept in
# the repository; run this only to change them. Arguments choose what to draw (logo,
# sample, icon, ico); none draws everything (the sample's grain is random, so that
# changes it).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/assets"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ $# -gt 0 ] || set -- logo sample icon ico

# Windows icon: the logo's mosaic of blocks with its dash-dot outline around four of them,
# drawn on the panel's black for each size; the smaller sizes get a thicker outline,
# and the smallest a solid one, to stay visible.
ico_size() {
  size=$1 stroke=$2 dash=$3
  outline="polyline 89,89 245,89 245,245 89,245 89,89"
  [ -n "$dash" ] && outline="stroke-dasharray $dash $outline"
  convert -size 256x256 xc:black \
    -fill '#1d3557' -draw 'rectangle 14,14 85,85'    -fill '#2a6f97' -draw 'rectangle 92,14 163,85' \
    -fill '#468faf' -draw 'rectangle 170,14 241,85' \
    -fill '#2a6f97' -draw 'rectangle 14,92 85,163'   -fill '#e76f51' -draw 'rectangle 92,92 163,163' \
    -fill '#f4a261' -draw 'rectangle 170,92 241,163' \
    -fill '#468faf' -draw 'rectangle 14,170 85,241'  -fill '#e76f51' -draw 'rectangle 92,170 163,241' \
    -fill '#e9c46a' -draw 'rectangle 170,170 241,241' \
    -fill none -stroke '#ffb703' -strokewidth "$stroke" -draw "$outline" \
    -resize "${size}x${size}" -depth 8 -type TrueColor "$work/icon-$size.png"
}

draw_ico() {
  ico_size 256 7 '27 12 8 12'
  ico_size 64 12 '40 18 12 18'
  ico_size 48 16 '48 22 16 22'
  ico_size 32 20 '60 28 20 28'
  ico_size 24 24 ''
  ico_size 16 30 ''
  convert "$work/icon-256.png" "$work/icon-64.png" "$work/icon-48.png" "$work/icon-32.png" \
    "$work/icon-24.png" "$work/icon-16.png" "$out/tessary.ico"
}

draw_logo() {
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
}

draw_sample() {
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
}

# Icon: the logo's mosaic on a rounded dark square, with the selection's dash-dot
# outline around four of its blocks. The SVG and the pictures draw the same shapes
# on a 256-unit square.
icon_blocks='40,40 #1d3557
100,40 #2a6f97
160,40 #468faf
40,100 #2a6f97
100,100 #e76f51
160,100 #f4a261
40,160 #468faf
100,160 #e76f51
160,160 #e9c46a'
icon_outline='M98,98 H218 V218 H98 Z'

draw_icon() {
  {
    echo '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">'
    echo '  <rect x="8" y="8" width="240" height="240" rx="40" fill="#101820"/>'
    echo "$icon_blocks" | while read -r at colour; do
      echo "  <rect x=\"${at%,*}\" y=\"${at#*,}\" width=\"56\" height=\"56\" fill=\"$colour\"/>"
    done
    echo "  <path d=\"$icon_outline\" fill=\"none\" stroke=\"#ffb703\" stroke-width=\"8\" stroke-dasharray=\"22 9 6 9\"/>"
    echo '</svg>'
  } >"$out/tessary.svg"
  draw=""
  for block in $(echo "$icon_blocks" | tr ' ' '@'); do
    at=${block%@*} colour=${block#*@}
    x=${at%,*} y=${at#*,}
    draw="$draw fill $colour rectangle $x,$y $((x + 55)),$((y + 55))"
  done
  convert -size 256x256 xc:none -fill '#101820' -draw 'roundrectangle 8,8 247,247 40,40' \
    -draw "$draw" \
    -fill none -stroke '#ffb703' -strokewidth 8 \
    -draw "stroke-dasharray 22 9 6 9 path '$icon_outline'" -depth 8 "PNG32:$work/icon.png"
  for size in 48 128 256; do
    convert "$work/icon.png" -resize "${size}x$size" -depth 8 -strip "PNG32:$out/tessary-$size.png"
  done
}

for part in "$@"; do
  case $part in
    logo | sample | icon | ico) "draw_$part" ;;
    *) echo "make-assets: nothing called $part (logo, sample, icon, ico)" >&2; exit 2 ;;
  esac
done
ls -l "$out"
