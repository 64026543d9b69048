#!/bin/sh
# Draws the welcome image that the first start of Tessaly opens (WelcomeTsl.gif in the program
# folder). The GIF is kept in the tree; run this again only to change the picture:
#     tools/make-welcome-gif.sh [output.gif]
# Needs ImageMagick 6's command line (apt-get install imagemagick) and fonts-dejavu.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-"$here/../res/program/WelcomeTsl.gif"}
convert=${CONVERT:-convert-im6.q16}
fonts=/usr/share/fonts/truetype/dejavu
bold=$fonts/DejaVuSans-Bold.ttf
plain=$fonts/DejaVuSans.ttf

command -v "$convert" >/dev/null 2>&1 || { echo "$0: $convert not found (apt-get install imagemagick)" >&2; exit 1; }
for f in "$bold" "$plain"; do
  [ -r "$f" ] || { echo "$0: font $f not found (apt-get install fonts-dejavu)" >&2; exit 1; }
done

tmp=$(mktemp "${TMPDIR:-/tmp}/welcome.XXXXXX.gif")
trap 'rm -f "$tmp"' EXIT

# 320 x 200: a dusk-blue to teal gradient, a sun, three hills, a picture frame with a small
# landscape in it, a brush stroke and the greeting. The stroke is drawn as single line
# segments because ImageMagick 6.9.11 closes a stroked polyline. Colours are reduced to 128
# without dithering, so the file stays small and the flat shapes stay flat.
"$convert" -size 320x200 gradient:'#1d3557-#2a9d8f' \
  -fill '#f4a261' -stroke none -draw 'circle 262,52 262,78' \
  -fill '#e9c46a' -draw 'circle 262,52 262,70' \
  -fill '#264653' -draw 'ellipse 60,210 110,60 180,360' \
  -fill '#1b3a44' -draw 'ellipse 220,215 140,55 180,360' \
  -fill '#2f5d62' -draw 'ellipse 320,220 90,50 180,360' \
  -fill '#fdfcdc' -stroke '#8d6e63' -strokewidth 4 -draw 'rectangle 28,40 108,104' \
  -stroke none -fill '#a8dadc' -draw 'rectangle 32,44 104,100' \
  -fill '#457b9d' -draw 'polygon 32,100 58,66 78,88 90,76 104,92 104,100' \
  -fill '#ffb703' -draw 'circle 92,56 92,62' \
  -fill none -stroke '#e76f51' -strokewidth 5 \
  -draw 'stroke-linecap round line 124,92 130,87 line 130,87 136,84 line 136,84 142,85 line 142,85 148,88 line 148,88 154,93 line 154,93 160,98 line 160,98 166,100 line 166,100 172,99 line 172,99 178,95 line 178,95 184,90' \
  -fill '#e76f51' -stroke none -draw 'circle 186,88 186,93' \
  -font "$bold" -pointsize 25 -fill '#0b1f2a' -gravity north -annotate +2+134 'Welcome to Tessaly' \
  -fill '#ffffff' -annotate +0+132 'Welcome to Tessaly' \
  -font "$plain" -pointsize 12 -fill '#e0f2f1' -annotate +0+168 'view, paint, transform, browse, show' \
  +dither -colors 128 -strip "$tmp"

chmod 644 "$tmp"
mv -f "$tmp" "$out"
trap - EXIT
echo "wrote $out"
