#!/usr/bin/python3
"""Times scipy.signal.sosfreqz on the same workload as bench_eqgraph's six-channel case:
per channel an order-8 high-pass and low-pass (4 sections each) and 31 peaking bands, 512
grid points, magnitude in dB. Only the evaluation is timed, not the design."""
import math
import timeit

import numpy as np
from scipy import signal

FS = 48000.0
N = 512


def grid():
    step = math.log10(FS / 2) / (N - 1)
    g = [10 ** (i * step) for i in range(1, N)]
    return np.array(g + [FS])


def peaking(f0, gain, q):
    a = 10 ** (gain / 20)
    w0 = 2 * math.pi * f0 / FS
    s, c = math.sin(w0), math.cos(w0)
    wl = (math.sqrt(4 * q * q + 1) - 1) * w0 / (2 * q)
    t = math.sin(wl) * s / (2 * (math.cos(wl) - c))
    if a < 1:
        t *= a
    d = 2 * t + s
    a1 = -4 * t * c / d
    return [(2 * t + a * s) / d, a1, (2 * t - a * s) / d, 1.0, a1, (2 * t - s) / d]


def channel_sos(ch, rng):
    hp = signal.butter(8, 40 + 10 * ch, "highpass", fs=FS, output="sos")
    lp = signal.butter(8, 8000 + 1000 * ch, "lowpass", fs=FS, output="sos")
    bands = [peaking(20 + i * (600 + 10 * ch), rng.uniform(-18, 12), rng.uniform(0.5, 9))
             for i in range(31)]
    return np.vstack([hp, lp, np.array(bands)])


def main():
    rng = np.random.default_rng(5)
    freqs = grid()
    channels = [channel_sos(ch, rng) for ch in range(6)]

    def six():
        for sos in channels:
            _, h = signal.sosfreqz(sos, worN=freqs, fs=FS)
            np.multiply(20.0, np.log10(np.maximum(np.abs(h), 1e-300)))

    runs = 200
    best = min(timeit.repeat(six, number=runs, repeat=5)) / runs
    print(f"scipy sosfreqz, six channels x 39 sections x {N} points: "
          f"{best * 1e3:.3f} ms per call ({best * 1e6 / 6:.1f} us per channel)")


if __name__ == "__main__":
    main()
