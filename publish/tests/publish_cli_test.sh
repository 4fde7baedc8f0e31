#!/bin/sh
# End to end through the executable: internet settings and profiles, and pages from
# current data of the console simulator on loopback TCP, read directly and through the
# snapshot of `stratoquill run`.
# Usage: publish_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
cd "$dir" || fail "no temporary folder"
"$sq" init > /dev/null || fail "init"
"$sq" station new Alpha > /dev/null || fail "station new"
[ -f Alpha/Templates/current.htx ] || fail "no sample template in the new station"

# Settings: a refused change leaves everything as it was; passwords are never shown.
"$sq" internet Alpha set ftp-host=ftp.example.org ftp-port=99999 2> err.txt && fail "bad port accepted"
grep -q 'ftp-port' err.txt || fail "no message for the bad port"
[ -f Alpha/Inet-Configuration.cfg ] && fail "a refused change was saved"
"$sq" internet Alpha set ftp-host=ftp.example.org ftp-password=hunter2 connection=lan > /dev/null || fail "set"
[ "$(wc -c < Alpha/Inet-Configuration.cfg)" -eq 6144 ] || fail "configuration is not 6144 bytes"
"$sq" internet Alpha show > show.txt || fail "show"
grep -q '^ftp-host *ftp.example.org$' show.txt || fail "host not shown"
grep -q 'hunter2' show.txt && fail "password shown"
"$sq" internet Alpha profile 2 set page-extension=html enabled=on > /dev/null || fail "profile set"
"$sq" internet Alpha profile 2 files add Alpha/Templates/current.htx > /dev/null || fail "files add"
grep -q "^current.htx	*$dir/Alpha/Templates/current.htx$" Alpha/Profile2.lst || fail "list line"
"$sq" internet Alpha profile 2 files remove 5 2> /dev/null && fail "bad index accepted"

# A page from the console's current data; the listing profile gives the extension.
start_sim
"$sq" station set Alpha connection=tcp host=127.0.0.1 tcp-port="$port" model=6 > /dev/null || fail "station set"
"$sq" page Alpha Alpha/Templates/current.htx > /dev/null || fail "page"
[ -f Alpha/Templates/current.html ] || fail "no page with the profile's extension"
grep -q '<!--outsideTemp-->' Alpha/Templates/current.html && fail "tag left in the page"
grep -q '<th>Outside temperature</th><td class="v">[0-9.-]*</td><td>°F</td>' Alpha/Templates/current.html \
  || fail "no temperature"

# What only the current conditions know: from one reading of the console, and from the
# snapshot of `stratoquill run` while run holds the console.
printf '<!--ForecastStr-->|<!--windAvg10-->|<!--windHigh1-->|<!--hiOutsideTemp-->\n' > derived.htx
"$sq" page Alpha derived.htx derived.txt > /dev/null || fail "page from the console"
grep -q -- '---' derived.txt && fail "derived values missing from a console reading: $(cat derived.txt)"
"$sq" run --station Alpha --tick-ms 100 < /dev/null > run.out 2>&1 &
runpid=$!
tries=0
while [ ! -f Alpha/current_conditions.txt ]; do
  tries=$((tries + 1))
  [ $tries -gt 200 ] && fail "run wrote no snapshot: $(cat run.out)"
  sleep 0.05
done
"$sq" page Alpha derived.htx derived.txt > /dev/null 2> page.err || fail "page under run: $(cat page.err)"
kill "$runpid"
wait "$runpid"
grep -q "from the snapshot of 'stratoquill run'" page.err || fail "page did not use the snapshot: $(cat page.err)"
grep -q -- '---' derived.txt && fail "derived values missing from the snapshot: $(cat derived.txt)"
exit 0
