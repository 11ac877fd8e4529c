#!/usr/bin/env bash
# Builds the web player template with Debian's Emscripten:
#   build-web/quillbarrow-player.html   (one self-contained page: WebAssembly,
#                                        WebGL2, Web Audio; no payload yet)
# `quillbarrow pack --target web` copies it and inlines a production.
# Installs what is missing (emscripten, chromium-headless-shell for the web
# tests, the Debian source packages of SDL2, its image/ttf/mixer libraries,
# FreeType and KISS FFT), builds those once with emcmake as static WebAssembly
# libraries into a cache outside the clone, keyed by their versions and this
# script, and then builds the player with emcmake into build-web/.
# Emscripten's ports are never used: they download, and this build must work
# with Debian's archive alone.
# QB_WEB_DEPS_CACHE overrides the cache folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS
jobs=$(nproc)
# Emscripten's JS optimizer needs Debian's node modules, which a node from
# elsewhere does not look in.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs

source "$root/scripts/debian-packages.sh"

began=$SECONDS
install_missing emscripten chromium-headless-shell dpkg-dev cmake make \
  libglm-dev libtinygltf-dev nlohmann-json3-dev libstb-dev
ensure_deb_src
echo "Tools: $((SECONDS - began)) s"

sources=(libsdl2 freetype libsdl2-ttf libsdl2-image libsdl2-mixer kissfft)
declare -A version
[ -n "$(source_version libsdl2)" ] || apt_update
for s in "${sources[@]}"; do
  version[$s]=$(source_version "$s")
  [ -n "${version[$s]}" ] || { echo "No source package $s in the archive" >&2; exit 1; }
done

# One dependency: configure with emcmake, build and install into the prefix,
# quietly unless it fails.
cmake_dependency() {
  local name=$1 src=$2
  shift 2
  local log=$work/$name.log began=$SECONDS
  if ! { emcmake cmake -S "$src" -B "$work/build-$name" -DCMAKE_BUILD_TYPE=Release \
           -DCMAKE_INSTALL_PREFIX="$deps" -DCMAKE_PREFIX_PATH="$deps" -DCMAKE_FIND_ROOT_PATH="$deps" \
           -DBUILD_SHARED_LIBS=OFF "$@" &&
         cmake --build "$work/build-$name" -j"$jobs" &&
         cmake --install "$work/build-$name"; } >"$log" 2>&1; then
    tail -40 "$log" >&2
    echo "Building $name failed: $log" >&2
    exit 1
  fi
  echo "  $name: $((SECONDS - began)) s"
}

build_dependencies() {
  mkdir -p "$cache"
  rm -rf "$deps"
  work=$(mktemp -d "$cache/web-work.XXXXXX")
  echo "Building the WebAssembly libraries into $deps"
  local s began=$SECONDS
  for s in "${sources[@]}"; do
    (cd "$work" && apt-get source -q --only-source "$s=${version[$s]}" >"$work/source-$s.log" 2>&1) ||
      { cat "$work/source-$s.log" >&2; exit 1; }
  done
  echo "  sources: $((SECONDS - began)) s"
  src() { find "$work" -maxdepth 1 -mindepth 1 -type d -name "$1-[0-9]*" | head -1; }

  # The player takes video (a WebGL canvas), audio (Web Audio), events and
  # timers from SDL; without threads, so the page needs no shared memory.
  cmake_dependency SDL2 "$(src libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF \
    -DSDL_SENSOR=OFF -DSDL_POWER=OFF
  cmake_dependency freetype "$(src freetype)" -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
  cmake_dependency SDL2_ttf "$(src libsdl2-ttf)" -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF \
    -DSDL2TTF_SAMPLES=OFF
  cmake_dependency SDL2_image "$(src libsdl2-image)" -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_VENDORED=OFF \
    -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF \
    -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF
  cmake_dependency SDL2_mixer "$(src libsdl2-mixer)" -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF \
    -DSDL2MIXER_WAVPACK=OFF -DSDL2MIXER_FLAC_LIBFLAC=OFF -DSDL2MIXER_FLAC_DRFLAC=ON \
    -DSDL2MIXER_MP3_MPG123=OFF -DSDL2MIXER_MP3_DRMP3=ON -DSDL2MIXER_VORBIS=STB
  cmake_dependency kissfft "$(src kissfft)" -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include \
    -DCMAKE_INSTALL_BINDIR=bin -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF \
    -DKISSFFT_DATATYPE=float -DKISSFFT_PKGCONFIG=OFF -DKISSFFT_OPENMP=OFF

  # Header-only libraries: just their headers, so the build never sees the
  # host's /usr/include. stb_image for tinygltf is compiled here.
  local headers=$deps/headers
  mkdir -p "$headers"
  cp -r /usr/include/glm /usr/include/nlohmann /usr/include/stb /usr/include/tiny_gltf.h "$headers/"
  printf '#define STB_IMAGE_IMPLEMENTATION\n#include <stb_image.h>\n#define STB_IMAGE_WRITE_IMPLEMENTATION\n#include <stb_image_write.h>\n' >"$work/stb.c"
  emcc -O2 -I"$headers/stb" -c "$work/stb.c" -o "$work/stb.o"
  emar rcs "$deps/lib/libstb.a" "$work/stb.o"

  rm -rf "$work"
  touch "$deps/.complete"
}

key=$( {
  for s in "${sources[@]}"; do echo "$s=${version[$s]}"; done
  dpkg-query -W -f='${Package}=${Version}\n' emscripten libglm-dev libtinygltf-dev nlohmann-json3-dev libstb-dev
  # The recipe itself: editing how the libraries are built rebuilds them,
  # editing how the player is built does not.
  declare -f cmake_dependency build_dependencies
} | sha256sum | cut -c1-16)
cache=${QB_WEB_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quillbarrow}
deps=$cache/web-deps-$key

if [ -f "$deps/.complete" ]; then
  echo "WebAssembly libraries: $deps (cached)"
else
  began=$SECONDS
  build_dependencies
  echo "WebAssembly libraries: $((SECONDS - began)) s"
  # Older prefixes are of no further use.
  find "$cache" -maxdepth 1 -name 'web-deps-*' ! -path "$deps" -exec rm -rf {} +
fi

echo "Building the web player in build-web/"
began=$SECONDS
# A build made against other libraries starts again: its cache names them.
if [ -f build-web/CMakeCache.txt ] && ! grep -qxF "QB_WEB_DEPS:PATH=$deps" build-web/CMakeCache.txt; then
  rm -rf build-web
fi
mkdir -p build-web
log=build-web/build.log
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=MinSizeRel -DQB_WEB_DEPS="$deps" \
  -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCH=OFF "${launcher[@]}" >"$log" 2>&1 || { tail -40 "$log" >&2; exit 1; }
cmake --build build-web -j"$jobs" --target quillbarrow-player >>"$log" 2>&1 ||
  { grep -B2 -A8 'error' "$log" | head -60 >&2; exit 1; }
template=build-web/quillbarrow-player.html
echo "$template: $(stat -c %s "$template") bytes ($((SECONDS - began)) s)"
echo "Web build done in $((SECONDS - started)) s"
