#!/bin/sh
# stratoquill doctor through the executable against the console simulator on a
# pseudo-terminal: exit status 0 in good order, 1 with a problem, 2 on a usage error.
# Usage: doctor_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
# Failures show the doctor's output.
fail() {
  echo "FAIL: $*" >&2
  [ -f "$dir/out" ] && sed 's/^/  out: /' "$dir/out" >&2
  exit 1
}

start_sim_pty --records 50
dev=$tty

home=$dir/home
mkdir "$home"
"$sq" --home "$home" init > /dev/null || fail "init"
"$sq" --home "$home" station new Home > /dev/null || fail "station new"
"$sq" --home "$home" station set "$home/Home" connection=serial port=1 device="$dev" > /dev/null || fail "station set"
"$sq" --home "$home" console "$home/Home" settime --zone 19 --yes > /dev/null || fail "settime"

"$sq" --home "$home" doctor > "$dir/out" 2>&1 || fail "doctor in good order: exit status $?"
grep -q '^All is well\.$' "$dir/out" || fail "no 'All is well.'"
grep -q "console: model 16 answers on COM1" "$dir/out" || fail "console not asked"

rm "$home/progdata.dat"
"$sq" --home "$home" doctor "$home/Home" > "$dir/out" 2>&1
[ $? = 1 ] || fail "doctor without progdata.dat: exit status not 1"
grep -q "^    fix: stratoquill --home $home init$" "$dir/out" || fail "no init fix"
grep -q '^1 problem found\.$' "$dir/out" || fail "no count of problems"

"$sq" --home "$home" doctor --verbose > "$dir/out" 2>&1
[ $? = 2 ] || fail "unknown option: exit status not 2"
grep -q "unexpected argument '--verbose'" "$dir/out" || fail "no message for the unknown option"
echo ok
