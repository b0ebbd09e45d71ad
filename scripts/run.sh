#!/usr/bin/env bash
# Builds the program and starts its window. Without a display (a server, a
# container), it runs the window under a virtual X server instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --window
cmake --preset window
cmake --build --preset window --target vantry-null vantry-null-cli
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/window/vantry-null "$@"
else
  echo "No display found: starting the window under xvfb-run (nothing will be visible)." >&2
  exec xvfb-run -a build/window/vantry-null "$@"
fi
