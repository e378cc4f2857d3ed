#!/bin/sh
# Draws the tool-bar icons (32 x 32 PNG) and the "no picture" placeholder
# shipped with the program. Run once from the repository root; the results
# are committed, so building the program does not need ImageMagick.
set -e
out=resources/icons
mkdir -p "$out" resources/Images/NoFoto

# Each icon is drawn at 128 x 128 and scaled down, which smooths the edges.
icon() {
    name=$1; shift
    convert -size 128x128 xc:none "$@" -resize 32x32 "$out/$name.png"
}

# Add: a green plus.
icon add -fill '#2e8b2e' -stroke '#1d5c1d' -strokewidth 4 \
    -draw 'roundrectangle 50,14 78,114 6,6' -draw 'roundrectangle 14,50 114,78 6,6' \
    -stroke none -draw 'rectangle 52,52 76,76'

# Edit: a yellow pencil lying from the bottom left to the top right.
icon edit -stroke '#5a4a00' -strokewidth 4 \
    -fill '#f2c230' -draw 'polygon 30,118 10,98 88,20 108,40' \
    -fill '#e8a0a0' -draw 'polygon 88,20 100,8 120,28 108,40' \
    -fill '#f5deb3' -draw 'polygon 30,118 10,98 4,124' \
    -fill '#333333' -stroke none -draw 'polygon 4,124 8,110 18,120'

# Delete: a red cross.
icon delete -stroke '#c01818' -strokewidth 24 -draw 'line 24,24 104,104' -draw 'line 104,24 24,104'

# Give to work: a blue arrow pointing at a person.
icon give -fill '#2060c0' -stroke none \
    -draw 'rectangle 6,56 46,72' -draw 'polygon 44,40 70,64 44,88' \
    -fill '#505050' -draw 'circle 98,36 98,18' \
    -draw 'path "M 72,120 L 72,86 Q 72,60 98,60 Q 124,60 124,86 L 124,120 Z"'

# Find: a magnifier.
icon search -fill none -stroke '#305080' -strokewidth 12 -draw 'circle 52,52 52,18' \
    -stroke '#5a3a1a' -strokewidth 18 -draw 'line 78,78 114,114' \
    -fill '#cfe4ff' -stroke none -draw 'circle 52,52 52,26'

# Filter: a funnel.
icon filter -fill '#3a8fd0' -stroke '#1d4f78' -strokewidth 5 \
    -draw 'polygon 10,14 118,14 74,66 74,112 54,100 54,66'

# Return: an arrow coming back to the left.
icon return -fill none -stroke '#2e8b2e' -strokewidth 16 \
    -draw 'path "M 104,120 L 104,76 Q 104,44 72,44 L 44,44"' \
    -fill '#2e8b2e' -stroke none -draw 'polygon 6,44 48,10 48,78'

# The placeholder shown when a tool or an operator has no picture.
convert -size 320x240 xc:'#c8c8c8' -fill '#dcdcdc' -draw 'rectangle 12,12 307,227' \
    -fill '#8c8c8c' -font DejaVu-Sans -pointsize 28 -gravity center -annotate +0+0 'Нет картинки' \
    -quality 90 resources/Images/NoFoto/null_img_1.jpg
