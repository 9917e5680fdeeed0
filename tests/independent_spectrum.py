#!/usr/bin/env python3
"""A second, independent statement of the spectrum's rule, with numpy.

Per take: Welch's power spectral density of its window, written out here with
numpy's FFT (not FFTW): segments of N samples every N/2, each segment's mean
removed, times the periodic Hann window w[i] = 0.5 - 0.5 cos(2 pi i / N),
|rfft|^2 / (fs sum w^2), averaged over the whole segments, doubled but at DC
and Nyquist. Bins 1 .. N/2 get the level 10 log10(max(density, 1e-20)).

Per bin: the means of the two roles' levels and their variances (ddof 1)
floored at 1e-4 dB^2; equal sizes t = (mR - mC) / sqrt((vR + vC) / n) against
the table entry 2(n - 1), otherwise Welch's t against the entry of the
Welch-Satterthwaite degrees of freedom. Clusters: runs of significant bins
of one sign of t, mass the sum of t. The null distribution: every split of
the takes when there are at most P of them (the smaller set's takes drawn),
else P random splits drawn as the program draws them (splitmix64 seeds a
xoshiro256** per split, a partial Fisher-Yates shuffle); a cluster's p is
#(maxima >= |mass|) / splits when exact, (1 + #) / (P + 1) otherwise.

Usage: independent_spectrum.py FILE
  FILE: "nR nC confidence sampleRate N permutations seed" on its first line,
  then one line of whole-number values per take, reference takes first.
Prints "levels" lines (bin, frequency, mean levels), "significant COUNT" and
"cluster FIRSTBIN LASTBIN MASS P" lines, numbers with repr().
"""

import itertools
import math
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from independent_analysis import critical_table  # noqa: E402
from independent_verdict import welch_entry  # noqa: E402

MASK = (1 << 64) - 1
GOLDEN = 0x9E3779B97F4A7C15


def levels_of(window, fs, n):
    x = np.asarray(window, dtype=np.float64)
    w = 0.5 - 0.5 * np.cos(2 * np.pi * np.arange(n) / n)
    count = (len(x) - n) // (n // 2) + 1
    power = np.zeros(n // 2 + 1)
    for s in range(count):
        segment = x[s * (n // 2): s * (n // 2) + n]
        power += np.abs(np.fft.rfft((segment - segment.mean()) * w)) ** 2
    density = power / (fs * np.sum(w * w) * count)
    density[1:-1] *= 2
    return 10 * np.log10(np.maximum(density[1:], 1e-20))


def splitmix(z):
    z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & MASK
    z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & MASK
    return z ^ (z >> 31)


def rotl(x, k):
    return ((x << k) | (x >> (64 - k))) & MASK


def random_group(seed, split, takes, k):
    state = splitmix((seed + (split + 1) * GOLDEN) & MASK)
    s = []
    for _ in range(4):
        state = (state + GOLDEN) & MASK
        s.append(splitmix(state))

    def following():
        result = (rotl((s[1] * 5) & MASK, 7) * 9) & MASK
        t = (s[1] << 17) & MASK
        s[2] ^= s[0]
        s[3] ^= s[1]
        s[1] ^= s[2]
        s[0] ^= s[3]
        s[2] ^= t
        s[3] = rotl(s[3], 45)
        return result

    def below(bound):
        product = (following() >> 32) * bound
        low = product & 0xFFFFFFFF
        if low < bound:
            threshold = ((1 << 32) - bound) % bound
            while low < threshold:
                product = (following() >> 32) * bound
                low = product & 0xFFFFFFFF
        return product >> 32

    order = list(range(takes))
    group = []
    for i in range(k):
        j = i + below(takes - i)
        order[i], order[j] = order[j], order[i]
        group.append(order[i])
    return group


def judge(levels, reference, comparison, critical):
    nr, nc = len(reference), len(comparison)
    r, c = levels[reference], levels[comparison]
    mr, mc = r.mean(axis=0), c.mean(axis=0)
    vr = np.maximum(r.var(axis=0, ddof=1), 1e-4)
    vc = np.maximum(c.var(axis=0, ddof=1), 1e-4)
    t_values, marks = [], []
    for k in range(levels.shape[1]):
        if nr == nc:
            t = (mr[k] - mc[k]) / math.sqrt((vr[k] + vc[k]) / nr)
            entry = min(2 * (nr - 1), 121)
        else:
            a, b = vr[k] / nr, vc[k] / nc
            t = (mr[k] - mc[k]) / math.sqrt(a + b)
            entry = welch_entry(nr, nc, a, b)
        t_values.append(t)
        marks.append(entry >= 1 and abs(t) > critical[entry])
    return t_values, marks


def clusters(t_values, marks):
    found, start, sign, mass = [], None, 0, 0.0
    for k, (t, mark) in enumerate(zip(t_values, marks)):
        s = 1 if t > 0 else -1
        if mark and start is not None and s == sign:
            mass += t
            continue
        if start is not None:
            found.append((start, k - 1, mass))
            start = None
        if mark:
            start, sign, mass = k, s, t
    if start is not None:
        found.append((start, len(t_values) - 1, mass))
    return found


def main(path):
    with open(path) as source:
        head = source.readline().split()
        nr, nc, confidence = int(head[0]), int(head[1]), int(head[2])
        fs, n, permutations, seed = float(head[3]), int(head[4]), int(head[5]), int(head[6])
        windows = [[int(v) for v in line.split()] for line in source if line.strip()]
    levels = np.array([levels_of(window, fs, n) for window in windows])
    critical = [float(c) if c is not None else None for c in critical_table(confidence)]
    takes = nr + nc
    reference, comparison = list(range(nr)), list(range(nr, takes))
    for k in range(levels.shape[1]):
        print("levels", k + 1, repr((k + 1) * fs / n), repr(levels[:nr, k].mean()),
              repr(levels[nr:, k].mean()))
    t_values, marks = judge(levels, reference, comparison, critical)
    print("significant", sum(1 for m in marks if m))
    observed = clusters(t_values, marks)
    group_is_reference = nr <= nc
    size = min(nr, nc)
    total = math.comb(takes, size)
    exact = total <= permutations
    if exact:
        groups = itertools.combinations(range(takes), size)
    else:
        groups = (random_group(seed, i, takes, size) for i in range(permutations))
    maxima = []
    for group in groups if observed else []:
        chosen = sorted(group)
        rest = [k for k in range(takes) if k not in chosen]
        roles = (chosen, rest) if group_is_reference else (rest, chosen)
        t, m = judge(levels, roles[0], roles[1], critical)
        maxima.append(max([abs(c[2]) for c in clusters(t, m)], default=0.0))
    for first, last, mass in observed:
        beyond = sum(1 for x in maxima if x >= abs(mass))
        p = beyond / total if exact else (1 + beyond) / (permutations + 1)
        print("cluster", first + 1, last + 1, repr(mass), repr(p))


if __name__ == "__main__":
    main(sys.argv[1])
