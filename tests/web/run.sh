#!/usr/bin/env bash
# Builds the browser page into build/web and drives it in Debian's headless Chromium, comparing
# what it shows with the Linux command line's output (tests/web/page_test.mjs); the page's
# budgets are measured and printed there too. Screenshots go to build/web-test/screenshots/.
# Installs what it needs first: Chromium and Node.js from Debian's packages, puppeteer-core from
# the npm registry exactly as the lockfile pins it.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install-deps.sh --browser
scripts/build-web.sh
# The command line the page is compared with, built from the same sources.
[ -f build/release/CMakeCache.txt ] || cmake --preset release >/dev/null
cmake --build --preset release --target vantry-null-cli vn-number-probe >/dev/null
# Its numbers, reports and files against the Linux command line's, under node.
tests/web/compare_wasm.sh build/release
# npm ci again only when the lockfile has changed since the last install.
if [ ! tests/web/node_modules/.package-lock.json -nt tests/web/package-lock.json ]; then
  (cd tests/web && npm ci --prefer-offline --no-audit --no-fund --no-update-notifier --loglevel=error)
fi
node tests/web/page_test.mjs build/web build/release/vantry-null-cli
