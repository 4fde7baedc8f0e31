#!/bin/sh
# The upload command and the schedule of `stratoquill run` end to end: a station on the
# console simulator (loopback TCP) publishes a page, a report and images into a
# local-copy folder, on demand and on its schedule.
# Usage: upload_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
cd "$dir" || fail "no temporary folder"
"$sq" init > /dev/null || fail "init"
"$sq" station new Alpha > /dev/null || fail "station new"
start_sim --records 300
"$sq" station set Alpha connection=tcp host=127.0.0.1 tcp-port="$port" model=6 > /dev/null || fail "station set"

# Mistakes are told, and nothing runs.
"$sq" upload Alpha --profil 1 2> err.txt; [ $? -eq 2 ] || fail "unknown option not refused"
"$sq" upload Alpha 2> err.txt && fail "upload without an enabled profile"
grep -q 'no upload profile is enabled' err.txt || fail "no message for no profile: $(cat err.txt)"
"$sq" upload Alpha --profile 1 2> err.txt && fail "upload with nowhere to publish"
grep -q 'local-copy=on' err.txt || fail "no hint for nowhere to publish: $(cat err.txt)"

"$sq" internet Alpha set local-copy=on local-folder="$dir/web" connection=lan > /dev/null || fail "internet set"
"$sq" internet Alpha profile 1 files add Alpha/Templates/current.htx > /dev/null || fail "files add"
"$sq" internet Alpha profile 1 set enabled=on interval=1 download-first=on reports=noaa-month \
  current-images=OutsideTemp.gif report-folder=reports current-image-folder=img > /dev/null || fail "profile set"

"$sq" upload Alpha < /dev/null > up.out 2> up.err || fail "upload: $(cat up.err)"
for f in current.htm reports/NOAAMO.TXT img/OutsideTemp.gif; do
  [ -s "web/$f" ] || fail "web/$f not copied: $(cat up.err)"
done
cmp -s web/reports/NOAAMO.TXT Alpha/NOAAMO.TXT || fail "report copy differs"
grep -q 'Upload of Data Upload Profile(s) 1  completed OK.' download.log || fail "no result line in the log"
grep -q 'Downloaded Alpha ok.' download.log || fail "no download line in the log"

# The schedule of run: interval 1 fires at the first check (tick 20).
rm -rf web
"$sq" run --station Alpha --tick-ms 5 --ticks 120 --no-realtime < /dev/null > run.out 2>&1 || fail "run: $(cat run.out)"
[ -s web/current.htm ] || fail "run did not publish: $(cat run.out)"
exit 0
