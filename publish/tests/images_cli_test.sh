#!/bin/sh
# End to end through the executable: a profile's weather images from the console
# simulator's current data (loopback TCP) and the downloaded archive.
# Usage: images_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
is_gif() {
  [ "$(head -c 6 "$1")" = "GIF89a" ] || [ "$(head -c 6 "$1")" = "GIF87a" ]
}
cd "$dir" || fail "no temporary folder"
"$sq" init > /dev/null || fail "init"
"$sq" station new Alpha > /dev/null || fail "station new"

# Mistakes are refused with a usage text or a message, and draw nothing.
"$sq" images Alpha --colour red > /dev/null 2> err.txt; [ $? = 2 ] || fail "unknown option not refused"
grep -q '^Usage: stratoquill images' err.txt || fail "no usage for an unknown option"
"$sq" images Alpha --profile 9 2> err.txt && fail "profile 9 accepted"
"$sq" images Alpha --span 5weeks 2> err.txt && fail "bad span accepted"
grep -q "unknown span '5weeks'" err.txt || fail "no message for the bad span"
# A new profile selects nothing: the user is told how to choose.
"$sq" images Alpha > out.txt || fail "empty profile"
grep -q 'selects no images' out.txt || fail "no hint for an empty profile"
ls Alpha/Images/Profile1 | grep -q . && fail "an empty profile drew images"

start_sim --records 600
"$sq" station set Alpha connection=tcp host=127.0.0.1 tcp-port="$port" model=6 > /dev/null || fail "station set"
"$sq" download Alpha --yes > /dev/null 2>&1 || fail "download"

# The profile's selection, into the profile's image folder.
"$sq" internet Alpha profile 2 set current-images=OutsideTemp,WindDirection \
  historical-images=OutsideTempHistory span=6days > /dev/null || fail "profile set"
"$sq" images Alpha --profile 2 > out.txt 2> err.txt || fail "images: $(cat err.txt)"
for f in OutsideTemp WindDirection OutsideTempHistory; do
  grep -q "^wrote Alpha/Images/Profile2/$f.gif$" out.txt || fail "$f not listed"
  is_gif "Alpha/Images/Profile2/$f.gif" || fail "$f is not a GIF"
done
[ "$(wc -l < out.txt)" -eq 3 ] || fail "more than the selection: $(cat out.txt)"
ls Alpha/Images/Profile2 | grep -v '\.gif$' && fail "temporary files left"

# Only one kind, everything the station has, into another folder. (Graphs alone need
# no console.)
"$sq" images Alpha --historical --all --span 24h --out graphs > out.txt || fail "historical --all"
grep -q '^wrote graphs/BarometerHistory.gif$' out.txt || fail "no barometer graph"
grep -v 'History' out.txt && fail "current images drawn with --historical"
for f in graphs/*.gif; do is_gif "$f" || fail "$f is not a GIF"; done

# Without the console, the current images fail with their messages; the graphs do not.
stop_sim
"$sq" images Alpha --profile 2 > out.txt 2> err.txt && fail "no console, yet success"
grep -q 'no current data' err.txt || fail "no message for the missing console"
grep -q 'Error creating Outside Temperature image. Check Sensors.' err.txt || fail "no image error text"
grep -q 'OutsideTempHistory.gif' out.txt || fail "graph not drawn without the console"
"$sq" images Alpha --current --all --out now > out.txt 2> err.txt && fail "no console, yet current images"
[ -s out.txt ] && fail "something drawn with --current and no console: $(cat out.txt)"
exit 0
