#!/bin/sh
# The man page made at build time carries the program's version and every command that
# --help lists. Usage: man_page_test.sh PAGE STRATOQUILL
set -u
page=$1
sq=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -s "$page" ] || fail "no man page at $page"
grep -q '^\.TH STRATOQUILL "1"' "$page" || fail "no .TH header"
version=$("$sq" --version | sed 's/^stratoquill //')
grep -q "$version" "$page" || fail "version $version missing"
commands=$("$sq" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z-]*\) .*/\1/p')
[ -n "$commands" ] || fail "--help lists no commands"
for c in $commands; do
  grep -q "^$(echo "$c" | sed 's/-/\\\\-/g')\b" "$page" || grep -q "$c" "$page" || fail "command $c missing"
done
grep -q 'STRATOQUILL_HOME' "$page" || fail "no ENVIRONMENT section"
echo ok
