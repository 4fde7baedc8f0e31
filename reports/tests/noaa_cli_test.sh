#!/bin/sh
# The noaa command and the report settings through the executable, on a database
# downloaded from the console simulator over loopback TCP.
# Usage: noaa_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
q() { "$sq" --home "$dir" "$@"; }

q init > /dev/null || fail "init"
q station new Alpha > /dev/null || fail "station new"
q station new Empty > /dev/null || fail "station new Empty"
start_sim --records 400 --period 30 --start 2024-06-25
q station set "$dir/Alpha" connection=tcp host=127.0.0.1 tcp-port="$port" > /dev/null || fail "station set"
q download "$dir/Alpha" --yes < /dev/null > /dev/null 2>&1 || fail "download"
stop_sim

# The settings, with the setup's messages for bad values; nothing is saved then.
q station set "$dir/Alpha" noaa-city=Lakeside noaa-state=IL "noaa-latitude=41 30' N" normal-rain=7:3.5 \
  || fail "report settings"
q station set "$dir/Alpha" heat-base= normal-temp=7:warm 2> "$dir/err" && fail "bad settings accepted"
grep -q "Please enter a heating degree day base temp\.$" "$dir/err" || fail "no base message"
grep -q "Could not recognize normal mean temp 'warm'for month 7\.$" "$dir/err" || fail "no normal message"
q station show "$dir/Alpha" | grep -q '^normal-rain *7:3.5$' || fail "normal-rain not shown"

# The last record is in July 2024: this month is July, the month before June.
q noaa "$dir/Alpha" --this-month > "$dir/out" 2> /dev/null || fail "this-month"
cmp -s "$dir/out" "$dir/Alpha/NOAAMO.TXT" || fail "printed and written reports differ"
head -n 1 "$dir/out" | grep -q 'MONTHLY CLIMATOLOGICAL SUMMARY for JUL\. 2024$' || fail "not July"
grep -q '^NAME: Alpha   CITY: Lakeside   STATE: IL $' "$dir/out" || fail "no name line"
q noaa "$dir/Alpha" --standard 2> /dev/null || fail "standard"
for f in NOAAMO NOAAPRMO NOAAYR NOAAPRYR; do [ -s "$dir/Alpha/$f.TXT" ] || fail "no $f.TXT"; done
grep -q 'for JUN\. 2024$' "$dir/Alpha/NOAAPRMO.TXT" || fail "last month is not June"
grep -q '^ 23 12$' "$dir/Alpha/NOAAPRYR.TXT" || fail "last year is not 2023"
q noaa "$dir/Alpha" --month 2024-06 > /dev/null 2>&1 || fail "month"
[ -s "$dir/Alpha/NOAA-2024-06.TXT" ] || fail "no NOAA-2024-06.TXT"
q noaa "$dir/Alpha" --year 2024 --out "$dir/year.txt" > /dev/null 2>&1 || fail "year --out"
grep -q '^ 24  7' "$dir/year.txt" || fail "no July line"

# Mistakes: usage (2); a file that cannot be written and an empty database (1).
q noaa "$dir/Alpha" > /dev/null 2>&1; [ $? = 2 ] || fail "no report chosen"
q noaa "$dir/Alpha" --mnth 2024-06 > /dev/null 2>&1; [ $? = 2 ] || fail "mistyped option"
q noaa "$dir/Alpha" --month 2024-13 > /dev/null 2>&1; [ $? = 2 ] || fail "bad month"
q noaa "$dir/Alpha" --this-month --out "$dir/no/such.txt" > /dev/null 2> "$dir/err"; [ $? = 1 ] || fail "bad --out"
grep -q 'Could not open noaa.txt' "$dir/err" || fail "no open message"
q noaa "$dir/Empty" --this-year > /dev/null 2> "$dir/err"; [ $? = 1 ] || fail "empty database"
grep -q 'No records in your database\.$' "$dir/err" || fail "no empty message"
echo ok
