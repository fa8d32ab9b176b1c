#!/usr/bin/env bash
# Draws the program's own pictures into assets/ with ImageMagick: the icon (256 and 48 pixels),
# the main window's built-in picture, the About window's picture and the two 24 x 22 menu
# pictures (16 colours). The results are committed; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")/.."
out=assets
mkdir -p "$out"

font_bold=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
font_comic=/usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf
for f in "$font_bold" "$font_comic"; do
  [ -f "$f" ] || { echo "make_assets: missing font $f (packages fonts-liberation, fonts-comic-neue)" >&2; exit 1; }
done

# No timestamps or comments in the files, so that drawing again gives the same bytes.
png_opts=(-depth 8 -strip -define png:exclude-chunks=date,time)

# --- The icon: a calculator body with a display and a 4 x 4 key grid, the "=" key orange.
icon_draw=(
  -fill '#1f4e79' -stroke '#0d2a45' -strokewidth 6 -draw 'roundrectangle 28,8 228,248 28,28'
  -stroke none -fill '#cfe8c6' -draw 'roundrectangle 50,30 206,86 10,10'
  -fill '#24401c' -font "$font_bold" -pointsize 44 -gravity northeast -annotate +62+36 '3,1'
  -gravity northwest
)
keys=()
for row in 0 1 2 3; do
  for col in 0 1 2 3; do
    x=$((50 + col * 40)); y=$((104 + row * 36))
    colour='#e9eef3'
    [ "$col" -eq 3 ] && colour='#9cc3e6'
    [ "$col" -eq 3 ] && [ "$row" -eq 3 ] && colour='#f28c28'
    keys+=(-fill "$colour" -draw "roundrectangle $x,$y $((x + 32)),$((y + 28)) 6,6")
  done
done
convert -size 256x256 xc:none "${icon_draw[@]}" "${keys[@]}" "${png_opts[@]}" "$out/icon.png"
convert "$out/icon.png" -resize 48x48 "${png_opts[@]}" "$out/icon48.png"

# --- The main window's picture: an abacus on a sky gradient, 418 x 290 (shown at 209 x 145).
abacus=(
  -fill '#8a5a2b' -stroke '#5c3a19' -strokewidth 3
  -draw 'roundrectangle 34,36 384,60 8,8' -draw 'roundrectangle 34,236 384,260 8,8'
  -draw 'rectangle 34,36 56,260' -draw 'rectangle 362,36 384,260'
  -stroke '#3b2a1a' -strokewidth 4
)
beads=()
colours=('#d9342b' '#f2a516' '#2e8b57' '#2f6fb5' '#8e44ad')
for rod in 0 1 2 3 4; do
  y=$((78 + rod * 36))
  abacus+=(-draw "line 56,$y 362,$y")
  # Beads pushed left and right, a different count on each rod.
  left=$((rod + 3)); right=$((7 - rod))
  for ((b = 0; b < left; b++)); do
    cx=$((72 + b * 22))
    beads+=(-fill "${colours[$rod]}" -draw "ellipse $cx,$y 11,14 0,360")
  done
  for ((b = 0; b < right; b++)); do
    cx=$((346 - b * 22))
    beads+=(-fill "${colours[$rod]}" -draw "ellipse $cx,$y 11,14 0,360")
  done
done
convert -size 418x290 gradient:'#bfe3ff'-'#fdf6e3' \
  "${abacus[@]}" -stroke '#00000055' -strokewidth 1 "${beads[@]}" \
  -stroke none -fill '#ffffff66' -draw 'rectangle 0,270 418,290' \
  -fill '#3b2a1a' -font "$font_comic" -pointsize 16 -gravity south -annotate +0+2 'Tallymate' \
  -strip -quality 88 -sampling-factor 4:2:0 "$out/picture.jpg"

# --- The About window's picture: the four operation signs in coloured discs, 450 x 258
# (shown at 225 x 129).
signs=('+' '−' '×' '÷')
disc_colours=('#d9342b' '#f2a516' '#2e8b57' '#2f6fb5')
about=()
for i in 0 1 2 3; do
  cx=$((70 + i * 103)); cy=129
  about+=(-fill "${disc_colours[$i]}" -stroke '#ffffffaa' -strokewidth 4
    -draw "circle $cx,$cy $((cx + 42)),$cy" -stroke none)
  about+=(-fill white -font "$font_bold" -pointsize 64 -gravity northwest
    -annotate "+$((cx - 20))+$((cy - 40))" "${signs[$i]}")
done
# The window names the program in a label right below the picture: no text in it.
convert -size 450x258 gradient:'#fff8d6'-'#f7c873' "${about[@]}" \
  -strip -quality 88 -sampling-factor 4:2:0 "$out/about_picture.jpg"

# --- Menu pictures, 24 x 22, 16 colours.
# "Закрыть": a red cross on a pale disc.
convert -size 24x22 xc:none \
  -fill '#f4e4e4' -stroke '#a01818' -strokewidth 1 -draw 'circle 12,11 12,2' \
  -stroke '#c81e1e' -strokewidth 3 -draw 'line 8,7 16,15' -draw 'line 16,7 8,15' \
  -colors 16 "${png_opts[@]}" "PNG8:$out/close.png"
# "О программе": a blue disc with a white "i".
convert -size 24x22 xc:none \
  -fill '#2f6fb5' -stroke '#1a4478' -strokewidth 1 -draw 'circle 12,11 12,2' \
  -stroke none -fill white -draw 'rectangle 11,9 13,16' -draw 'circle 12,6 12,7.4' \
  -colors 16 "${png_opts[@]}" "PNG8:$out/about.png"

ls -l "$out"
