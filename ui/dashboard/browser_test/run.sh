#!/bin/sh
# The dashboard in a real browser: installs the pinned test driver (npm ci, into the build
# folder) when its lock file changed, then runs dashboard_test.mjs.
#   run.sh STRATOQUILL CONSOLE_SIM WORK_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
sq=$(realpath "$1")
sim=$(realpath "$2")
work=$3
mkdir -p "$work"
if ! cmp -s "$here/package-lock.json" "$work/package-lock.json" || [ ! -d "$work/node_modules/playwright-core" ]; then
  cp "$here/package.json" "$here/package-lock.json" "$work/"
  (cd "$work" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi
cp "$here/dashboard_test.mjs" "$work/"
cd "$work" && exec node dashboard_test.mjs "$sq" "$sim"
