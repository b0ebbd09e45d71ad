#!/usr/bin/env bash
# Builds the Debian package of the program, build/pkg/vantry-null_<version>_<arch>.deb.
# Install it with: sudo apt install ./build/pkg/vantry-null_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --package
cmake -S . -B build/pkg -DCMAKE_BUILD_TYPE=Release -DVN_BUILD_TESTS=OFF -DVN_BUILD_BENCH=OFF
cmake --build build/pkg -j2
rm -f build/pkg/vantry-null_*.deb
(cd build/pkg && cpack -G DEB)
ls build/pkg/vantry-null_*.deb
