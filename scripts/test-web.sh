#!/usr/bin/env bash
# Runs the web suite: both examples packed for the web with the tool in
# build/ (made by scripts/test.sh) and the template in build-web/ (made by
# scripts/build-web.sh), opened from file:// in headless Chromium, and
# compared with the native renderer's frames of the same beats.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

tool=build/quillbarrow
[ -x "$tool" ] || { echo "No Linux build in build/: run scripts/test.sh first" >&2; exit 1; }
[ -f build-web/quillbarrow-player.html ] || { echo "No web player in build-web/: run scripts/build-web.sh first" >&2; exit 1; }
source scripts/debian-packages.sh
install_missing chromium-headless-shell
# Debian's npm only where no npm came with the machine's node.
command -v node >/dev/null || install_missing nodejs
command -v npm >/dev/null || install_missing npm
# puppeteer-core from npm, pinned by the lock file; kept between runs.
(cd tests/web && { [ -d node_modules/puppeteer-core ] || npm ci --no-audit --no-fund --loglevel=error; })

work=$(mktemp -d /tmp/quillbarrow-web.XXXXXX)
trap '[ -n "${QB_KEEP_WEB_WORK:-}" ] || rm -rf "$work"' EXIT
source scripts/with-display.sh
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
cases=()
for example in neon-drift:8,30,50 ember-rig:20,44,58; do
  name=${example%%:*}
  beats=${example#*:}
  # The same production with its music as WAV: both players decode WAV with
  # SDL's own reader, while their MP3 decoders differ by the encoder's delay
  # (about 25 ms), which would move the analysis the frames show.
  cp -r "examples/$name" "$work/$name"
  ffmpeg -v error -y -i "$work/$name/resources/music.mp3" -ar 44100 -ac 2 -c:a pcm_s16le "$work/$name/music.wav"
  python3 - "$work/$name" <<'PY'
import base64, json, pathlib, sys
folder = pathlib.Path(sys.argv[1])
project = json.loads((folder / "project.json").read_text())
project["music"] = base64.b64encode((folder / "music.wav").read_bytes()).decode()
(folder / "project.json").write_text(json.dumps(project))
PY
  "$tool" pack --target web "$work/$name/project.json" -o "$work/$name.html" >/dev/null
  # One process a beat, as a page shows one: feedback effects would carry
  # the beat rendered before into the next.
  i=0
  for beat in ${beats//,/ }; do
    "$tool" render "$work/$name/project.json" --size 960x540 -o "$work/$name-$i.png" --beat "$beat" >/dev/null
    i=$((i + 1))
  done
  cases+=("$name.html=$name:$beats")
done
# A production that checks and packs for the web and plays natively, but
# whose program WebGL cannot link: a uniform with other precisions in its
# two stages, which desktop GL ignores. The page must show the log.
cp -r examples/neon-drift "$work/precision"
printf '#version 150\nin vec3 vp;\nuniform float beat;\nvoid main() { gl_Position = vec4(vp * (1.0 + 0.0 * beat), 1.0); }\n' \
  >"$work/precision/shaders/beat.vert"
sed -i 's|^uniform float beat;|uniform mediump float beat;|' "$work/precision/shaders/background.frag"
python3 - "$work/precision/project.json" <<'PY'
import json, sys
project = json.load(open(sys.argv[1]))
for shader in project["shaders"]:
    if shader["fragment_shader_filename"] == "shaders/background.frag":
        shader["vertex_shader_filename"] = "shaders/beat.vert"
json.dump(project, open(sys.argv[1], "w"))
PY
"$tool" pack --target web "$work/precision/project.json" -o "$work/shader-error.html" >/dev/null

echo "Template: $(stat -c %s build-web/quillbarrow-player.html) bytes"
# The page tells which player it carries, and gives back what was packed.
"$tool" info "$work/neon-drift.html" | grep -q '^player  *[0-9]' ||
  { echo "FAIL info names no player version in a page" >&2; exit 1; }
"$tool" unpack "$work/neon-drift.html" -o "$work/unpacked" >/dev/null
"$tool" pack "$work/unpacked/project.json" -o "$work/repacked" >/dev/null
"$tool" pack "$work/neon-drift/project.json" -o "$work/packed" >/dev/null
cmp -s "$work/packed" "$work/repacked" ||
  { echo "FAIL a page unpacks to a project that packs differently" >&2; exit 1; }
echo "ok   info and unpack read the page"
node "$root/tests/web/web_player_test.mjs" "$work" "${cases[@]}"
