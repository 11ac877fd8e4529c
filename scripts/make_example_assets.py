#!/usr/bin/env python3
"""Makes the resources of the bundled example production "neon-drift":
the music (30 s at 120 BPM, synthesised here and encoded with lame), a hit
sound, and a logo image with partial alpha. Run from the repository root."""
import math
import os
import random
import struct
import subprocess
import wave
import zlib

OUT = "examples/neon-drift/resources"
RATE = 44100
BPM = 120
BEAT = 60.0 / BPM


def write_wav(path, left, right):
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        frames = bytearray()
        for l, r in zip(left, right):
            frames += struct.pack("<hh", max(-32767, min(32767, int(l * 32767))),
                                  max(-32767, min(32767, int(r * 32767))))
        w.writeframes(bytes(frames))


def music(seconds=30.0):
    n = int(RATE * seconds)
    left = [0.0] * n
    right = [0.0] * n
    rng = random.Random(7)
    bass_notes = [41.2, 41.2, 49.0, 36.7]  # E1 E1 G1 D1, one per bar
    chords = [[164.8, 196.0, 246.9], [164.8, 196.0, 246.9], [196.0, 246.9, 293.7], [146.8, 185.0, 220.0]]
    beats = int(seconds / BEAT)
    for b in range(beats):
        start = int(b * BEAT * RATE)
        bar = (b // 4) % 4
        # Kick on every beat.
        for i in range(int(0.25 * RATE)):
            t = i / RATE
            f = 50 + 90 * math.exp(-t * 30)
            s = math.sin(2 * math.pi * f * t) * math.exp(-t * 9) * 0.6
            if start + i < n:
                left[start + i] += s
                right[start + i] += s
        # Hi-hat on the off-beat, from bar 2.
        if b >= 8:
            hat = start + int(BEAT * RATE / 2)
            for i in range(int(0.05 * RATE)):
                s = (rng.random() * 2 - 1) * math.exp(-i / RATE * 80) * 0.12
                if hat + i < n:
                    left[hat + i] += s * 0.7
                    right[hat + i] += s
        # Bass: eighth notes.
        for half in range(2):
            at = start + int(half * BEAT * RATE / 2)
            f = bass_notes[bar] * 2
            for i in range(int(BEAT * RATE / 2)):
                t = i / RATE
                saw = 2 * ((f * t) % 1.0) - 1
                s = saw * math.exp(-t * 6) * 0.18
                if at + i < n:
                    left[at + i] += s
                    right[at + i] += s
        # Pad chords from bar 4, one per bar.
        if b >= 16 and b % 4 == 0:
            for i in range(int(4 * BEAT * RATE)):
                t = i / RATE
                env = min(1.0, t * 2) * min(1.0, (4 * BEAT - t) * 2)
                s = sum(math.sin(2 * math.pi * f * t + k) for k, f in enumerate(chords[bar])) * 0.05 * env
                if start + i < n:
                    left[start + i] += s * (1 + 0.3 * math.sin(t * 3))
                    right[start + i] += s * (1 - 0.3 * math.sin(t * 3))
    peak = max(max(abs(x) for x in left), max(abs(x) for x in right))
    return [x / peak * 0.9 for x in left], [x / peak * 0.9 for x in right]


def hit():
    n = int(0.35 * RATE)
    rng = random.Random(3)
    out = []
    for i in range(n):
        t = i / RATE
        s = (rng.random() * 2 - 1) * math.exp(-t * 25) * 0.5 + math.sin(2 * math.pi * 220 * t) * math.exp(-t * 12) * 0.5
        out.append(s * 0.8)
    return out, out


def png(path, width, height, pixel):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows += bytes(pixel(x, y))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
        f.write(chunk(b"IEND", b""))


def logo(x, y):
    # A glowing diamond: opaque core, soft translucent edge.
    u, v = (x - 127.5) / 128, (y - 127.5) / 128
    d = abs(u) + abs(v)
    alpha = max(0.0, min(1.0, (1.0 - d) * 4))
    stripe = 0.5 + 0.5 * math.cos(d * 30)
    return (255, int(120 + 100 * stripe), int(200 * max(0.0, 1 - d)), int(alpha * 255))


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    l, r = music()
    write_wav("/tmp/neon-drift-music.wav", l, r)
    subprocess.run(["lame", "--quiet", "-b", "64", "/tmp/neon-drift-music.wav", f"{OUT}/music.mp3"], check=True)
    hl, hr = hit()
    write_wav(f"{OUT}/hit.wav", hl, hr)
    png(f"{OUT}/logo.png", 256, 256, logo)
