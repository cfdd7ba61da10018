#!/usr/bin/python3
"""A few seconds of music-like sound as a 16-bit WAV, the same bytes every run:
a swelling bass, a high tone, a noise burst four times a second.

    music_wav.py FILE RATE CHANNELS SECONDS
"""
import math, random, struct, sys, wave
name, rate, channels, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
random.seed(7)
out = bytearray()
for i in range(int(rate * seconds)):
    t = i / rate
    burst = random.uniform(-0.8, 0.8) if (t * 4) % 1 < 0.08 else 0.0
    v = 0.3 * math.sin(2 * math.pi * 55 * t) * (0.5 + 0.5 * math.sin(math.pi * t)) + burst + 0.1 * math.sin(2 * math.pi * 880 * t)
    for c in range(channels):
        out += struct.pack('<h', int(max(-1.0, min(1.0, v * (0.8 if c % 2 else 1.0))) * 32767))
w = wave.open(name, 'wb')
w.setnchannels(channels); w.setsampwidth(2); w.setframerate(rate)
w.writeframes(bytes(out)); w.close()
