#!/usr/bin/env bash
# Installs what is missing, builds, packs the bundled example production and
# plays it (under a private Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quillbarrow quillbarrow-player

source scripts/with-display.sh
mkdir -p out
build/quillbarrow pack examples/neon-drift/project.json -o out/neon-drift
cd out
./neon-drift
