#!/usr/bin/env bash
# One beginner card (1024x652 from the top-left of a camera photo, six bold
# Japanese text lines over a faded band, quality 90) by sendvik-cli render and
# by its peers at their best settings, from a 12 and a 24 megapixel JPEG,
# baseline and progressive: median wall time and peak memory of 7 runs.
#   bench/render_peers.sh [BUILD_DIR]      (needs scripts/install-bench-deps.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
cli=$build/src/sendvik-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
im=/usr/bin/convert-im6.q16
py=/usr/bin/python3
font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
runs=7

# Camera-like photos: the landscape enlarged, with a little sensor noise.
for size in 4000x3000 6000x4000; do
  $im tests/data/jpeg/landscape_1800x1200.jpg -resize "$size!" -attenuate 0.4 +noise Gaussian \
    -sampling-factor 2x2 -quality 92 "$work/photo_$size.jpg"
  jpegtran -progressive -copy all "$work/photo_$size.jpg" > "$work/photo_${size}_progressive.jpg"
done

# The program folder of the card.
home=$work/home
"$cli" --home "$home" log import tests/data/adif/ja_station_js2iiu_adifmaster_v2_25_one_record_per_line.adi >/dev/null
"$cli" --home "$home" settings set Option Calls JS2IIU
"$cli" --home "$home" settings set Potbl Po0 "静岡県浜松市"
"$cli" --home "$home" settings set Remarks Rm0 "TNX FB QSO!"
"$cli" --home "$home" settings set Kankyo OpName0 "Op. Ken"
cp demo/RigAnt.dat "$home/Rigant.dat"

lines=("To Radio:JA4FJR　Confirming Our QSO" "From:JS2IIU静岡県浜松市"
       "Date&Time:2021/02/06 14:08JST dB:-10 Freq:7.043MHz 2Way FT8"
       "Rig:IC-7300  Ant:ダイポール 10mH　Power:50W" "Remarks:TNX FB QSO!" "QSL TNX 73")

# Median seconds and peak kilobytes of a command.
measure() {
  local times=() mems=()
  for _ in $(seq $runs); do
    local start end
    start=$EPOCHREALTIME
    /usr/bin/time -o "$work/time.txt" -f "%M" "$@" >/dev/null 2>&1 || true
    end=$EPOCHREALTIME
    times+=("$(echo "$end - $start" | bc)"); mems+=("$(tail -1 "$work/time.txt")")
  done
  local t m
  t=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  m=$(printf '%s\n' "${mems[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
  printf '%7.0f ms %7.1f MB' "$(echo "$t * 1000" | bc)" "$(echo "$m / 1024" | bc -l)"
}

cat > "$work/pillow.py" <<EOF
import sys
from PIL import Image, ImageDraw, ImageFont
src, dst = sys.argv[1], sys.argv[2]
im = Image.open(src)
im.draft("RGB", (1024, 652))
w, h = im.size
ch = round(w / 1.57055214) if w / h <= 1.57055214 else h
cw = w if w / h <= 1.57055214 else round(h * 1.57055214)
im = im.crop((0, 0, cw, ch)).resize((1024, 652), Image.LANCZOS)
band = im.crop((0, 472, 1024, 652))
im.paste(Image.blend(band, Image.new("RGB", band.size, (192, 192, 192)), 0.3), (0, 472))
d = ImageDraw.Draw(im)
f = ImageFont.truetype("$font", 21)
y = 472
for line in sys.argv[3:]:
    d.text((10, y), line, font=f, fill=(0, 0, 255), stroke_width=1, stroke_fill=(0, 0, 255))
    y += 29
im.save(dst, quality=90)
EOF

magick_card() {  # photo out
  local draw=() y=490
  for l in "${lines[@]}"; do draw+=(-annotate "+10+$y" "$l"); y=$((y + 29)); done
  $im -define jpeg:size=2048x1304 "$1" -gravity NorthWest -crop 100%x63.67%+0+0 +repage \
    -resize '1024x652!' -region 1024x180+0+472 -fill '#C0C0C0' -colorize 30% +region \
    -font "$font" -pointsize 16 -fill blue -stroke blue -strokewidth 0.6 "${draw[@]}" \
    -quality 90 "$2"
}

vips_card() {  # photo out
  vips thumbnail "$1" "$work/t.v" 1024 --height 4096
  vips crop "$work/t.v" "$work/c.v" 0 0 1024 652
  vips text "$work/txt.v" "$(printf '%s\n' "${lines[@]}")" --font "IPAGothic Bold 16" --dpi 96
  vips jpegsave "$work/c.v" "$2" --Q 90
}

floor_card() {  # photo scale
  djpeg -scale "$2/8" "$1" > /dev/null
  cjpeg -quality 90 "$work/card.ppm" > /dev/null
}
export -f magick_card vips_card floor_card
export im font work
export lines_file=$work/lines
djpeg tests/data/jpeg/landscape_1800x1200.jpg | $im - -resize '1024x652!' ppm:"$work/card.ppm"

printf '%-28s %-22s %-22s %-22s %-22s %-22s\n' photo "sendvik-cli render" "floor (djpeg+cjpeg)" \
  "ImageMagick" "Pillow" "libvips"
for photo in "$work"/photo_*.jpg; do
  "$cli" --home "$home" settings set Config Jpeg "$photo" >/dev/null
  name=$(basename "$photo" .jpg)
  case $name in *4000x3000*) scale=3 ;; *) scale=2 ;; esac
  printf '%-28s %s   %s   %s   %s   %s\n' "$name" \
    "$(measure "$cli" --home "$home" render 1 -o "$work/out.jpg")" \
    "$(measure bash -c "floor_card '$photo' $scale")" \
    "$(measure bash -c "$(declare -p lines); $(declare -f magick_card); magick_card '$photo' '$work/im.jpg'")" \
    "$(measure $py "$work/pillow.py" "$photo" "$work/pil.jpg" "${lines[@]}")" \
    "$(measure bash -c "$(declare -p lines); $(declare -f vips_card); vips_card '$photo' '$work/vips.jpg'")"
done
# What Qt and the fonts cost by themselves: a card that needs no reshaping.
"$cli" --home "$home" settings set Config Jpeg "$PWD/tests/data/jpeg/tower_baseline.jpg" >/dev/null
printf '%-28s %s\n' "qt-baseline (512x512)" "$(measure "$cli" --home "$home" render 1 -o "$work/out.jpg")"
