#!/usr/bin/env bash
# Start-up time of a packed Windows production under Wine, on a private Xvfb
# and a Wine prefix of its own (made first, not timed): seconds from launch
# to the player's window with its loading screen, and to the first frame of
# the production (a shader filling the window with one colour), which comes
# after the loading screen's four-second hold. RUNS (default 3) runs each.
# The Linux player's times follow, for comparison. Needs build/quillbarrow
# and build-windows/quillbarrow-player.exe.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
runs=${RUNS:-3}
work=$(mktemp -d /tmp/qb-wine-startup.XXXXXX)
display=:$((300 + $$ % 300))
Xvfb "$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
bash tests/windows/wine_prefix.sh create "$work/prefix" build-windows/quillbarrow-player.exe >/dev/null 2>&1

cd "$work"
printf '#version 150\nin vec3 vp;\nvoid main() { gl_Position = vec4(vp, 1.0); }\n' >fullscreen.vert
printf '#version 150\nout vec4 fragColor;\nvoid main() { fragColor = vec4(0.2, 0.6, 0.9, 1.0); }\n' >solid.frag
cat >project.json <<'JSON'
{"music": "", "end_beat": 10000.0, "bpm": 120.0, "beat_offset": 0.5,
 "shaders": [{"vertex_shader_filename": "fullscreen.vert", "fragment_shader_filename": "solid.frag", "uniform_defs": []}],
 "effects": [{"name": "solid", "program": "solid.frag"}],
 "events": [{"type": 1, "name": "fill", "effect": "solid", "start_beat": -1.0, "end_beat": 10000.0, "visible": "true"}]}
JSON
DISPLAY=$display "$root/build/quillbarrow" pack project.json -o solid.exe --target windows >/dev/null

# The centre pixel of the screen as "R G B".
centre() {
  xwd -root -silent -display "$display" 2>/dev/null | python3 -c '
import struct, sys
d = sys.stdin.buffer.read()
f = struct.unpack(">25I", d[:100])
at = f[0] + f[19] * 12 + 360 * f[12] + 640 * 4
b, g, r = d[at], d[at + 1], d[at + 2]
print(r, g, b)'
}

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" SDL_AUDIODRIVER=dummy DISPLAY=$display
DISPLAY=$display "$root/build/quillbarrow" pack project.json -o solid-linux >/dev/null

# One start of the command given, timed to its window and to the colour.
time_start() {
  local label=$1
  shift
  local start window frame player give_up=$((SECONDS + 60))
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 &
  player=$!
  until xdotool search --name 'Quillbarrow :: 0.11' >/dev/null 2>&1; do
    [ $SECONDS -lt $give_up ] || { echo "no window after 60 s" >&2; exit 1; }
    sleep 0.02
  done
  window=$(date +%s.%N)
  until [ "$(centre)" = "51 153 230" ]; do
    [ $SECONDS -lt $give_up ] || { echo "the production's colour never showed" >&2; exit 1; }
    sleep 0.02
  done
  frame=$(date +%s.%N)
  xdotool search --name 'Quillbarrow :: 0.11' windowfocus --sync key Escape >/dev/null 2>&1 || kill "$player"
  wait "$player" || true
  awk -v l="$label" -v s="$start" -v w="$window" -v f="$frame" \
    'BEGIN { printf "%s: window after %.2f s, first production frame after %.2f s\n", l, w - s, f - s }'
}

for run in $(seq "$runs"); do
  time_start "Windows under Wine, run $run" wine solid.exe
done
# The Linux player on the same display, for comparison.
time_start "Linux" ./solid-linux
