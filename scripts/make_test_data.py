#!/usr/bin/env python3
"""Writes the small real files the resource tests decode.

Run from the repository root: python3 scripts/make_test_data.py
The OGG sample needs sox (in scripts/install-deps.sh).
"""
import math
import os
import shutil
import struct
import subprocess
import wave
import zlib

OUT = os.path.join("tests", "data", "resources")


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def write_png(name, width, height, colour_type, rows, palette=None):
    """rows: list of bytes objects, one per row, without the filter byte."""
    raw = b"".join(b"\x00" + row for row in rows)
    data = b"\x89PNG\r\n\x1a\n"
    data += png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    if palette is not None:
        data += png_chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    data += png_chunk(b"IDAT", zlib.compress(raw))
    data += png_chunk(b"IEND", b"")
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def images():
    # 4 x 2 paletted: red, green, blue, white / black, grey, yellow, cyan.
    palette = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255),
               (0, 0, 0), (128, 128, 128), (255, 255, 0), (0, 255, 255)]
    write_png("paletted.png", 4, 2, 3, [bytes([0, 1, 2, 3]), bytes([4, 5, 6, 7])], palette)
    # 3 x 2 truecolour without alpha.
    write_png("rgb24.png", 3, 2, 2, [bytes([10, 20, 30, 40, 50, 60, 70, 80, 90]),
                                     bytes([200, 150, 100, 1, 2, 3, 255, 255, 255])])
    # 2 x 2 with partial alpha: opaque, half, clear, quarter.
    write_png("rgba_partial.png", 2, 2, 6, [bytes([200, 100, 50, 255, 200, 100, 50, 128]),
                                           bytes([255, 255, 255, 0, 100, 200, 40, 64])])


def wav():
    # 1 s of a 440 Hz tone, stereo, 16-bit, 44100 Hz: 176400 bytes of frames.
    rate = 44100
    frames = bytearray()
    for i in range(rate):
        v = int(8000 * math.sin(2 * math.pi * 440 * i / rate))
        frames += struct.pack("<hh", v, v)
    with wave.open(os.path.join(OUT, "tone_1s_stereo.wav"), "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))


def ogg():
    # 0.5 s mono at 22050 Hz, so decoding also converts to the mixer's format.
    subprocess.run(["sox", "-n", "-r", "22050", "-c", "1", os.path.join(OUT, "tone_half_mono.ogg"),
                    "synth", "0.5", "sine", "660", "vol", "0.3"], check=True)


def font():
    shutil.copyfile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", os.path.join(OUT, "DejaVuSans.ttf"))


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    images()
    wav()
    ogg()
    font()
