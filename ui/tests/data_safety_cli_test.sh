#!/bin/sh
# Through the executable: commands never write over the user's data by mistake. An
# export refuses the program's own files and asks before replacing another file;
# commands that only show change nothing; an unreadable rain history is reported.
# Usage: data_safety_cli_test.sh STRATOQUILL CONSOLE_SIM
set -u
sq=$1
sim=$2
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
same() { cmp -s "$1" "$2" || fail "$3"; }

start_sim --records 60

home=$dir/home
mkdir "$home"
"$sq" --home "$home" init > /dev/null || fail "init"
"$sq" --home "$home" station new Alpha > /dev/null || fail "station new"
st=$home/Alpha
"$sq" --home "$home" station set "$st" connection=tcp host=127.0.0.1 tcp-port="$port" model=5 rain-db=1 > /dev/null \
  || fail "station set"
"$sq" --home "$home" download "$st" --yes < /dev/null > /dev/null 2>&1 || fail "download"
stop_sim
month=$(cd "$st" && ls *.sqm | head -n 1)
[ -n "$month" ] || fail "no month file"
cp -p "$st/$month" "$dir/month.before"
cp -p "$st/STATION.CFG" "$dir/station.before"
cp -p "$home/progdata.dat" "$dir/progdata.before"

# An export onto the program's own files is refused, whatever the options.
for target in "$st/$month" "$st/STATION.CFG" "$st/station.cfg" "$home/progdata.dat" "$st/rain.db" \
              "$home/download.log" "$home/ports.lst"; do
  [ -e "$target" ] && cp -p "$target" "$dir/target.before"
  "$sq" --home "$home" export "$st" --from 2000-01-01 --to 2099-12-31 --force "$target" < /dev/null \
    > /dev/null 2> "$dir/err" && fail "export onto $target succeeded"
  grep -q "was left as it is (choose another file name)" "$dir/err" || fail "no refusal for $target: $(cat "$dir/err")"
  [ -e "$target" ] && same "$target" "$dir/target.before" "$target changed"
done
same "$st/$month" "$dir/month.before" "the month file changed"

# Another existing file: refused unattended, replaced with --force. A link in its place
# is replaced, never written through.
echo "keep me" > "$dir/other.txt"
"$sq" --home "$home" export "$st" --from 2000-01-01 --to 2099-12-31 "$dir/other.txt" < /dev/null \
  > /dev/null 2> "$dir/err" && fail "unattended export replaced a file"
grep -q "use --force to replace it" "$dir/err" || fail "no hint at --force"
[ "$(cat "$dir/other.txt")" = "keep me" ] || fail "other.txt changed"
ln -s "$dir/other.txt" "$dir/link.txt"
"$sq" --home "$home" export "$st" --from 2000-01-01 --to 2099-12-31 --force "$dir/link.txt" < /dev/null \
  > /dev/null || fail "export --force"
[ "$(cat "$dir/other.txt")" = "keep me" ] || fail "the export wrote through a link"
[ -L "$dir/link.txt" ] && fail "the link is still there"
grep -q . "$dir/link.txt" || fail "the export is empty"

# A rain history too large to read is reported, not shown as empty, and kept.
cp "$st/rain.db" "$dir/rain.big"
while [ "$(wc -c < "$dir/rain.big")" -le 4194304 ]; do cat "$dir/rain.big" "$dir/rain.big" > "$dir/rain.tmp" && mv "$dir/rain.tmp" "$dir/rain.big"; done
cp "$dir/rain.big" "$st/rain.db"
"$sq" --home "$home" rain "$st" > /dev/null 2> "$dir/err" && fail "rain showed an unreadable history"
grep -q "could not be read" "$dir/err" || fail "rain did not say why: $(cat "$dir/err")"
same "$st/rain.db" "$dir/rain.big" "rain.db changed"

# Commands that only show change nothing; conversion is an explicit command.
mkdir "$home/Beta"
head -c 2088 /dev/urandom > "$home/Beta/STATION.CFG"
cp "$home/Beta/STATION.CFG" "$dir/beta.before"
"$sq" --home "$home" station show "$home/Beta" > /dev/null 2> "$dir/err" && fail "station show of an older file succeeded"
grep -q "station upgrade" "$dir/err" || fail "station show did not name the upgrade: $(cat "$dir/err")"
same "$home/Beta/STATION.CFG" "$dir/beta.before" "station show converted the file"
"$sq" --home "$home" station upgrade "$home/Beta" > /dev/null 2>&1 || fail "station upgrade"
same "$home/Beta/Backup/STATION.CFG" "$dir/beta.before" "no copy of the older file"
"$sq" --home "$home" station show "$home/Beta" > /dev/null || fail "station show after the upgrade"
"$sq" --home "$home" station upgrade 2> /dev/null && fail "station upgrade without a folder"

head -c 100 /dev/urandom > "$home/progdata.dat"
cp "$home/progdata.dat" "$dir/progdata.damaged"
"$sq" --home "$home" units > /dev/null 2> "$dir/err" && fail "units showed a damaged progdata.dat"
grep -q "units --reset" "$dir/err" || fail "units did not name --reset: $(cat "$dir/err")"
same "$home/progdata.dat" "$dir/progdata.damaged" "units replaced progdata.dat"
"$sq" --home "$home" autodownload > /dev/null 2>&1
same "$home/progdata.dat" "$dir/progdata.damaged" "autodownload replaced progdata.dat"
"$sq" --home "$home" units --reset > /dev/null 2>&1 || fail "units --reset"
same "$home/progdata.old" "$dir/progdata.damaged" "no copy of the damaged progdata.dat"
"$sq" --home "$home" units > /dev/null || fail "units after --reset"

echo ok
