#!/usr/bin/env bash
# Checks the code's layout, builds everything and runs every test (core,
# command line and window tests, the window ones offscreen), then the core
# tests again under the address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The committed .clang-format is the layout of every C++ file.
find src app cli tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run --Werror
cmake --preset release
cmake --build --preset release
ctest --preset release
if [ "${VN_SKIP_SANITIZE:-}" != "1" ]; then
  cmake --preset sanitize
  cmake --build --preset sanitize
  ctest --preset sanitize
fi
