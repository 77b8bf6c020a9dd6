#!/bin/sh
# Screenshots of the real program after start-up in a fresh machine folder with a named setup,
# the card's firmware images and a RIP folder: screenshot.sh CARVEX ORVIX FOLDER LANG OUT
set -e
carvex=$1 orvix=$2 base=$3 lang=$4 out=$5
rm -rf "$base"
mkdir -p "$base/RIP"
echo "virtual card FPGA image" > "$base/TORVIAN.drv"
echo "virtual card DSP program" > "$base/PLENTAX.drv"
"$carvex" --base "$base" setup --use Demo --save >/dev/null
"$carvex" --base "$base" mkrip --synthetic 360x180 --dpi 180 -o "$base/RIP/demo.prn" >/dev/null
exec "$orvix" --base "$base" --lang "$lang" --startup-action 0 --screenshot "$out/orvix-$lang.png" \
  --screenshot-dialogs "$out/dialogs-$lang"
