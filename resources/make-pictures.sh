#!/usr/bin/env bash
# Redraws the window icon and the seven target logos under sys/ with ImageMagick (the committed files are
# its output; run it again only to change a picture).
set -euo pipefail
cd "$(dirname "$0")/sys"
mkdir -p logo
for s in 16 32 48; do
  convert -size 256x256 xc:none -fill '#2f6fb3' -draw "roundrectangle 8,8 247,247 40,40" -fill white \
    -draw "polygon 128,40 196,120 152,120 152,170 104,170 104,120 60,120" -draw "rectangle 52,190 204,214" \
    -resize ${s}x${s} "/tmp/velnor_icon_$s.png"
done
convert /tmp/velnor_icon_16.png /tmp/velnor_icon_32.png /tmp/velnor_icon_48.png icon.ico
logo() {
  convert -size 160x60 xc:white -fill "$2" -draw "roundrectangle 2,2 157,57 10,10" -fill white \
    -font DejaVu-Sans-Bold -pointsize 24 -gravity center -annotate +0+0 "$3" -colors 64 "logo/LOGO_$1.gif"
}
logo OE '#1f7ac8' 'OE Mail'
logo OL '#d0692a' 'Outlook'
logo NS4X '#2a8a7a' 'NS 4.x'
logo FAVORITE '#d9a400' '★ IE Fav'
logo COLMAIL '#b0406a' 'ColMail'
logo MYDOCUMENTS '#5a5fb0' 'My Docs'
logo NS6X '#3c9a3c' 'NS 6+'
