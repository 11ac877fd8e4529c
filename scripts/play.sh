#!/usr/bin/env bash
# Installs what is missing, builds, packs the bundled example production and
# plays it (under a private Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quillbarrow quillbarrow-player

source scripts/with-display.sh
# Without a sound device the mixer cannot open and the player stops at once;
# play silently instead.
if [ ! -e /dev/snd ] && [ -z "${PULSE_SERVER:-}" ] && [ -z "${SDL_AUDIODRIVER:-}" ]; then
  export SDL_AUDIODRIVER=dummy
fi
mkdir -p out
build/quillbarrow pack examples/neon-drift/project.json -o out/neon-drift
cd out
./neon-drift
