#!/bin/sh
# The real program with a queue: a fresh machine folder with two RIP files in its print list
# ("PrintList.ini" as an earlier run left it); Orvix starts, loads the queue and pictures it.
# queue_shot.sh CARVEX ORVIX FOLDER OUT
set -e
carvex=$1 orvix=$2 base=$3 out=$4
rm -rf "$base"
mkdir -p "$base/RIP" "$out"
echo "virtual card FPGA image" > "$base/TORVIAN.drv"
echo "virtual card DSP program" > "$base/PLENTAX.drv"
"$carvex" --base "$base" mkrip --synthetic 360x180 --dpi 180 -o "$base/RIP/one.prn" >/dev/null
"$carvex" --base "$base" mkrip --synthetic 720x360 --dpi 180 -o "$base/RIP/two.prn" >/dev/null
tab=$(printf '\t')
{
  printf '[PRINTLIST]\n'
  for f in one two; do
    printf 'Job%s=%s.prn\t4 Pass\t1\t1\t20\t0.051x0.025:0.001m2\t180x180\t\t%s\t3\t1\t20,20,20,20,20,0,0,0,0,0,0,\t4\t0\tNO\t\n' \
      "$([ $f = one ] && echo 0 || echo 1)" "$f" "$base/RIP/$f.prn"
  done
} > "$base/PrintList.ini"
"$orvix" --base "$base" --startup-action 2 --screenshot "$out/orvix-queue.png"
# The queue is still there after the run (saved at shutdown), both rows intact.
grep -q "^Job1=two.prn${tab}4 Pass${tab}" "$base/PrintList.ini"
test -s "$out/orvix-queue.png"
