#!/bin/sh
# End to end through the executable: the classic command line and `run` against the
# console simulator on loopback TCP.
# Usage: shell_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
log_lines() { [ -f "$dir/download.log" ] && wc -l < "$dir/download.log" || echo 0; }

"$sq" --home "$dir" init > /dev/null || fail "init"
"$sq" --home "$dir" station new Alpha > /dev/null || fail "station new"
start_sim --records 60
"$sq" --home "$dir" station set "$dir/Alpha" connection=tcp host=127.0.0.1 tcp-port="$port" model=5 > /dev/null \
  || fail "station set"

# STATION -d downloads unattended and logs its result.
"$sq" --home "$dir" Alpha -d < /dev/null || fail "Alpha -d exit status $?"
head -n 1 "$dir/download.log" | grep -q '(Alpha) Command line download ok\.$' || fail "no download ok line"
"$sq" --home "$dir" db info "$dir/Alpha" | grep -q '^Archive records: *60$' || fail "records not stored"

# Files the user names are relative to the folder the user is in, and the message says
# where the file went.
mkdir -p "$dir/cwd"
out=$(cd "$dir/cwd" && "$sq" --home "$dir" export "$dir/Alpha" --from 2024-06-01 --to 2024-06-02 rel.txt) \
  || fail "export rel.txt"
[ -s "$dir/cwd/rel.txt" ] && [ ! -e "$dir/rel.txt" ] || fail "rel.txt not in the current folder"
[ "$out" = "${out%"written to $dir/cwd/rel.txt"}" ] && fail "export said: $out"
(cd "$dir/cwd" && "$sq" --home "$dir" sunrise --lat 45 --lon -122 --tz -8 --date 2024-06-01 > /dev/null) \
  || fail "sunrise"
[ -s "$dir/cwd/sunrise.txt" ] || fail "sunrise.txt not in the current folder"

# A damaged month in the range is named and makes browse and export fail unless the
# user accepts it.
cp -r "$dir/Alpha" "$dir/Copy"
head -c 100 /dev/zero > "$dir/Copy/2024-05.sqm"
"$sq" --home "$dir" browse "$dir/Copy" --from 2024-05-01 --to 2024-06-02 > /dev/null 2> "$dir/err" \
  && fail "browse over a damaged month succeeded"
grep -q "left out the damaged month file 2024-05.sqm" "$dir/err" || fail "browse: $(cat "$dir/err")"
"$sq" --home "$dir" browse "$dir/Copy" --from 2024-05-01 --to 2024-06-02 --skip-damaged > /dev/null 2>&1 \
  || fail "browse --skip-damaged"
"$sq" --home "$dir" export "$dir/Copy" --from 2024-05-01 --to 2024-06-02 --force "$dir/cwd/x.txt" > /dev/null \
  2> "$dir/err" && fail "export over a damaged month succeeded"
grep -q "2024-05.sqm" "$dir/err" || fail "export: $(cat "$dir/err")"
"$sq" --home "$dir" browse "$dir/Copy" --from 2024-06-01 --to 2024-06-02 > /dev/null 2>&1 \
  || fail "browse outside the damaged month"
rm -rf "$dir/Copy"

# A folder that does not exist: logged, nothing downloaded, failure status.
"$sq" --home "$dir" Nope -d < /dev/null 2> /dev/null && fail "Nope -d succeeded"
head -n 1 "$dir/download.log" | grep -q "subdirectory  '$dir/Nope' exists\." || fail "no open failure line"

# Switches inside a command's own options, and mistyped long options, start nothing.
before=$(log_lines)
"$sq" --home "$dir" sunrise --help -d -c > /dev/null || fail "sunrise --help"
"$sq" --home "$dir" --daily 2> /dev/null && fail "--daily accepted"
[ "$(log_lines)" = "$before" ] || fail "a job ran for a command's options"

# A first word that is neither a command nor a folder nor a station starts nothing.
for word in webpage tank gauges dowload; do
  timeout 10 "$sq" --home "$dir" $word status < /dev/null 2> "$dir/err"
  rc=$?
  [ $rc = 2 ] || fail "'$word' exit status $rc"
  grep -qx "Unknown command '$word'. See 'stratoquill --help'." "$dir/err" || fail "'$word': $(cat "$dir/err")"
done
grep -qx "Did you mean 'stratoquill download'?" "$dir/err" || fail "no suggestion for dowload"
[ "$(log_lines)" = "$before" ] || fail "a job ran for an unknown command"
stop_sim

# run: a download scheduled for the current hour and minute happens on the 20th tick.
start_sim --records 90
"$sq" --home "$dir" station set "$dir/Alpha" tcp-port="$port" > /dev/null || fail "station set port"
"$sq" --home "$dir" autodownload --add "$dir/Alpha" --hours "$(date +%-H)" --minute "$(date +%-M)" > /dev/null \
  || fail "autodownload"
"$sq" --home "$dir" run --no-realtime --tick-ms 5 --ticks 45 < /dev/null 2> /dev/null || fail "run exit status"
head -n 1 "$dir/download.log" | grep -q 'Downloaded Alpha ok\.$' || fail "no scheduled download line"
[ "$(grep -c 'Downloaded Alpha ok' "$dir/download.log")" = 1 ] || fail "scheduled download ran twice"
"$sq" --home "$dir" db info "$dir/Alpha" | grep -q '^Archive records: *90$' || fail "scheduled records not stored"
echo "ok"
