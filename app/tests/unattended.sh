#!/bin/sh
# The real program with nobody at the screen. In a folder without a setup it waits neither on the
# start-up chooser nor on the basic settings: it takes its picture and ends. Started with homing at
# the machine's own pace, its window is up (the picture taken) while the carriage is still on its
# way, and the end stops the homing rather than waiting for it.
#   unattended.sh CARVEX ORVIX FOLDER
set -e
carvex=$1 orvix=$2 base=$3
rm -rf "$base"
mkdir -p "$base/empty" "$base/machine"
timeout 60 "$orvix" --base "$base/empty" --screenshot "$base/empty/shot.png"
test -s "$base/empty/shot.png"
grep -q "unattended start" "$base/empty/carvex.log"
test ! -e "$base/empty/setup.ini"

"$carvex" --base "$base/machine" setup --use Demo --save >/dev/null
cp "$base/machine/setup-Demo.ini" "$base/setup-before.ini"
start=$(date +%s)
timeout 30 "$orvix" --base "$base/machine" --time-scale 1 --startup-action 0 --screenshot "$base/machine/shot.png"
took=$(( $(date +%s) - start ))
test -s "$base/machine/shot.png"
grep -q "machine work: " "$base/machine/carvex.log"
grep -q "homing stopped by the operator" "$base/machine/carvex.log"
# Homing the default machine at time scale 1 takes far longer than this run did.
test "$took" -lt 20
cmp "$base/machine/setup-Demo.ini" "$base/setup-before.ini"
echo "unattended runs: ok (${took} s with homing under way)"
