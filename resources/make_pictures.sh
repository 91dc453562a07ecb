#!/usr/bin/env bash
# Draws the splash picture (splash.gif) and the product icon (smeltra.ico).
# Both results are committed, so a build never runs this; run it again only
# to change a picture. Needs ImageMagick, the DejaVu fonts and python3.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tools/lib.sh"
ensure_packages "${PICTURE_PACKAGES[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fonts=/usr/share/fonts/truetype/dejavu
serif=$fonts/DejaVuSerif-Bold.ttf
sans=$fonts/DejaVuSans-Bold.ttf

# A hot radial gradient cut to an arch: the furnace mouth.
furnace_mouth() { # width height out
  convert -size "$1x$2" radial-gradient:'#fff6c8'-'#d9480f' \
    \( -size "$1x$2" xc:black -fill white \
       -draw "roundrectangle 0,0 $(($1 - 1)),$(($2 * 3 / 2)) $(($1 / 2)),$(($1 / 2))" \) \
    -alpha off -compose CopyOpacity -composite "$3"
}

# A gold bar seen from the front: a trapezoid with a metal gradient and a lit top edge.
ingot() { # width height out
  local w=$1 h=$2 inset=$(($1 / 7))
  convert -size "${w}x$h" gradient:'#ffeeb4'-'#a8661a' \
    \( -size "${w}x$h" xc:black -fill white \
       -draw "polygon $inset,0 $((w - inset)),0 $((w - 1)),$((h - 1)) 0,$((h - 1))" \) \
    -alpha off -compose CopyOpacity -composite \
    -fill none -stroke '#7a4712' -draw "line $inset,0 0,$((h - 1))" \
    -draw "line $((w - inset)),0 $((w - 1)),$((h - 1))" \
    -stroke '#fff6d0' -strokewidth $((h / 18 + 1)) -draw "line $((inset + 1)),1 $((w - inset - 1)),1" \
    "$3"
}

# --- splash.gif: 400 x 200, one frame, 256 colours, no transparency --------
furnace_mouth 56 60 "$work/mouth.png"
ingot 70 26 "$work/ingot.png"
convert -size 400x200 gradient:'#0d1524'-'#2b1911' \
  \( -size 300x300 radial-gradient:'rgba(255,130,30,0.70)'-'rgba(255,80,10,0)' \) \
  -geometry -60+0 -composite \
  -fill '#3a2923' -draw "polygon 36,178 50,68 130,68 144,178" \
  -fill '#4b362d' -draw "polygon 50,68 62,40 118,40 130,68" \
  -fill '#2c201b' -draw "rectangle 96,6 112,42" \
  -stroke '#241814' -strokewidth 1 \
  -draw "line 47,96 133,96" -draw "line 44,122 136,122" -draw "line 40,150 140,150" \
  -draw "line 70,68 70,96" -draw "line 110,68 110,96" \
  -draw "line 60,122 60,150" -draw "line 120,122 120,150" \
  -draw "line 75,150 75,178" -draw "line 105,150 105,178" \
  -stroke none \
  "$work/mouth.png" -geometry +62+100 -composite \
  -fill '#1f1612' -draw "rectangle 24,176 156,190" \
  -fill 'rgba(255,170,60,0.9)' \
  -draw "circle 120,22 121.5,23.5" -draw "circle 128,12 129,13" \
  -draw "circle 117,8 118,9" -draw "circle 136,26 137,27" \
  -fill 'rgba(255,220,120,0.9)' -draw "circle 124,30 125,31" \
  "$work/ingot.png" -geometry +170+164 -composite \
  "$work/ingot.png" -geometry +236+164 -composite \
  "$work/ingot.png" -geometry +203+140 -composite \
  -font "$serif" -pointsize 40 -fill 'rgba(0,0,0,0.6)' -annotate +182+86 'Smeltra' \
  -fill '#f6dca2' -annotate +180+84 'Smeltra' \
  -font "$sans" -pointsize 15 -kerning 6 -fill '#e8a049' -annotate +184+40 'TOLVAN' \
  -stroke '#c98a35' -strokewidth 2 -draw "line 182,100 380,100" -stroke none \
  -alpha off "$work/splash.png"
# Dithering keeps the gradients smooth in 256 colours.
convert "$work/splash.png" -dither FloydSteinberg -colors 256 -alpha off -strip +repage \
  "GIF:$here/splash.gif"

# --- smeltra.ico: 32 x 32 in 256 colours, 48 x 48 and 256 x 256 in full colour --
furnace_mouth 120 130 "$work/imouth.png"
ingot 200 70 "$work/iingot.png"
convert -size 256x256 gradient:'#24304a'-'#4a2412' \
  \( -size 256x256 radial-gradient:'rgba(255,140,30,0.7)'-'rgba(255,80,10,0)' \) \
  -geometry +0-20 -composite \
  -fill '#3a2923' -draw "polygon 40,200 62,40 194,40 216,200" \
  "$work/imouth.png" -geometry +68+70 -composite \
  "$work/iingot.png" -geometry +28+168 -composite \
  \( -size 256x256 xc:black -fill white -draw "roundrectangle 8,8 247,247 44,44" \) \
  -alpha off -compose CopyOpacity -composite -strip PNG32:"$work/icon256.png"
convert "$work/icon256.png" -resize 48x48 "$work/icon48.png"
convert "$work/icon256.png" -resize 32x32 "$work/icon32.png"
# The 256-colour image: transparent corners become black under a set mask bit.
convert "$work/icon32.png" -background black -alpha remove -dither None -colors 256 \
  -type Palette -compress none BMP3:"$work/icon32.bmp"
convert "$work/icon32.png" -alpha extract -threshold 50% -depth 8 GRAY:"$work/icon32.alpha"
convert "$work/icon48.png" -depth 8 RGBA:"$work/icon48.rgba"
python3 "$here/pack_icon.py" "$here/smeltra.ico" \
  "$work/icon32.bmp" "$work/icon32.alpha" "$work/icon48.rgba" "$work/icon256.png"
