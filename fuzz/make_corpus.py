#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

The seeds are a handful of small typical inputs: valid 16- and 24-bit wave
files and damaged ones, typical answers, key streams, names and patterns,
argument vectors and small runs. Regression inputs that once found a fault
are kept beside them under names starting with "regression-"; this script
leaves those alone. Run it again after changing the seeds; it only rewrites
the files named "seed-*".
"""

import math
import random
import struct
from pathlib import Path

CORPUS = Path(__file__).resolve().parent / "corpus"


def header(bits, channels, data_size, rate=44100):
    block = channels * (bits // 8)
    return (b"RIFF" + struct.pack("<I", (data_size + 36) & 0xFFFFFFFF) + b"WAVE" + b"fmt " +
            struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * block, block, bits) + b"data" +
            struct.pack("<I", data_size & 0xFFFFFFFF))


def samples(values, bits):
    width = bits // 8
    return b"".join((v & ((1 << bits) - 1)).to_bytes(width, "little") for v in values)


def wave(values, bits, channels=1, data_size=None):
    data = samples(values, bits)
    return header(bits, channels, len(data) if data_size is None else data_size) + data


def sine(count, amplitude, period=20.0, phase=0.0):
    return [round(amplitude * math.sin(2 * math.pi * i / period + phase)) for i in range(count)]


def wave_reader_seeds():
    impulse16 = [0] * 10 + [30000] + sine(89, 8000)
    impulse24 = [0] * 5 + [8000000] + sine(58, 2000000)
    return {
        "mono16": wave(impulse16, 16),
        "mono24": wave(impulse24, 24),
        "stereo16": wave(sine(80, 32767, 16), 16, channels=2),
        "extremes16": wave([-32768, 32767, -1, 0, 1] * 8, 16),
        "extremes24": wave([-8388608, 8388607, -1, 0, 1] * 8, 24),
        "cut24": wave(sine(40, 4000000), 24)[:-2],  # the last value lacks two bytes
        "promises-more": wave(sine(30, 1000), 16, data_size=0x7FFFFFFF),
        "header-only": header(16, 1, 0),
        "short": header(16, 1, 100)[:20],
        "depth8": header(8, 1, 16) + bytes(range(16)),
        "no-channels": header(16, 0, 32) + bytes(32),
    }


def numeric_answer_seeds():
    answers = ["44100", "&H10", "95%", " 7", "-2.5", "3.5", "1e3", "1D3", "25E-1", "&B101",
               "&O17", "&Q17", "&17", "65631", "1e999", "", "word", "12abc", "\t\n 7", "-.6",
               "4294967391", "2147483648", "-2147483649", "&hFFFFFFFF"]
    return {f"answer{i:02d}": text.encode() for i, text in enumerate(answers)}


def line_input_seeds():
    enter, backspace, other, pause = b"\xff\x00", b"\xff\x01", b"\xff\x02", b"\xff\x03"

    def repeat(count):  # the last input again (count + 1) * 64 times
        return b"\xff\x04" + bytes([count])

    return {
        "path": b"/data/reference\r",
        "deletes": b"ab\x7f\x7fcd\x08e\r",
        "cursor-keys": b"\x1b[A\x1b[15~x\x1bOPy\r",
        "utf8": "café €\r".encode(),
        "alt-keys": b"\x1bx\x1b\xc3\xa9z\r",
        "broken-utf8": b"\xe2\x82x\xc3\r\xf0\x9f\x98",
        "named-keys": b"12" + backspace + b"3" + other + b"4" + enter,
        "lone-escape": b"ab\x1b" + pause + b"c\r",
        "controls": b"\x01\x02\t\nq\xc2\x85\xc2\xa0\r",
        "too-long": b"a" + repeat(0xA0) + b"\r" + b"b\r",
        "many-lines": b"x\r" * 60 + b"\r",
    }


def wildcard_seeds():
    pairs = [("take*.wav", "take1.wav"), ("*", "anything"), ("?", "é"), ("TAKE", "take"),
             ("a*b*c", "aXbYc"), ("*.WAV", "x.wav"), ("€?", "€x"), ("**a**", "a"),
             ("a*a*a*a*a*b", "a" * 40), ("take*.wav", "take1.wav.bak"), ("?*?", "é")]
    seeds = {f"pair{i:02d}": (p.encode() + b"\0" + n.encode()) for i, (p, n) in enumerate(pairs)}
    seeds["self"] = b"t?ke*\xe2\x82"  # no NUL: the pattern is matched against itself
    return seeds


def command_line_seeds():
    vectors = [
        ["compare", "--reference", "/r", "--threshold", "16000", "--length", "44100", "--json",
         "result.json"],
        ["compare", "--reference", "/r", "--reference-core", "take", "--comparison", "/c",
         "--threshold", "-5", "--length", "10", "--start", "0", "--confidence", "99", "--csv",
         "-", "--quiet"],
        ["--verdict", "--plot", "run.pdf", "--plot-size", "800x600", "--permutations", "500"],
        ["--help"],
        ["-V"],
        ["compare", "--help"],
        ["compare", "--reference=/r", "--threshold=1", "--length=1", "--report", "a.txt",
         "--difference", "a.txt"],
        ["compare", "--reference", "/r", "--threshold", "1", "--length", "5", "--permutations",
         "0", "--seed", "7", "--cluster-statistic", "mass", "--plot", "f.svg",
         "--reference-mean", "r.wav", "--comparison-mean", "c.wav"],
        ["compare2"],
    ]
    return {f"arguments{i:02d}": b"\0".join(a.encode() for a in v) for i, v in enumerate(vectors)}


def run_input(flags, threshold, start, length, permutations, seed, takes):
    """The analysis target's input (fuzz/support/take_files.hpp)."""
    data = bytes([flags])
    data += struct.pack("<i" if flags & 0x80 else "<h", threshold)
    if not flags & 0x40:
        data += bytes([start])
    data += bytes([(length + 2) % 67, permutations, seed])
    return data + b"".join(takes)


def take(pattern, repeats, bits=16, channels=None, data_size=None, cut=None, raw_bits=None):
    kind = {16: 0, 24: 1}[bits] if raw_bits is None else 3
    extra = b""
    if raw_bits is not None:
        extra += struct.pack("<h", raw_bits)
    if channels is not None:
        kind |= 4
        extra += bytes([channels])
    if data_size is not None:
        kind |= 8
        extra += struct.pack("<I", data_size)
    if cut is not None:
        kind |= 16
        extra += struct.pack("<H", cut)
    assert len(pattern) <= 255
    return bytes([kind]) + extra + bytes([len(pattern)]) + pattern + struct.pack("<H", repeats)


def analysis_seeds():
    rng = random.Random(7)

    def pattern(bits, count, amplitude, phase):
        # An impulse, then a noisy sine: the level window after it is not silent.
        values = [amplitude * 3 // 2] + [v + rng.randint(-amplitude // 50, amplitude // 50)
                                         for v in sine(count - 1, amplitude, 25, phase)]
        return samples(values, bits)

    def takes(bits, count, amplitude, phase, number):
        return [take(pattern(bits, count, amplitude, phase), 12000 // count, bits)
                for _ in range(number)]

    return {
        # two takes each, 16 bits, the comparison out of phase
        "pairs16": run_input(0x05, 16000, 3, 32, 20, 1,
                             takes(16, 50, 12000, 0.0, 2) + takes(16, 50, 12000, 0.6, 2)),
        # three takes each, 24 bits, 99 per cent, cluster mass
        "triples24": run_input(0x3A | 0x80, 4000000, 0, 64, 32, 2,
                               takes(24, 80, 3000000, 0.0, 3) + takes(24, 80, 3000000, 0.3, 3)),
        # one take each, cut short, a negative threshold, no window
        "short": run_input(0x00, -10, 0, 0, 5, 3,
                           [take(samples([5, -5, 7], 16), 3, cut=50),
                            take(samples([1, 2, 3], 16), 0, cut=30)]),
        # odd headers: another depth, two channels, a raw data size
        "odd-headers": run_input(0x09, 100, 10, 16, 8, 4,
                                 [take(bytes(range(40)), 5, raw_bits=8),
                                  take(pattern(16, 60, 9000, 0.0), 200, channels=2),
                                  take(pattern(16, 60, 9000, 0.1), 200, data_size=0x7FFFFFFF),
                                  take(pattern(24, 60, 9000, 0.2), 200, bits=24)]),
        # the default start, a negative length
        "default-start": run_input(0x45, 16000, 0, -2, 4, 5,
                                   takes(16, 50, 12000, 0.0, 2) + takes(16, 50, 12000, 0.0, 2)),
    }


def main():
    seeds = {"wave_reader": wave_reader_seeds(), "numeric_answer": numeric_answer_seeds(),
             "line_input": line_input_seeds(), "wildcard": wildcard_seeds(),
             "command_line": command_line_seeds(), "analysis": analysis_seeds()}
    for target, files in seeds.items():
        folder = CORPUS / target
        folder.mkdir(parents=True, exist_ok=True)
        for old in folder.glob("seed-*"):
            old.unlink()
        for name, data in files.items():
            (folder / f"seed-{name}").write_bytes(data)


if __name__ == "__main__":
    main()
