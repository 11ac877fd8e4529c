#!/usr/bin/env bash
# Cross-builds the 64-bit Windows player and tool on Debian:
#   build-windows/quillbarrow-player.exe   (GUI subsystem, static, stripped)
#   build-windows/quillbarrow.exe          (console tool)
# Installs what is missing (mingw-w64, Wine and xwd for the smoke tests, the
# Debian source packages of SDL2, its image/ttf/mixer libraries, FreeType,
# GLEW and KISS FFT), builds those once as static mingw libraries into a cache
# outside the clone, keyed by their versions and this script, and then builds
# the project with cmake/mingw-w64-x86_64.cmake.
# QB_WINDOWS_DEPS_CACHE overrides the cache folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS
jobs=$(nproc)
mingw=x86_64-w64-mingw32
toolchain=$root/cmake/mingw-w64-x86_64.cmake

source "$root/scripts/debian-packages.sh"
install_missing "g++-mingw-w64-x86-64-posix" "gcc-mingw-w64-x86-64-posix" "binutils-mingw-w64-x86-64" \
  mingw-w64-tools dpkg-dev cmake make wine wine64 xvfb xauth xdotool x11-apps \
  libglm-dev libtinygltf-dev nlohmann-json3-dev libstb-dev
ensure_deb_src

sources=(libsdl2 freetype libsdl2-ttf libsdl2-image libsdl2-mixer glew kissfft)
declare -A version
[ -n "$(source_version libsdl2)" ] || apt_update
for s in "${sources[@]}"; do
  version[$s]=$(source_version "$s")
  [ -n "${version[$s]}" ] || { echo "No source package $s in the archive" >&2; exit 1; }
done

key=$( {
  for s in "${sources[@]}"; do echo "$s=${version[$s]}"; done
  dpkg-query -W -f='${Package}=${Version}\n' libglm-dev libtinygltf-dev nlohmann-json3-dev libstb-dev
  "$mingw-g++-posix" --version | head -1
  sha256sum "$0" "$toolchain" | cut -d' ' -f1
} | sha256sum | cut -c1-16)
cache=${QB_WINDOWS_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quillbarrow}
deps=$cache/windows-deps-$key
export QB_WINDOWS_DEPS=$deps

# One dependency: configure, build and install into the prefix, quietly
# unless it fails.
cmake_dependency() {
  local name=$1 src=$2
  shift 2
  local log=$work/$name.log began=$SECONDS
  if ! { cmake -S "$src" -B "$work/build-$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
           -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DBUILD_SHARED_LIBS=OFF "$@" &&
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
  work=$(mktemp -d "$cache/windows-work.XXXXXX")
  echo "Building the Windows libraries into $deps"
  local s
  for s in "${sources[@]}"; do
    (cd "$work" && apt-get source -q --only-source "$s=${version[$s]}" >"$work/source-$s.log" 2>&1) ||
      { cat "$work/source-$s.log" >&2; exit 1; }
  done
  src() { find "$work" -maxdepth 1 -mindepth 1 -type d -name "$1-[0-9]*" | head -1; }

  # The player takes video, audio, events and timers from SDL: the rest of
  # its subsystems and the Direct3D renderers would only cost build time.
  cmake_dependency SDL2 "$(src libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_RENDER_D3D=OFF \
    -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF
  cmake_dependency freetype "$(src freetype)" -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
  cmake_dependency SDL2_ttf "$(src libsdl2-ttf)" -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF \
    -DSDL2TTF_SAMPLES=OFF
  cmake_dependency SDL2_image "$(src libsdl2-image)" -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_VENDORED=OFF \
    -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF \
    -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF
  # stb decodes JPEG and PNG, yet the installed config still asks for libjpeg and libpng.
  sed -i -E 's/^if\(SDL2IMAGE_(JPG|PNG) AND NOT SDL2IMAGE_VENDORED/if(SDL2IMAGE_\1 AND NOT SDL2IMAGE_BACKEND_STB AND NOT SDL2IMAGE_VENDORED/' \
    "$deps/lib/cmake/SDL2_image/SDL2_imageConfig.cmake"
  cmake_dependency SDL2_mixer "$(src libsdl2-mixer)" -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF \
    -DSDL2MIXER_WAVPACK=OFF -DSDL2MIXER_FLAC_LIBFLAC=OFF -DSDL2MIXER_FLAC_DRFLAC=ON \
    -DSDL2MIXER_MP3_MPG123=OFF -DSDL2MIXER_MP3_DRMP3=ON -DSDL2MIXER_VORBIS=STB
  cmake_dependency glew "$(src glew)/build/cmake" -DBUILD_UTILS=OFF -Dglew-cmake_BUILD_SHARED=OFF
  # Its install paths come from GNUInstallDirs, which it includes on Unix only.
  cmake_dependency kissfft "$(src kissfft)" -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include \
    -DCMAKE_INSTALL_BINDIR=bin -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF -DKISSFFT_TOOLS=OFF \
    -DKISSFFT_DATATYPE=float -DKISSFFT_PKGCONFIG=OFF -DKISSFFT_OPENMP=OFF

  # Header-only libraries: just their headers, so the cross-build never
  # sees the host's /usr/include.
  local headers=$deps/headers
  mkdir -p "$headers"
  cp -r /usr/include/glm /usr/include/nlohmann /usr/include/stb /usr/include/tiny_gltf.h "$headers/"
  # Debian's stb is a shared library; ours is static, with what tinygltf uses.
  printf '#define STB_IMAGE_IMPLEMENTATION\n#include <stb_image.h>\n#define STB_IMAGE_WRITE_IMPLEMENTATION\n#include <stb_image_write.h>\n' >"$work/stb.c"
  "$mingw-gcc-posix" -O2 -I"$headers/stb" -c "$work/stb.c" -o "$work/stb.o"
  "$mingw-ar" rcs "$deps/lib/libstb.a" "$work/stb.o"

  rm -rf "$work"
  touch "$deps/.complete"
}

if [ -f "$deps/.complete" ]; then
  echo "Windows libraries: $deps (cached)"
else
  build_dependencies
  # Older prefixes are of no further use.
  find "$cache" -maxdepth 1 -name 'windows-deps-*' ! -path "$deps" -exec rm -rf {} +
fi

echo "Building the Windows player and tool in build-windows/"
# A build made against other libraries starts again: its cache names them.
if [ -f build-windows/CMakeCache.txt ] && ! grep -qxF "QB_WINDOWS_DEPS:PATH=$deps" build-windows/CMakeCache.txt; then
  rm -rf build-windows
fi
mkdir -p build-windows
log=build-windows/build.log
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DQB_WINDOWS_DEPS="$deps" -DQB_BUILD_TESTS=OFF -DQB_BUILD_BENCH=OFF >"$log" 2>&1 || { tail -40 "$log" >&2; exit 1; }
cmake --build build-windows -j"$jobs" >>"$log" 2>&1 || { grep -B2 -A8 'error' "$log" | head -60 >&2; exit 1; }

# Only Windows' own DLLs may be imported: everything else is linked in.
allowed='^(kernel32|user32|gdi32|opengl32|winmm|imm32|ole32|oleaut32|version|setupapi|shell32|advapi32|msvcrt|cfgmgr32|ws2_32|rpcrt4|hid|dinput8|xinput1_4|dxgi)\.dll$'
for exe in build-windows/quillbarrow-player.exe build-windows/quillbarrow.exe; do
  subsystem=$("$mingw-objdump" -p "$exe" | awk '/^Subsystem/ {print $3, $4}')
  dlls=$("$mingw-objdump" -p "$exe" | awk '/DLL Name:/ {print tolower($3)}')
  foreign=$(grep -vE "$allowed" <<<"$dlls" || true)
  if [ -n "$foreign" ]; then
    echo "$exe imports non-system DLLs: $foreign" >&2
    exit 1
  fi
  echo "$exe: $(stat -c %s "$exe") bytes, subsystem $subsystem, imports $(tr '\n' ' ' <<<"$dlls")"
done
echo "Windows build done in $((SECONDS - started)) s"
