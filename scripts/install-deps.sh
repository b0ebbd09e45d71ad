#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests use.
# Usage: scripts/install-deps.sh [--window] [--test] [--windows] [--web] [--browser] [--package]
#   --window   a virtual screen, to start the window without a display
#   --test     the checkers of the desktop files, of the JSON output and of the printed
#              report (pdftotext), for the test command
#   --windows  the Windows cross-build and wine to run it (the test command's Windows leg)
#   --web      the WebAssembly compiler and the two header-only number libraries the
#              browser build takes in place of the C++ library's (scripts/build-web.sh)
#   --browser  Chromium and Node.js with npm, to drive the browser page in its test
#   --package  what building the Debian package needs
# (runs apt-get as root, or through sudo)
set -euo pipefail
packages=(g++ cmake make libgtest-dev libbenchmark-dev qt6-base-dev qt6-svg-dev libgl-dev libstb-dev clang-format locales python3)
for option in "$@"; do
  case "$option" in
    --window) packages+=(xvfb xauth) ;;
    --test) packages+=(appstream desktop-file-utils python3-jsonschema poppler-utils) ;;
    --windows) packages+=(g++-mingw-w64-x86-64-posix wine64 googletest ninja-build) ;;
    --web) packages+=(emscripten libfast-float-dev libfmt-dev) ;;
    --browser) packages+=(chromium nodejs)
      # A Node.js from elsewhere brings its own npm; Debian's comes as a package of its own.
      command -v npm >/dev/null || packages+=(npm) ;;
    --package) packages+=(dpkg-dev file) ;;
    *) echo "install-deps.sh: unknown option $option" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The tests run numbers through a comma locale as well: make sure it exists.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  "${as_root[@]}" locale-gen >/dev/null
fi
