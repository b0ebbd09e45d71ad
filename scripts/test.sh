#!/usr/bin/env bash
# Checks the code's layout, builds everything and runs every test (core,
# command line and window tests, the window ones offscreen); cross-builds the
# core, the command line and the core tests for Windows and runs them under
# wine, comparing the Windows command line with the Linux one; then runs the
# core tests again under the address and undefined-behaviour sanitizers, and
# compares what the release and the debug command line print. The browser
# page is built to WebAssembly and driven in headless Chromium against the
# command line (tests/web/run.sh).
# VN_SKIP_WINDOWS=1 skips the Windows leg, VN_SKIP_SANITIZE=1 the sanitizers,
# VN_SKIP_WEB=1 the browser page.
set -euo pipefail
cd "$(dirname "$0")/.."
# Each leg's time, said when it ends, so that a slow one shows.
leg_start=$SECONDS
leg_done() {
  echo "== $1: $((SECONDS - leg_start)) s"
  leg_start=$SECONDS
}
deps=(--test)
[ "${VN_SKIP_WINDOWS:-}" = "1" ] || deps+=(--windows)
[ "${VN_SKIP_WEB:-}" = "1" ] || deps+=(--web --browser)
scripts/install-deps.sh "${deps[@]}"
leg_done "packages"
# The committed .clang-format is the layout of every C++ file.
find src app cli tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run --Werror
cmake --preset release
cmake --build --preset release
ctest --preset release
leg_done "format check, release build and tests"
if [ "${VN_SKIP_WEB:-}" != "1" ]; then
  tests/web/run.sh
  leg_done "browser page against the command line"
fi
if [ "${VN_SKIP_WINDOWS:-}" != "1" ]; then
  cmake --preset windows
  cmake --build --preset windows
  ctest --preset windows
  leg_done "Windows cross-build and tests under wine"
fi
if [ "${VN_SKIP_SANITIZE:-}" != "1" ]; then
  cmake --preset sanitize
  cmake --build --preset sanitize
  ctest --preset sanitize
  debug_cli=build/sanitize/vantry-null-cli
else
  cmake --preset debug
  cmake --build --preset debug --target vantry-null-cli
  debug_cli=build/debug/vantry-null-cli
fi
leg_done "sanitizer (or debug) build and tests"
# One build, one set of figures: the optimised and the unoptimised command
# line must print the same bytes for set-ups where the last bit shows.
scripts/compare-builds.sh build/release/vantry-null-cli "$debug_cli"
leg_done "release against debug"
