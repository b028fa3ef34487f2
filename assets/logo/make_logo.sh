#!/usr/bin/env bash
# Draws the launcher's logo (320 x 340, baseline JPEG, three components) and the two 16 x 16
# 8-bit status-panel glyphs, and the program icon. Needs ImageMagick and the DejaVu and Nanum
# fonts; the outputs are committed, so the build never runs this.
set -euo pipefail
cd "$(dirname "$0")"

python3 emblem.py 320 160 105 65 14 1 emblem.pgm
convert -size 320x320 xc:white emblem.pgm -alpha off -compose CopyOpacity -composite PNG32:emblem.png
# Logo: a soft teal field fading to white at the bottom (the status line and the gauge are drawn
# over its lower right part, so it is plain white there), a circular "refresh" emblem and the word mark.
convert -size 320x340 \
  \( -size 320x220 gradient:'#0f6d6a-#d5ebe8' \) \( -size 320x26 gradient:'#d5ebe8-#ffffff' \) \
  \( -size 320x94 xc:white \) -append \
  -fill 'rgba(255,255,255,0.10)' -draw 'circle 250,40 250,190' \
  -fill 'rgba(255,255,255,0.07)' -draw 'circle 40,200 40,300' \
  -gravity north -font DejaVu-Sans-Bold -pointsize 34 -fill white -annotate +0+178 'Halvex' \
  -font DejaVu-Sans -pointsize 15 -fill '#0b4f4d' -annotate +0+222 'U P D A T E' -gravity northwest \
  emblem.png -compose Over -composite \
  -colorspace sRGB -type TrueColor -sampling-factor 2x2 -interlace none -quality 90 \
  -strip logo.jpg

# Status-panel glyphs: a building (company) and a telephone, 256-colour bitmaps.
convert -size 16x16 xc:'#f0f0f0' -fill '#2d6f9f' -draw 'rectangle 3,2 12,14' \
  -fill white -draw 'rectangle 5,4 6,5' -draw 'rectangle 9,4 10,5' -draw 'rectangle 5,7 6,8' \
  -draw 'rectangle 9,7 10,8' -draw 'rectangle 5,10 6,11' -draw 'rectangle 9,10 10,11' \
  -fill '#7a4a1e' -draw 'rectangle 7,12 8,14' -fill '#1d4f73' -draw 'rectangle 1,14 14,14' \
  -depth 8 rgb:- | python3 bmp8.py 16 16 glyph_corp.bmp
convert -size 16x16 xc:'#f0f0f0' -fill '#2f8a3c' \
  -draw 'roundrectangle 2,5 13,13 2,2' -fill '#2f8a3c' -draw 'roundrectangle 1,2 14,5 2,2' \
  -fill white -draw 'circle 7.5,9.5 7.5,11.5' -fill '#2f8a3c' -draw 'point 7,9' \
  -depth 8 rgb:- | python3 bmp8.py 16 16 glyph_tel.bmp

# Program icon: the emblem on teal, at the sizes the frame and the taskbar use.
python3 emblem.py 256 128 128 74 26 0 icon_mask.pgm
convert -size 256x256 xc:white icon_mask.pgm -alpha off -compose CopyOpacity -composite PNG32:icon_emblem.png
for s in 16 32 48; do
  convert -size 256x256 xc:none -fill '#0f6d6a' -draw 'roundrectangle 8,8 248,248 48,48' \
    icon_emblem.png -compose Over -composite -resize ${s}x${s} PNG32:icon_$s.png
done
convert icon_16.png icon_32.png icon_48.png halvex.ico
rm -f icon_16.png icon_32.png icon_48.png icon_mask.pgm icon_emblem.png emblem.pgm emblem.png
