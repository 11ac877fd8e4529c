#!/usr/bin/env bash
# Makes the packages and tries them as a user would: the Linux .tar.gz and
# .deb from build/ (made by scripts/test.sh), the .deb installed on this
# machine with apt-get, its tool packing the installed example from another
# folder and the packed production played to its end; then, when
# scripts/build-windows.sh has run, the Windows .zip and what it holds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

[ -x build/quillbarrow ] || { echo "No Linux build in build/: run scripts/test.sh first" >&2; exit 1; }
rm -f build/quillbarrow_*.deb build/quillbarrow-*.tar.gz
(cd build && cpack -G "TGZ;DEB" >cpack.log 2>&1) || { tail -30 build/cpack.log >&2; exit 1; }
deb=$(ls build/quillbarrow_*_amd64.deb)
tarball=$(ls build/quillbarrow-*-linux-x86_64.tar.gz)
echo "Packages: $deb ($(stat -c %s "$deb") bytes), $tarball ($(stat -c %s "$tarball") bytes)"
listing=$(tar -tzf "$tarball")
for wanted in bin/quillbarrow lib/quillbarrow/quillbarrow-player share/quillbarrow/examples/neon-drift/project.json; do
  grep -q "^quillbarrow-[^/]*/$wanted\$" <<<"$listing" || { echo "$tarball holds no $wanted" >&2; exit 1; }
done

DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --reinstall "./$deb" >/dev/null
installed_version=$(quillbarrow --version)
[ "$installed_version" = "$(build/quillbarrow --version)" ] ||
  { echo "installed: $installed_version, built: $(build/quillbarrow --version)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$root/scripts/with-display.sh"
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
(
  cd "$work"
  /usr/bin/quillbarrow pack /usr/share/quillbarrow/examples/neon-drift/project.json -o neon-drift >pack.log
  /usr/bin/quillbarrow info neon-drift | grep -qF "player         ${installed_version#quillbarrow }"
  # Thirty seconds of music after the loading screen's hold; it ends by itself.
  timeout 180 ./neon-drift >play.log 2>&1 || { tail -20 play.log >&2; echo "the installed example did not play to its end" >&2; exit 1; }
)
echo "Installed $deb; its tool packed the installed example, which played to its end"

if [ -x build-windows/quillbarrow-player.exe ]; then
  rm -f build-windows/quillbarrow-*-windows-x86_64.zip
  (cd build-windows && cpack -G ZIP >cpack.log 2>&1) || { tail -30 build-windows/cpack.log >&2; exit 1; }
  zip=$(ls build-windows/quillbarrow-*-windows-x86_64.zip)
  listing=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")
  for wanted in quillbarrow.exe quillbarrow-player.exe README.md examples/neon-drift/project.json \
                examples/ember-rig/project.json; do
    grep -q "/$wanted\$" <<<"$listing" || { echo "$zip holds no $wanted" >&2; exit 1; }
  done
  echo "Package: $zip ($(stat -c %s "$zip") bytes)"
fi
echo "Packages checked in $((SECONDS - started)) s"
