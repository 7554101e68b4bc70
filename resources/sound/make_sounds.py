#!/usr/bin/env python3
"""Write the metronome clicks and the silent placeholder into a folder.

    make_sounds.py OUTPUT_DIR

0.wav     the ordinary beat: a short, soft wooden click (44.1 kHz, 16-bit, mono)
1.wav     the accent: higher and louder
none.wav  silence of 11 minutes (8 kHz, 8-bit, mono), the accompaniment
          player's file when a song has no accompaniment
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 44100


def click(path, freq, level, length=0.045):
    rnd = random.Random(int(freq))
    n = int(RATE * length)
    frames = bytearray()
    for i in range(n):
        t = i / RATE
        env = math.exp(-t * 95.0)
        attack = min(1.0, i / 20.0)
        tone = math.sin(2 * math.pi * freq * t) + 0.35 * math.sin(2 * math.pi * 2.7 * freq * t)
        noise = rnd.uniform(-1.0, 1.0) * math.exp(-t * 900.0)
        v = level * attack * env * (0.8 * tone + 0.5 * noise)
        frames += struct.pack("<h", max(-32767, min(32767, int(v * 32767))))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


def silence(path, seconds, rate=8000):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(rate)
        chunk = b"\x80" * rate            # 8-bit samples are unsigned: 128 is silence
        for _ in range(seconds):
            w.writeframes(chunk)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    click(os.path.join(out, "0.wav"), 1050.0, 0.45)
    click(os.path.join(out, "1.wav"), 1750.0, 0.85)
    silence(os.path.join(out, "none.wav"), 661)


if __name__ == "__main__":
    main()
