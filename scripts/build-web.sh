#!/usr/bin/env bash
# Builds the browser page into build/web: the command line compiled to
# WebAssembly (vantry-null.js and .wasm) beside the page's own files. The
# folder is static files only: publish it on any static host.
#   scripts/build-web.sh               builds build/web
#   scripts/build-web.sh --serve [PORT]  builds it, then serves it on this
#                                      machine only: http://localhost:PORT/ (8000)
# Installs Debian's emscripten and the libraries it needs when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
serve=""
port=8000
case "${1:-}" in
  "") ;;
  --serve) serve=1; port=${2:-8000} ;;
  *) echo "usage: scripts/build-web.sh [--serve [PORT]]" >&2; exit 2 ;;
esac
scripts/install-deps.sh --web
# emscripten's tools are node programs that take Debian's node modules (its
# JavaScript parser): a node from elsewhere does not look for them there.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
# emscripten keeps its configuration and its cache of system libraries in its
# own folders; Debian ships the libraries this build links prebuilt there.
# A compiler cache, where the machine has one, makes a second build take
# seconds: emscripten's compiler is a clang that ccache knows.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
emcmake cmake -S . -B build/web-build -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_UI=OFF \
  -DVN_BUILD_BENCH=OFF -DVN_BUILD_TESTS=OFF -DVN_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build/web-build -j"$(nproc)" --target vantry-null-cli vn-number-probe
# The folder is made whole beside the old one and then put in its place, so
# that a server never offers a half-copied page.
rm -rf build/web.new
mkdir -p build/web.new
cp build/web-build/vantry-null.js build/web-build/vantry-null.wasm build/web.new/
for file in web/*; do
  case "$file" in
    web/cli_module.js) ;;  # part of vantry-null.js
    *) cp -r "$file" build/web.new/ ;;
  esac
done
rm -rf build/web
mv build/web.new build/web
echo "build-web.sh: the page is in build/web"
if [ -n "$serve" ]; then
  echo "build-web.sh: open http://localhost:$port/ (Ctrl+C stops the server)"
  exec python3 -m http.server --bind 127.0.0.1 --directory build/web "$port"
fi
