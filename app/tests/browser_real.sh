#!/bin/sh
# The RIP folder browser in the real program: a fresh machine folder whose RIP folder holds print
# files without previews. Orvix renders them on start-up, lists them, makes their thumbnails and
# keeps them in the folder's cache: browser_real.sh CARVEX ORVIX FOLDER
set -e
carvex=$1 orvix=$2 base=$3
rm -rf "$base"
mkdir -p "$base/RIP"
echo "virtual card FPGA image" > "$base/TORVIAN.drv"
echo "virtual card DSP program" > "$base/PLENTAX.drv"
for n in one two three; do
  "$carvex" --base "$base" mkrip --synthetic 360x180 --dpi 180 -o "$base/RIP/$n.prn" >/dev/null
done
echo "not a bitmap of a print" > "$base/RIP/lonely.bmp"
"$orvix" --base "$base" --startup-action 2 --screenshot "$base/shot.png"
for n in one two three; do
  test -s "$base/RIP/$n.bmp" || { echo "no preview rendered for $n.prn"; exit 1; }
  test -s "$base/RIP/$n.ink" || { echo "no ink coverage kept for $n.prn"; exit 1; }
done
test -s "$base/RIP/brwseimg.tf" || { echo "no thumbnail cache written"; exit 1; }
test -s "$base/shot.png" || { echo "no picture of the window"; exit 1; }
# Started again: nothing to render, the cache is kept as it is.
before=$(stat -c %Y.%s "$base/RIP/one.bmp" "$base/RIP/brwseimg.tf")
"$orvix" --base "$base" --startup-action 2 --screenshot "$base/shot2.png"
after=$(stat -c %Y.%s "$base/RIP/one.bmp" "$base/RIP/brwseimg.tf")
test "$before" = "$after" || { echo "the second start changed the previews or the cache"; exit 1; }
echo "ok: previews, ink coverage and thumbnail cache made by the real program"
