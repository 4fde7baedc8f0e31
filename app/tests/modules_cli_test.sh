#!/bin/sh
# stratoquill modules end to end: add the sample module, list, run its commands against
# a station with a few records, disable, remove; and the answers to mistakes.
# Then the module commands against the console simulator: the sample module reads the
# downloaded records, a test module the console's current values and alarms.
# Usage: modules_cli_test.sh STRATOQUILL MODULE_DIR CONSOLE_SIM
set -u
SQ=$1
MODS=$2
sim=$3
. "$(dirname "$0")/../../test_support/cli_test_lib.sh"
sq() { "$SQ" --home "$dir" "$@"; }

sq init >/dev/null || fail init
sq station new Home >/dev/null || fail "station new"
out=$(sq modules list) || fail list
echo "$out" | grep -q "No expansion modules" || fail "empty list: $out"

sq modules add "$MODS/mod_no_init.so" >/dev/null 2>&1 && fail "a library without SquillExpModuleInit was added"
out=$(sq modules add "$MODS/sample_module.so") || fail "add: $out"
echo "$out" | grep -q "will not take effect until you quit and restart" || fail "no restart note: $out"
[ -x "$dir/Expansion_Modules/sample_module.so" ] || fail "not copied"
out=$(sq modules list)
[ "$out" = "$(printf ' [X]\tsample_module.so\tSample module: newest record and last day\t0x5A3701')" ] || fail "list: $out"
sq modules add "$MODS/sample_module.so" </dev/null >/dev/null 2>&1 && fail "replaced without asking"
sq modules add --yes "$MODS/sample_module.so" >/dev/null || fail "replace --yes"

out=$(sq modules commands) || fail commands
echo "$out" | grep -q "Modules menu:" || fail "commands: $out"
echo "$out" | grep -q "42001  Last day" || fail "commands: $out"
out=$(sq modules run sample_module.so 0) || fail "run: $out"
[ "$out" = "The database holds no archive records." ] || fail "run: $out"
sq modules run sample_module.so 2 2>/dev/null && fail "command 2 of 2 ran"
sq modules run sample_module.so x 2>/dev/null && fail "index x accepted"
sq modules frobnicate 2>/dev/null && fail "unknown action accepted"
sq modules list --bogus 2>/dev/null && fail "unknown option accepted"

sq modules disable sample_module.so >/dev/null || fail disable
sq modules list | grep -q "^ \[ \]	sample_module.so" || fail "not disabled"
out=$(sq modules run sample_module.so 0 2>&1) && fail "a disabled module ran: $out"
sq modules enable sample_module.so >/dev/null || fail enable
sq modules remove sample_module.so </dev/null >/dev/null 2>&1 && fail "removed without asking"
sq modules remove sample_module.so --yes >/dev/null || fail remove
sq modules list | grep -q "No expansion modules" || fail "still listed"
sq modules enable nosuch.so 2>/dev/null && fail "enabled a module not listed"

# Against the console simulator.
start_sim --records 60
sq station set "$dir/Home" connection=tcp host=127.0.0.1 tcp-port="$port" model=5 >/dev/null || fail "station set"
sq download "$dir/Home" --yes </dev/null >/dev/null 2>&1 || fail download
sq modules add --yes "$MODS/sample_module.so" >/dev/null || fail "add again"
sq modules add --yes "$MODS/console_module.so" >/dev/null || fail "add console module"
out=$(sq modules run sample_module.so 0 --station "$dir/Home") || fail "run: $out"
echo "$out" | grep -q "^Newest record 59: .*, outside [0-9.-]* .F, barometer [0-9.]*$" || fail "newest record: $out"
out=$(sq modules run sample_module.so 1) || fail "run: $out"
echo "$out" | grep -q "^Day .*: high [0-9.-]* at .*, low [0-9.-]*$" || fail "last day: $out"
out=$(sq modules run console_module.so 0) || fail "console: $out"
echo "$out" | grep -q "^packet LOO outside" || fail "console values: $out"
echo "$out" | grep -q "^alarms read" || fail "alarms: $out"
echo "$out" | grep -q "^internet settings read, written back 1" || fail "internet settings: $out"

# stratoquill run loads the modules and checks their events every 20 ticks; the event
# reaches the console while run's real-time stream pauses for it, and the internet
# settings of the open station.
sq run --ticks 21 --tick-ms 5 </dev/null 2>/dev/null || fail "run"
grep -q " Console test event at minute [0-9]* (1): console 1, internet settings 1" "$dir/download.log" ||
  fail "no event logged"
echo "modules cli: ok"
