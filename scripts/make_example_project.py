#!/usr/bin/env python3
"""Writes examples/neon-drift/project.json, the bundled example production.
The tracks are generated here; everything else is plain JSON that can be
edited by hand after running it once. Run from the repository root."""
import json

BEATS = 60.0  # 30 s at 120 BPM


def points(*pairs):
    return [{"beat": float(b), "value": float(v)} for b, v in pairs]


def texts(*pairs):
    return [{"beat": float(b), "text": t} for b, t in pairs]


def track(mode, pts, repeat=False):
    return {"mode": mode, "repeat": repeat, "control_points": pts}


def shader(fragment, uniforms=()):
    return {
        "vertex_shader_filename": "shaders/fullscreen.vert",
        "fragment_shader_filename": fragment,
        "uniform_defs": [{"name": n, "min_val": lo, "max_val": hi, "default_val": d} for n, lo, hi, d in uniforms],
    }


def effect(name, program, textures=(), effects=(), font_textures=(), feedback=False):
    return {"name": name, "program": program, "textures": list(textures), "effects": list(effects),
            "font_textures": list(font_textures), "feedback": feedback, "screen_texture": False}


def effect_event(name, effect_name, start, end, tracks=None, visible=True):
    return {"type": 1, "name": name, "effect": effect_name, "start_beat": float(start), "end_beat": float(end),
            "visible": "true" if visible else "false", "control_points": tracks or {}}


project = {
    "bpm": 120.0,
    "beat_offset": 0.0,
    "end_beat": BEATS,
    "shaders": [
        shader("shaders/background.frag"),
        shader("shaders/palette.frag"),
        shader("shaders/rings.frag"),
        shader("shaders/glow.frag"),
        shader("shaders/composite.frag", [("pulse", 0.0, 1.0, 0.0), ("slide", -1.0, 1.0, 0.0), ("wave", -1.0, 1.0, 0.0)]),
        shader("shaders/title.frag"),
        shader("shaders/sound_bars.frag"),
        shader("shaders/flash.frag", [("intensity", 0.0, 1.0, 0.0)]),
    ],
    "textures": [{"name": "resources/logo.png"}],
    "audio_samples": [{"name": "resources/hit.wav"}],
    "fonts": [{"name": "bold", "filename": "resources/DejaVuSans-Bold.ttf", "ptsize": 64}],
    "font_textures": [{"name": "title", "width": 1280, "height": 96, "font": "bold", "center": True,
                       "chars_per_beat": 2}],
    "datas": [{"name": "resources/credits.txt"}],
    "models": [],
    "scenes": [],
    "effects": [
        effect("background", "shaders/background.frag"),
        effect("rings", "shaders/rings.frag"),
        effect("glow", "shaders/glow.frag", effects=["rings"], feedback=True),
        effect("composite", "shaders/composite.frag", textures=["resources/logo.png"], effects=["glow"]),
        effect("titles", "shaders/title.frag", font_textures=["title"]),
        effect("spectrum", "shaders/sound_bars.frag"),
        effect("flash", "shaders/flash.frag"),
    ],
    "event_groups": [{"name": "flashes", "events": ["flash"]}],
    "events": [
        effect_event("sky", "background", 0, BEATS),
        effect_event("drift", "composite", 4, BEATS, {
            # Held steps on every other beat, a slide in over eight beats and
            # a smooth bob: one uniform per interpolation mode.
            "pulse": track(0, points(*[(b, (b // 2) % 2) for b in range(0, 56, 2)])),
            "slide": track(1, points((0, -0.9), (8, 0.0), (48, 0.0), (56, 0.9))),
            "wave": track(2, points(*[(b, 1 if (b // 4) % 2 else -1) for b in range(0, 60, 4)])),
        }),
        effect_event("bars", "spectrum", 16, BEATS),
        effect_event("intro title", "titles", 8, 24, {
            "title": track(1, texts((0, "NEON DRIFT"), (8, "made with Quillbarrow"))),
        }),
        effect_event("outro title", "titles", 44, BEATS, {
            "title": track(1, texts((0, "beat <IBEAT>"), (4, "thanks for watching"))),
        }),
        # The flash is drawn only through its group: hidden at the top level.
        effect_event("flash", "flash", 0, 2, {"intensity": track(1, points((0, 1.0), (2, 0.0)))}, visible=False),
        {"type": 3, "name": "first flash", "group": "flashes", "start_beat": 24.0, "end_beat": 26.0,
         "visible": "true", "control_points": {}},
        # The second replay dims the flash through an override track named
        # after the member and its uniform.
        {"type": 3, "name": "second flash", "group": "flashes", "start_beat": 40.0, "end_beat": 42.0,
         "visible": "true", "control_points": {"flash.intensity": track(1, points((0, 0.4), (2, 0.0)))}},
    ] + [{"type": 2, "name": "hit %d" % b, "audio_sample": "resources/hit.wav", "beat": float(b), "visible": "true",
          "control_points": {}} for b in (16, 24, 32, 40, 48)],
}

with open("examples/neon-drift/project.json", "w") as f:
    json.dump(project, f, indent=2)
    f.write("\n")
