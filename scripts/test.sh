#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
# QB_SANITIZE=ON builds with AddressSanitizer and UBSan into build-asan/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

sanitize="${QB_SANITIZE:-OFF}"
build_dir=build
[ "$sanitize" = "ON" ] && build_dir=build-asan
# Benchmarks under the sanitizers would measure the sanitizers: not built there.
bench=ON
[ "$sanitize" = "ON" ] && bench=OFF
cmake -S . -B "$build_dir" -DQB_SANITIZE="$sanitize" -DQB_BUILD_BENCH="$bench" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" -j"$(nproc)"

source scripts/with-display.sh
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
# SDL and the GL driver keep allocations to the end of the process; the
# player ends with exit() by design. Leak reports would only be noise.
[ "$sanitize" = "ON" ] && export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
cd "$build_dir"
# Every test has its own files, windows and displays: run them in parallel.
ctest --output-on-failure --timeout 600 -j"$(nproc)"
