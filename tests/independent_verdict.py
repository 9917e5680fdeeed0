#!/usr/bin/env python3
"""A second, independent statement of the verdict's rule, in plain Python.

Per index, each group's sum and sum of squares are exact integers; the mean is
sum / n and the variance (n SS - S^2) / (n (n - 1)), floored at 1/12 LSB^2.
Equal sizes: t = (mR - mC) / sqrt((vR + vC) / n) against the table entry
2(n - 1). Otherwise Welch: a = vR / nR, b = vC / nC, t = (mR - mC) /
sqrt(a + b) against the entry floor((a + b)^2 / (a^2 / (nR - 1) + b^2 /
(nC - 1))), 121 above 120. A cluster is a run of significant indices of one
sign of t; its mass is the sum of t in index order, its size the run's length.
Every float step is the one the rule names, so the figures come out to the bit.

Every split of the takes into groups of the sets' sizes is enumerated (the
smaller set's takes are drawn; the identity split draws the smaller set
itself), and for each the largest cluster |mass| or size is noted.

Usage: independent_verdict.py FILE
  FILE holds "nR nC confidence statistic" on its first line, then one line of
  whole-number values per take, reference takes first. Prints a line "t"
  with the observed t per index, one line "cluster FIRST LAST MASS" per
  observed cluster, and a line "maxima" with every split's largest
  statistic, ascending; numbers with repr() so the doubles read back exactly.
"""

import itertools
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from independent_analysis import critical_table  # noqa: E402

FLOOR = 1.0 / 12


def floored(s, q, n):
    return max(float(n * q - s * s) / (float(n) * (n - 1)), FLOOR)


def welch_entry(nr, nc, a, b):
    total = a + b
    welch = (total * total) / ((a * a) / (nr - 1) + (b * b) / (nc - 1))
    if welch > 120:
        return 121
    return int(math.floor(welch))


def judge(takes, reference, comparison, table):
    """t and significance per index with `reference` and `comparison` (lists
    of take numbers) in those roles."""
    nr, nc = len(reference), len(comparison)
    length = len(takes[0])
    critical = [float(c) if c is not None else None for c in table]
    t_values, marks = [], []
    for j in range(length):
        sr = sum(takes[k][j] for k in reference)
        qr = sum(takes[k][j] ** 2 for k in reference)
        sc = sum(takes[k][j] for k in comparison)
        qc = sum(takes[k][j] ** 2 for k in comparison)
        mr, mc = float(sr) / nr, float(sc) / nc
        vr, vc = floored(sr, qr, nr), floored(sc, qc, nc)
        if nr == nc:
            t = (mr - mc) / math.sqrt((vr + vc) / nr)
            entry = min(2 * (nr - 1), 121)
        else:
            a, b = vr / nr, vc / nc
            t = (mr - mc) / math.sqrt(a + b)
            entry = welch_entry(nr, nc, a, b)
        t_values.append(t)
        marks.append(entry >= 1 and abs(t) > critical[entry])
    return t_values, marks


def clusters(t_values, marks):
    found, start, sign, mass = [], None, 0, 0.0
    for j, (t, marked) in enumerate(zip(t_values, marks)):
        s = (1 if t > 0 else -1) if marked else 0
        if s != 0 and s == sign:
            mass += t
            continue
        if sign != 0:
            found.append((start, j - 1, mass))
        sign, start, mass = s, j, (t if s != 0 else 0.0)
    if sign != 0:
        found.append((start, len(t_values) - 1, mass))
    return found


def strongest(found, statistic):
    if not found:
        return 0.0
    if statistic == "size":
        return float(max(last - first + 1 for first, last, _ in found))
    return max(abs(mass) for _, _, mass in found)


def null_distribution(takes, nr, nc, confidence, statistic):
    table = critical_table(confidence)
    everyone = list(range(nr + nc))
    drawn_is_reference = nr <= nc
    maxima = []
    for group in itertools.combinations(everyone, min(nr, nc)):
        rest = [k for k in everyone if k not in group]
        reference, comparison = (list(group), rest) if drawn_is_reference else (rest, list(group))
        maxima.append(strongest(clusters(*judge(takes, reference, comparison, table)), statistic))
    return sorted(maxima)


def main(argv):
    with open(argv[0]) as source:
        head = source.readline().split()
        nr, nc, confidence, statistic = int(head[0]), int(head[1]), int(head[2]), head[3]
        takes = [[int(x) for x in line.split()] for line in source if line.strip()]
    table = critical_table(confidence)
    t_values, marks = judge(takes, list(range(nr)), list(range(nr, nr + nc)), table)
    print(" ".join(["t"] + [repr(t) for t in t_values]))
    for first, last, mass in clusters(t_values, marks):
        print("cluster %d %d %r" % (first, last, mass))
    maxima = null_distribution(takes, nr, nc, confidence, statistic)
    print(" ".join(["maxima"] + [repr(m) for m in maxima]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
