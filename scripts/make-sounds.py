#!/usr/bin/env python3
"""Synthesises data/Sounds/message.wav, the default new-message sound.

A soft two-note chime (E6 then A6) with exponential decay, 16-bit mono, 22050 Hz.
Run from the source tree: python3 scripts/make-sounds.py
"""
import math
import pathlib
import struct
import wave

RATE = 22050
NOTES = [(1318.5, 0.00, 0.35), (1760.0, 0.12, 0.45)]  # frequency, start (s), length (s)
LENGTH = 0.6


def sample(t: float) -> float:
    value = 0.0
    for freq, start, length in NOTES:
        if start <= t < start + length:
            local = t - start
            envelope = math.exp(-local * 9.0) * min(1.0, local * 400.0)
            value += envelope * (math.sin(2 * math.pi * freq * local) + 0.3 * math.sin(4 * math.pi * freq * local))
    return value * 0.35


def main() -> None:
    out = pathlib.Path(__file__).resolve().parent.parent / "data" / "Sounds" / "message.wav"
    out.parent.mkdir(parents=True, exist_ok=True)
    frames = bytearray()
    for i in range(int(RATE * LENGTH)):
        v = max(-1.0, min(1.0, sample(i / RATE)))
        frames += struct.pack("<h", int(v * 32767))
    with wave.open(str(out), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))
    print(f"wrote {out} ({len(frames)} bytes of samples)")


if __name__ == "__main__":
    main()
