#!/bin/sh
# stratoquill modules end to end: add the sample module, list, run its commands against
# a station with a few records, disable, remove; and the answers to mistakes.
# Usage: modules_cli_test.sh STRATOQUILL MODULE_DIR
set -u
SQ=$1
MODS=$2
HOME_DIR=$(mktemp -d)
trap 'rm -rf "$HOME_DIR"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
sq() { "$SQ" --home "$HOME_DIR" "$@"; }

sq init >/dev/null || fail init
sq station new Home >/dev/null || fail "station new"
out=$(sq modules list) || fail list
echo "$out" | grep -q "No expansion modules" || fail "empty list: $out"

sq modules add "$MODS/mod_no_init.so" >/dev/null 2>&1 && fail "a library without SquillExpModuleInit was added"
out=$(sq modules add "$MODS/sample_module.so") || fail "add: $out"
echo "$out" | grep -q "will not take effect until you quit and restart" || fail "no restart note: $out"
[ -x "$HOME_DIR/Expansion_Modules/sample_module.so" ] || fail "not copied"
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
echo "modules cli: ok"
