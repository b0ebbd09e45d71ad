#!/usr/bin/env bash
# The browser build against the Linux build, both built already
# (scripts/build-web.sh and the release build):
#   - the number text of a few million numbers, every kind of double, ties
#     and extremes, through both builds' conversions: the same digests;
#   - the command line run by node against the Linux one on the cases the
#     Windows build is compared on (tests/windows/compare_cli.py): reports,
#     messages, exit statuses and lens files byte-identical, JSON figures
#     within the last-bit differences of the two C libraries' maths.
# Usage: tests/web/compare_wasm.sh [LINUX_BUILD_DIR]   (default build/release)
set -euo pipefail
cd "$(dirname "$0")/../.."
linux=${1:-build/release}
count=200000
if ! diff <("$linux/vn-number-probe" $count) <(node build/web-build/vn-number-probe.js $count); then
  echo "compare_wasm.sh: the browser build writes or reads numbers differently" >&2
  exit 1
fi
echo "number text: the same for $((count * 13)) texts"
python3 tests/windows/compare_cli.py --linux "$linux/vantry-null-cli" --work build/web-compare \
  -- node tests/web/wasm_cli.cjs
