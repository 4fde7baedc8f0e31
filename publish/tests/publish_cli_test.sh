#!/bin/sh
# End to end through the executable: internet settings and profiles, and a page from
# a sample template with current data from the console simulator on loopback TCP.
# Usage: publish_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
dir=$(mktemp -d)
simpid=
cleanup() {
  [ -n "$simpid" ] && kill "$simpid" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
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
"$sim" --tcp 0 > sim.out 2>&1 &
simpid=$!
tries=0
while ! grep -q '^127.0.0.1:' sim.out 2>/dev/null; do
  tries=$((tries + 1))
  [ $tries -gt 100 ] && fail "simulator did not start"
  sleep 0.05
done
port=$(sed -n 's/^127\.0\.0\.1:\([0-9]*\)$/\1/p' sim.out)
"$sq" station set Alpha connection=tcp host=127.0.0.1 tcp-port="$port" model=6 > /dev/null || fail "station set"
"$sq" page Alpha Alpha/Templates/current.htx > /dev/null || fail "page"
[ -f Alpha/Templates/current.html ] || fail "no page with the profile's extension"
grep -q '<!--outsideTemp-->' Alpha/Templates/current.html && fail "tag left in the page"
grep -q '<th>Outside temperature</th><td class="v">[0-9.-]*</td><td>°F</td>' Alpha/Templates/current.html \
  || fail "no temperature"
exit 0
