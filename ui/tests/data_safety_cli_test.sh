#!/bin/sh
# Through the executable: commands never write over the user's data by mistake. An
# export refuses the program's own files and asks before replacing another file;
# commands that only show change nothing; an unreadable rain history is reported.
# Usage: data_safety_cli_test.sh STRATOQUILL CONSOLE_SIM
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
same() { cmp -s "$1" "$2" || fail "$3"; }

"$sim" --tcp 0 --records 60 > "$dir/sim.out" 2>&1 &
simpid=$!
tries=0
while ! grep -q '^127.0.0.1:' "$dir/sim.out" 2>/dev/null; do
  tries=$((tries + 1))
  [ $tries -gt 100 ] && fail "simulator did not start"
  sleep 0.05
done
port=$(sed -n 's/^127\.0\.0\.1:\([0-9]*\)$/\1/p' "$dir/sim.out")

home=$dir/home
mkdir "$home"
"$sq" --home "$home" init > /dev/null || fail "init"
"$sq" --home "$home" station new Alpha > /dev/null || fail "station new"
st=$home/Alpha
"$sq" --home "$home" station set "$st" connection=tcp host=127.0.0.1 tcp-port="$port" model=5 rain-db=1 > /dev/null \
  || fail "station set"
"$sq" --home "$home" download "$st" --yes < /dev/null > /dev/null 2>&1 || fail "download"
kill "$simpid" 2>/dev/null
wait "$simpid" 2>/dev/null
simpid=
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

echo ok
