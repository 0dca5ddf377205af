#!/usr/bin/env python3
"""Generates the panel's click: a soft two-tone tick, RIFF/WAVE PCM mono 16-bit
22050 Hz, 60 ms long.

Two partials a fifth apart (1760 Hz and 2640 Hz) under a 1.5 ms raised-cosine
attack and a fast exponential decay, faded to exact silence at the end. The DC
component is taken out along the envelope, so the tick starts and ends at 0
and leaves no offset behind. The output is deterministic: running the script
again reproduces the committed file byte for byte.

Usage: clickgen.py [OUTPUT]   (default: resources/data/question.wav)
"""

import math
import os
import struct
import sys
import wave

RATE = 22050
DURATION_S = 0.060
PARTIALS = ((1760.0, 0.62), (2640.0, 0.38))  # (frequency Hz, weight)
ATTACK_S = 0.0015
DECAY_TAU_S = 0.009
FADE_OUT_S = 0.012
PEAK = 0.5  # of full scale: a click, not an alarm
FULL_SCALE = 32767


def envelope(n, count):
    t = n / RATE
    attack = min(1.0, t / ATTACK_S)
    attack = 0.5 - 0.5 * math.cos(math.pi * attack)
    decay = math.exp(-t / DECAY_TAU_S)
    left = (count - 1 - n) / RATE
    fade = min(1.0, left / FADE_OUT_S)
    fade = 0.5 - 0.5 * math.cos(math.pi * fade)
    return attack * decay * fade


def render():
    count = round(RATE * DURATION_S)
    env = [envelope(n, count) for n in range(count)]
    tone = [
        sum(w * math.sin(2 * math.pi * f * n / RATE) for f, w in PARTIALS) for n in range(count)
    ]
    signal = [e * s for e, s in zip(env, tone)]
    # Remove the DC along the envelope: the ends stay at zero.
    dc = sum(signal) / sum(env)
    signal = [s - dc * e for s, e in zip(signal, env)]
    peak = max(abs(s) for s in signal)
    scale = PEAK * FULL_SCALE / peak
    return [int(round(s * scale)) for s in signal]


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "data", "question.wav")
    samples = render()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(struct.pack("<%dh" % len(samples), *samples))
    print("%s: %d samples, %.1f ms" % (out, len(samples), 1000.0 * len(samples) / RATE))


if __name__ == "__main__":
    main()
