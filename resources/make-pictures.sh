#!/usr/bin/env bash
# Draws the window's pictures and the desktop icons into resources/. The PNGs are committed, so only whoever
# changes a drawing needs this script (Debian: imagemagick, fonts-liberation, fonts-noto-cjk); the build never
# runs it. Output is byte-for-byte repeatable: no time stamps, no profiles.
set -euo pipefail
cd "$(dirname "$0")"

for tool in convert awk; do
    command -v "$tool" >/dev/null || {
        echo "make-pictures: needs $tool (apt-get install imagemagick)" >&2
        exit 1
    }
done
fonts=$(convert -list font)
for font in Liberation-Sans-Bold Noto-Sans-CJK-SC Noto-Sans-CJK-TC; do
    grep -q "Font: $font\$" <<<"$fonts" || {
        echo "make-pictures: font $font missing (apt-get install fonts-liberation fonts-noto-cjk)" >&2
        exit 1
    }
done

# Flat palette shared by all pictures.
BODY='#37474F' # reader housing, magnifier, telephone
SLOT='#14191C'
LED='#43A047'
KEY='#ECEFF1'
BLUE='#1E6FD0'
GOLD='#F2B705'
RED='#E00000'
GLASS='#B3E5FC'

save() { # save <name> <convert args...>: writes <name> as 8-bit RGBA without metadata
    local name=$1
    shift
    convert "$@" -strip -define png:exclude-chunks=date,time,tIME -define png:compression-level=9 "PNG32:$name"
}

# The keypad reader in a 16-unit grid: housing, card slot and LED on top, 3 x 4 keys. An area is [x0,x1) x
# [y0,y1) in grid units; `scale` is pixels per unit and (ox, oy) the offset in pixels.
reader_smooth() { # reader_smooth <scale> <ox> <oy>
    awk -v s="$1" -v ox="$2" -v oy="$3" -v body="$BODY" -v slot="$SLOT" -v led="$LED" -v key="$KEY" '
        # Edges on whole pixels keep small sizes sharp; rounding the size, not the far edge, keeps equal keys equal.
        function px(v) { return int(v + 0.5) }
        function area(x0, y0, x1, y1, r, colour,    left, top, right, bottom) {
            left = px(ox + x0 * s)
            top = px(oy + y0 * s)
            right = left + px((x1 - x0) * s) - 1
            bottom = top + px((y1 - y0) * s) - 1
            if (r * s < 1) # a corner this small only blurs, and thin round rectangles vanish
                printf "fill %s rectangle %d,%d %d,%d ", colour, left, top, right, bottom
            else
                printf "fill %s roundrectangle %d,%d %d,%d %.2f,%.2f ", colour, left, top, right, bottom, r * s, r * s
        }
        BEGIN {
            area(3, 0, 13, 16, 1.3, body)
            area(4.5, 1.95, 9, 2.6, 0.3, slot)
            printf "fill %s circle %.2f,%.2f %.2f,%.2f ", led,
                ox + 10.9 * s - 0.5, oy + 2.25 * s - 0.5, ox + 10.9 * s - 0.5, oy + 1.55 * s - 0.5
            for (row = 0; row < 4; ++row)
                for (col = 0; col < 3; ++col)
                    area(4.3 + 2.8 * col, 4.2 + 2.85 * row, 6.1 + 2.8 * col, 6.15 + 2.85 * row, 0.35, key)
        }'
}

# At 16 x 16 every pixel is placed by hand, so the keys stay crisp.
reader_pixels() { # reader_pixels <ox> <oy>
    local x=$1 y=$2
    printf 'fill %s rectangle %d,%d %d,%d rectangle %d,%d %d,%d ' "$BODY" \
        $((x + 4)) $((y + 0)) $((x + 11)) $((y + 15)) $((x + 3)) $((y + 1)) $((x + 12)) $((y + 14))
    printf 'fill %s rectangle %d,%d %d,%d ' "$SLOT" $((x + 5)) $((y + 2)) $((x + 8)) $((y + 2))
    printf 'fill %s rectangle %d,%d %d,%d ' "$LED" $((x + 10)) $((y + 2)) $((x + 11)) $((y + 2))
    local row col
    for row in 0 1 2 3; do
        for col in 0 1 2; do
            printf 'fill %s rectangle %d,%d %d,%d ' "$KEY" \
                $((x + 4 + 3 * col)) $((y + 4 + 3 * row)) $((x + 5 + 3 * col)) $((y + 5 + 3 * row))
        done
    done
}

# Window icon and the keypad buttons' picture.
save icon.png -size 16x16 xc:none +antialias -draw "$(reader_pixels 0 0)"
cp icon.png keypad.png

# Desktop icons: the same drawing, smooth, with a little margin so it sits like other themed icons.
for size in 32 48 128 256; do
    scale=$(awk -v n="$size" 'BEGIN { print n * 0.9 / 16 }')
    offset=$(awk -v n="$size" 'BEGIN { print n * 0.05 }')
    save "icon-$size.png" -size "${size}x$size" xc:none -draw "$(reader_smooth "$scale" "$offset" "$offset")"
done

# The Windows program's icon (resource script): the hand-placed 16 pixels and the smooth larger sizes.
convert icon.png icon-32.png icon-48.png icon-256.png readerconfig.ico

# Magnifying glass: lens ring with a highlight, handle to the lower right.
save scan.png -size 16x16 xc:none \
    -fill "$GLASS" -stroke "$BODY" -strokewidth 1.6 -draw "circle 6,6 6,1.8" \
    -fill none -stroke white -strokewidth 1 -draw "arc 3.4,3.4 8.6,8.6 190,260" \
    -stroke "$BODY" -strokewidth 2.6 -draw "line 9.6,9.6 13.8,13.8" \
    -stroke none -fill "$BODY" -draw "circle 13.8,13.8 13.8,12.5"

# Badge: portrait ID card on a clip, a head and shoulders, a name line.
save id.png -size 16x16 xc:none \
    -fill "$BLUE" -draw "roundrectangle 2,2 13,15 1.6,1.6" \
    -fill '#90A4AE' -draw "roundrectangle 5.5,0 9.5,3 0.8,0.8" \
    -fill "$SLOT" -draw "rectangle 6,2 9,2" \
    -fill white -draw "circle 7.5,6.4 7.5,4.3" \
    -draw "ellipse 7.5,13 4,3.6 180,360" \
    -fill "$BLUE" -draw "rectangle 3,12 12,12" \
    -fill white -draw "rectangle 4,13 11,13"

# Telephone: handset resting on a desk set with a round dial.
save baudrate.png -size 16x16 xc:none -fill "$BODY" \
    -draw "roundrectangle 0,2 15,4.6 1.3,1.3" \
    -draw "roundrectangle 0,2 3.4,7 1.2,1.2" \
    -draw "roundrectangle 11.6,2 15,7 1.2,1.2" \
    -draw "polygon 4.2,6 10.8,6 15,14.6 0,14.6" \
    -draw "roundrectangle 0,12.4 15,15 1,1" \
    -fill "$KEY" -draw "circle 7.5,10.6 7.5,8.3" \
    -fill "$BODY" -draw "circle 7.5,10.6 7.5,9.7"

# Card: contactless card with a chip and the radio waves.
save card.png -size 20x20 xc:none \
    -fill "$BLUE" -draw "roundrectangle 0.5,3.5 19,16 2,2" \
    -fill "$GOLD" -draw "roundrectangle 2.5,7 6.8,10.8 0.8,0.8" \
    -fill none -stroke white -strokewidth 1.1 \
    -draw "arc 8.5,6.5 12.5,12.5 -50,50" -draw "arc 7,4.5 15,14.5 -45,45" \
    -stroke none -fill white -draw "rectangle 2.5,13 10,13.6"

# Factory-default button: a keypad reader and the maker's name, the default output mode beneath.
save factory.png -size 100x50 xc:none \
    -draw "$(reader_smooth 2.1 -3.5 0.5)" \
    -font Liberation-Sans-Bold -density 72 -fill "$BLUE" -pointsize 20 -gravity NorthWest -annotate +28+9 VELNO \
    -fill "$RED" -pointsize 12 -gravity South -annotate +0+0 'Wiegand 26 Bits'

# Language buttons: the characters in red on transparent; at 14 pixels the regular weight keeps 體 legible.
language() { # language <file> <font> <text>
    save "$1" -size 34x16 xc:none -font "$2" -pointsize 14 -density 72 -kerning 2 -fill "$RED" -gravity center \
        -annotate +0+0 "$3"
}
language gb.png Noto-Sans-CJK-SC '簡体'
language big5.png Noto-Sans-CJK-TC '繁體'

set -- ./*.png ./*.ico
echo "make-pictures: wrote $# pictures"
