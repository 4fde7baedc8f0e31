#!/bin/sh
# End to end through the executable: `stratoquill fuel` on a station with a year of
# synthetic weather. Customers are added, refused, renumbered, estimated, given a K
# factor, reported on (also with a damaged customer file) and removed.
# Usage: fuel_cli_test.sh STRATOQUILL MAKE_SYNTHETIC_DB
set -u
sq=$1
mkdb=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
fuel() { "$sq" --home "$dir" fuel "$dir/Home" "$@"; }

"$sq" --home "$dir" init > /dev/null || fail "init"
"$sq" --home "$dir" station new Home > /dev/null || fail "station new"
"$mkdb" "$dir/Home" --years 1 --interval 60 --start 2025-01 > /dev/null || fail "make_synthetic_db"
"$sq" --home "$dir" summarize "$dir/Home" > /dev/null 2>&1 || fail "summarize"

fuel list | grep -q "No customers" || fail "empty list"
fuel add last-name=Smith first-name=Anna street="12 Oak St" kfactor=5 reading=150 \
  reading-date=2025-01-01 > /dev/null || fail "add Smith"
fuel add last-name=Adams kfactor=2.5 reading=80 reading-date=2025-02-10 water-heater=1 > /dev/null ||
  fail "add Adams"
[ -f "$dir/Home/Fuel/1.dat" ] && [ -f "$dir/Home/Fuel/2.dat" ] || fail "next free numbers"

# A refused value names the field and writes nothing.
before=$(cat "$dir/Home/Fuel/1.dat" | od -c | md5sum)
out=$(fuel edit 1 street="5 Elm" kfactor=fast 2>&1) && fail "bad K accepted"
echo "$out" | grep -q "kfactor: K factor 'fast' not understood. ie 1.1 or .75" || fail "K message: $out"
[ "$(cat "$dir/Home/Fuel/1.dat" | od -c | md5sum)" = "$before" ] || fail "refused edit changed the file"
out=$(fuel add number=100000000 last-name=X kfactor=1 reading=1 reading-date=2025-01-01 2>&1) && fail "big number"
echo "$out" | grep -q "Customer no. '100000000' not valid. (0...99999999)." || fail "number message: $out"

# Renumbering moves the file.
fuel edit 2 number=7 > /dev/null || fail "renumber"
[ -f "$dir/Home/Fuel/7.dat" ] && [ ! -f "$dir/Home/Fuel/2.dat" ] || fail "renumbered files"
out=$(fuel edit 7 number=1 2>&1) && fail "renumber onto customer 1"
echo "$out" | grep -q "Customer no. 1 already in use." || fail "in-use message: $out"

fuel estimate 1 | grep -Eq '^Smith, Anna: (-?[0-9]+\.[0-9][0-9]|Empty on .*\.)$' || fail "estimate"
fuel kfactor 1 --from 2025-01-01 --to 2025-01-31 --gallons 100 --save > "$dir/k.out" || fail "kfactor"
k=$(sed -n 's/^K factor of customer no. 1: \([0-9.]*\) .*/\1/p' "$dir/k.out")
[ -n "$k" ] || fail "kfactor output: $(cat "$dir/k.out")"
fuel show 1 | grep -Eq "^kfactor +$k" || fail "saved K factor $k: $(fuel show 1)"
out=$(fuel kfactor 1 --from 2025-02-01 --to 2025-01-01 --gallons 100 2>&1) && fail "reversed dates"
echo "$out" | grep -q -- "--to: End date can not be before the Start date." || fail "date order: $out"

# The report goes on past a damaged customer file.
head -c 100 /dev/zero > "$dir/Home/Fuel/9.dat"
(cd "$dir" && "$sq" fuel Home report --short --sort name > report.out 2> report.err) || fail "report"
grep -q "Could not read data file for customer no. 9." "$dir/report.err" || fail "damaged file not reported"
grep -q "Fuel Remaining Report" "$dir/fuelrep.txt" || fail "fuelrep.txt"
cmp -s "$dir/fuelrep.txt" "$dir/report.out" || fail "printed report differs from fuelrep.txt"
[ "$(sed -n 5p "$dir/report.out" | cut -c1-5)" = "Adams" ] || fail "sorted by name: $(cat "$dir/report.out")"

fuel remove 7 < /dev/null > /dev/null 2>&1 && fail "removed without --yes"
fuel remove 7 --yes > /dev/null || fail "remove"
[ ! -f "$dir/Home/Fuel/7.dat" ] || fail "file left after remove"

fuel reprot > /dev/null 2>&1
[ $? -eq 2 ] || fail "unknown command exit status"
fuel report --wide > /dev/null 2>&1
[ $? -eq 2 ] || fail "unknown option exit status"
echo "fuel cli: ok"
