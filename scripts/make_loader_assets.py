#!/usr/bin/env python3
"""Makes the loading screen's assets: a 1600 x 1600 1-bit mask (dark where
the logo fills, light elsewhere) and a short chime. Run from the repository
root; writes assets/loader/loader_mask.png and assets/loader/loader_sound.wav."""
import math
import struct
import wave
import zlib

SIZE = 1600


def inside_logo(x, y):
    # A "Q": a thick ring with a tail towards the lower right, and a bar.
    cx, cy = SIZE / 2, SIZE / 2 - 60
    r = math.hypot(x - cx, y - cy)
    if 380 <= r <= 560:
        return True
    # Tail: a slanted band from the ring outwards.
    u = (x - cx) * 0.7071 + (y - cy) * 0.7071
    v = -(x - cx) * 0.7071 + (y - cy) * 0.7071
    if 300 <= u <= 760 and abs(v) <= 80:
        return True
    return 1360 <= y <= 1440 and 300 <= x <= 1300


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_mask(path):
    rows = bytearray()
    for y in range(SIZE):
        rows.append(0)  # filter: none
        byte, bits = 0, 0
        for x in range(SIZE):
            light = 0 if inside_logo(x, y) else 1
            byte = (byte << 1) | light
            bits += 1
            if bits == 8:
                rows.append(byte)
                byte, bits = 0, 0
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 1, 3, 0, 0, 0)  # 1-bit, paletted
    palette = bytes([0, 0, 0, 255, 255, 255])
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(png_chunk(b"IHDR", header))
        f.write(png_chunk(b"PLTE", palette))
        f.write(png_chunk(b"IDAT", zlib.compress(bytes(rows), 9)))
        f.write(png_chunk(b"IEND", b""))


def write_chime(path):
    rate, seconds = 22050, 0.7
    frames = bytearray()
    for i in range(int(rate * seconds)):
        t = i / rate
        envelope = math.exp(-5.0 * t) * min(1.0, t * 200)
        s = 0.5 * math.sin(2 * math.pi * 880 * t) + 0.3 * math.sin(2 * math.pi * 1320 * t)
        frames += struct.pack("<h", int(20000 * envelope * s))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


if __name__ == "__main__":
    write_mask("assets/loader/loader_mask.png")
    write_chime("assets/loader/loader_sound.wav")
