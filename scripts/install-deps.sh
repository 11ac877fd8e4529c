#!/usr/bin/env bash
# Installs every Debian package the player, the tool, the tests, the benchmarks
# the asset scripts (sox, lame), the format check (clang-format), the .deb
# package's dependency list (file, for CPack) and the web shader validation
# (glslang-tools) need.
# Packages already present are skipped; sudo is used only when not running as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libsdl2-mixer-dev
  libglew-dev libglm-dev libtinygltf-dev nlohmann-json3-dev libstb-dev libkissfft-dev
  libgtest-dev libgmock-dev libbenchmark-dev libsnappy-dev liblz4-dev libcli11-dev ffmpeg
  xvfb xauth xdotool fonts-dejavu-core sox libsox-fmt-base lame clang-format file
  glslang-tools
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "All packages present."
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
