#!/bin/sh
# End to end through the executable: `now` reading the console simulator live on a
# pseudo-terminal, `run` keeping the snapshot while it holds the port, and `now`
# showing that snapshot meanwhile.
# Usage: now_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"

start_sim_pty --packet-ms 20
"$sq" --home "$dir" init > /dev/null || fail "init"
"$sq" --home "$dir" station new Alpha > /dev/null || fail "station new"
"$sq" --home "$dir" station set "$dir/Alpha" connection=serial port=1 device="$tty" model=5 > /dev/null \
  || fail "station set"

# Live: one JSON object per update, numbers as numbers, null for no value.
"$sq" --home "$dir" now "$dir/Alpha" --json --count 2 > "$dir/live.json" || fail "now live"
[ "$(wc -l < "$dir/live.json")" = 2 ] || fail "not two updates"
grep -q '"source":"console"' "$dir/live.json" || fail "not from the console"
grep -q '"outside_temperature":65.5,' "$dir/live.json" || fail "outside temperature"
grep -q '"extra_temperature_2":null' "$dir/live.json" || fail "no null for a missing sensor"
grep -q '"forecast_rule":44,' "$dir/live.json" || fail "forecast rule"

# run keeps the snapshot; now reads it while run holds the port.
"$sq" --home "$dir" run --station "$dir/Alpha" --tick-ms 100 --ticks 100 < /dev/null > /dev/null 2>&1 &
runpid=$!
tries=0
while [ ! -s "$dir/Alpha/current_conditions.txt" ]; do
  tries=$((tries + 1))
  [ $tries -gt 200 ] && fail "run wrote no snapshot"
  sleep 0.05
done
"$sq" --home "$dir" now "$dir/Alpha" --json --count 1 > "$dir/snap.json" || fail "now from the snapshot"
grep -q '"source":"snapshot"' "$dir/snap.json" || fail "not from the snapshot"
grep -q '"outside_temperature":6' "$dir/snap.json" || fail "snapshot values"
kill -INT "$runpid"
wait "$runpid"
runpid=

# Mistakes get a clear answer.
"$sq" --home "$dir" now 2> /dev/null && fail "now without a folder"
"$sq" --home "$dir" now "$dir/Alpha" --count 0 2> /dev/null && fail "count 0"
"$sq" --home "$dir" forecast 194 2> /dev/null && fail "rule 194"
[ "$("$sq" --home "$dir" forecast 193)" = " FORECAST REQUIRES 3 HOURS OF RECENT DATA. " ] || fail "rule 193"
echo "ok"
