#!/usr/bin/env bash
# Runs the Windows smoke suite: the executables that scripts/build-windows.sh
# made, under Wine on Xvfb, driven by the Linux test binary in build/ (made
# by scripts/test.sh). Missing Windows executables fail here, not skip.
set -euo pipefail
cd "$(dirname "$0")/.."

[ -x build/tests/quillbarrow_windows_tests ] || { echo "No Linux build in build/: run scripts/test.sh first" >&2; exit 1; }
source scripts/with-display.sh
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" QB_REQUIRE_WINDOWS_BUILD=1
cd build
ctest --output-on-failure --timeout 600 -j"$(nproc)" -R '^(WindowsSmoke\.|windows_wine_)'
