#!/usr/bin/env python3
"""A second, independent analysis of two sets of wave recordings.

It selects and reads the files itself (or has libsndfile decode them, with
--decoder sndfile), aligns, measures and scales them as the program does, then
computes every per-index figure exactly with rationals: means and sample
variances from integer sums, t squared against the squared critical value, the
Welch-Satterthwaite degrees of freedom as a fraction. From those it builds the
analysis report the program should have written and compares it, line by line,
with the report file given.

Floating point enters only where the program's own definition is floating
point (the level of a file and the scaling of each value, both of which decide
integers the statistics then work on). Everything after the scaling is exact,
so the program's floating-point figures can differ from ours only by rounding.
Where that rounding can tip a decision, the index is "borderline": |t| within a
relative 1e-9 of its critical value; Welch degrees of freedom that close to a
whole number where the two neighbouring table entries decide differently; or
neither scatter nor difference at all, where only rounding noise is left to
divide. Either decision is accepted there, so the count, largest and
accumulated difference may lie anywhere between the figures without and with
all borderline indices. A rounded figure whose exact value lies within 1e-7
(relative, at least absolute) of a rounding boundary may be printed either
way. Every tolerance used is counted and printed.

Usage:
  independent_analysis.py --reference DIR CORE --comparison DIR CORE
      (--threshold T | --threshold-dbfs X) --length L --confidence C
      --report FILE [--decoder own|sndfile] [--channel N] [--every-extension]
      [--verdict-follows] [--range BEGIN END]...

The own decoder reads canonical 16- and 24-bit mono wave files from the fixed
header offsets. The sndfile decoder takes any file libsndfile opens and keeps
the values in the file's own steps: integers of 8 to 32 bits as signed whole
numbers (8-bit unsigned files less 128), float values times 2^23 with their
figures in 24-bit steps; --channel picks the channel (from 1); a file it cannot
open reads as silence. --threshold-dbfs gives the threshold relative to
full scale (2^(bits - 1), or 2^23 for float): floor(10^(X/20) full scale) in
each file's steps; a level whose product falls within a relative 1e-12 of a
whole step is refused, as double arithmetic might floor it either way.
--every-extension selects core* with every extension a command-line run
takes, not only .wav. --verdict-follows accepts the VERDICT section that
follows the results, which this analysis does not rebuild.

Prints the figures, the borderline counts and, for every --range, the number
of significant indices in [BEGIN, END). Exit status 0 when the report agrees,
1 on any disagreement (each printed on standard error), 2 on a usage error or
a threshold it cannot settle.
"""

import argparse
import ctypes
import fnmatch
import math
import os
import stat
import sys
from decimal import Decimal, getcontext
from fractions import Fraction

getcontext().prec = 50

START_OFFSET = 17640
LEVEL_SKIP = 6615
LEVEL_LENGTH = 4410
BORDERLINE = 1e-9
ROUNDING_TOLERANCE = Fraction(1, 10**7)

ANCHORS = {
    95: ["12.706", "4.303", "3.182", "2.776", "2.571", "2.447", "2.365", "2.306", "2.262",
         "2.228", "2.201", "2.179", "2.160", "2.145", "2.131", "2.120", "2.110", "2.101",
         "2.093", "2.086", "2.080", "2.074", "2.069", "2.064", "2.060", "2.056", "2.052",
         "2.048", "2.045", "2.042"],
    99: ["63.657", "9.925", "5.841", "4.604", "4.032", "3.707", "3.499", "3.355", "3.250",
         "3.169", "3.106", "3.055", "3.012", "2.977", "2.947", "2.921", "2.898", "2.878",
         "2.861", "2.845", "2.831", "2.819", "2.807", "2.797", "2.787", "2.779", "2.771",
         "2.763", "2.756", "2.750"],
}
WIDE_ANCHORS = {95: {40: "2.021", 60: "2.000", 120: "1.980", 121: "1.960"},
                99: {40: "2.704", 60: "2.660", 120: "2.617", 121: "2.576"}}


def critical_table(level):
    """Entry d (1..121) as an exact fraction: anchors, straight lines between."""
    points = {d + 1: Fraction(text) for d, text in enumerate(ANCHORS[level])}
    points.update({d: Fraction(text) for d, text in WIDE_ANCHORS[level].items()})
    table = [None] * 122
    known = [d for d in sorted(points) if d <= 120]
    for low, high in zip(known, known[1:]):
        for d in range(low, high + 1):
            table[d] = points[low] - (points[low] - points[high]) * (d - low) / (high - low)
    table[121] = points[121]
    return table


# ---- file selection and reading ------------------------------------------------


SUPPORTED_EXTENSIONS = (".wav", ".wave", ".bwf", ".rf64", ".w64", ".flac", ".aif", ".aiff",
                        ".aifc", ".caf")


def select_files(directory, core, extensions=(".wav",)):
    """The set's paths: core*EXTENSION without regard to letter case, regular
    files only, hidden names skipped, sorted as a Windows disk lists them."""
    try:
        names = os.listdir(directory.encode() if directory else b"/")
    except OSError:
        return []
    patterns = [(core + "*" + extension).upper() for extension in extensions]
    chosen = []
    for name in names:
        if name.startswith(b"."):
            continue
        full = (directory.encode() if directory else b"") + b"/" + name
        try:
            if not stat.S_ISREG(os.stat(full).st_mode):
                continue
        except OSError:
            continue
        upper = name.upper().decode("latin-1")
        if any(fnmatch.fnmatchcase(upper, pattern) for pattern in patterns):
            chosen.append(name)
    chosen.sort(key=lambda n: (n.upper(), n))
    return [directory + "/" + n.decode("utf-8", "surrogateescape") for n in chosen[:1000]]


def read_wave(path):
    """(figure bits, full scale, sample values) from the fixed header offsets."""
    with open(path, "rb") as stream:
        data = stream.read()
    header = data[:44].ljust(44, b"\0")
    channels = header[22]
    bits = int.from_bytes(header[34:36], "little", signed=True)
    data_size = int.from_bytes(header[40:44], "little", signed=True)
    full_scale = 2 ** (bits - 1) if bits > 0 else 1
    if bits * channels == 0 or data_size < 0:
        return bits, full_scale, []
    count = round(data_size * 8 / (bits * channels))
    if bits not in (16, 24):
        return bits, full_scale, []
    width = bits // 8
    body = data[44:44 + count * width].ljust(count * width, b"\0")
    values = [int.from_bytes(body[i:i + width], "little", signed=True)
              for i in range(0, len(body), width)]
    return bits, full_scale, values


class SoundFileInfo(ctypes.Structure):
    _fields_ = [("frames", ctypes.c_int64), ("samplerate", ctypes.c_int),
                ("channels", ctypes.c_int), ("format", ctypes.c_int),
                ("sections", ctypes.c_int), ("seekable", ctypes.c_int)]


SOUND_FILE_READ = 0x10
INTEGER_SUBTYPES = {0x0001: 8, 0x0002: 16, 0x0003: 24, 0x0004: 32, 0x0005: 8}  # S8 16 24 32 U8
FLOAT_SUBTYPES = {0x0006, 0x0007}  # float, double
FLOAT_FULL_SCALE = 2 ** 23


class CannotCheck(Exception):
    pass


def sound_file_library():
    library = ctypes.CDLL("libsndfile.so.1")
    library.sf_open.restype = ctypes.c_void_p
    library.sf_open.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.POINTER(SoundFileInfo)]
    for name, cell in (("sf_readf_int", ctypes.c_int), ("sf_readf_double", ctypes.c_double)):
        function = getattr(library, name)
        function.restype = ctypes.c_int64
        function.argtypes = [ctypes.c_void_p, ctypes.POINTER(cell), ctypes.c_int64]
    library.sf_close.argtypes = [ctypes.c_void_p]
    return library


def read_sound_file(path, channel):
    """(figure bits, full scale, values of one channel) as libsndfile decodes
    them: integers come left-aligned in 32 bits (an 8-bit unsigned file already
    less 128), floats as stored."""
    library = sound_file_library()
    info = SoundFileInfo()
    handle = library.sf_open(path.encode("utf-8", "surrogateescape"), SOUND_FILE_READ,
                             ctypes.byref(info))
    if not handle:
        return 0, 1, []
    try:
        subtype = info.format & 0xFFFF
        frames, channels = info.frames, info.channels
        if subtype in INTEGER_SUBTYPES:
            bits = INTEGER_SUBTYPES[subtype]
            cells = (ctypes.c_int * (frames * channels))()
            read = library.sf_readf_int(handle, cells, frames)
            shift = 32 - bits
            picked = cells[channel:read * channels:channels] if channel < channels else []
            if any(raw & ((1 << shift) - 1) for raw in picked):
                raise CannotCheck("%s: a %d-bit value with bits below its steps" % (path, bits))
            return bits, 2 ** (bits - 1), [raw >> shift for raw in picked]
        if subtype in FLOAT_SUBTYPES:
            cells = (ctypes.c_double * (frames * channels))()
            read = library.sf_readf_double(handle, cells, frames)
            picked = cells[channel:read * channels:channels] if channel < channels else []
            return 24, FLOAT_FULL_SCALE, [value * FLOAT_FULL_SCALE for value in picked]
        return 0, 1, []
    finally:
        library.sf_close(handle)


def relative_threshold(level_text):
    """The threshold in a file's steps, from its full scale, for a level in dBFS."""
    share = Decimal(10) ** (Decimal(level_text) / 20)

    def steps_of(full_scale):
        exact = share * full_scale
        steps = math.floor(exact)
        if share != 1 and min(exact - steps, steps + 1 - exact) <= exact * Decimal("1e-12"):
            raise CannotCheck("%sdBFS at full scale %d falls next to a whole step: %s"
                              % (level_text, full_scale, exact))
        return min(steps, 2 ** 31 - 1)

    return steps_of


def value_at(values, index):
    return values[index] if 0 <= index < len(values) else 0


def impulse_position(values, threshold):
    for index, value in enumerate(values):
        if value > threshold:
            return index
    return len(values)


def level_of(values, p):
    total = 0.0  # summed in double precision, value by value, as the program defines it
    for k in range(1, LEVEL_LENGTH + 1):
        v = value_at(values, p + LEVEL_SKIP + k)
        total += float(v * v)
    return math.sqrt(total / LEVEL_LENGTH)


def scaled(value, reference_level, level):
    x = reference_level * value / level if level != 0 else math.nan
    if not math.isfinite(x):
        return 0
    return round(x)  # ties to even


class SetSums:
    """Integer sums per index of the scaled windows: n, sum x and sum x squared."""

    def __init__(self, length):
        self.n = 0
        self.sum = [0] * length
        self.squares = [0] * length
        self.levels = []
        self.bits = []  # per file, the figures' bits: 24 for a float file
        self.full_scales = []  # per file


def analyse_set(paths, read, threshold_of, length, reference_level):
    """read(path) gives (figure bits, full scale, values); threshold_of(full
    scale) the impulse threshold in that file's steps."""
    sums = SetSums(length)
    for path in paths:
        try:
            bits, full_scale, values = read(path)
        except OSError:
            bits, full_scale, values = 0, 1, []
        sums.bits.append(bits)
        sums.full_scales.append(full_scale)
        p = impulse_position(values, threshold_of(full_scale))
        level = level_of(values, p)
        sums.levels.append(level)
        # The reference set is scaled to its first file with a level; files
        # before it have none and scale to silence whatever the scale.
        if reference_level is None and level > 0:
            reference_level = level
        ref = reference_level if reference_level is not None else 0.0
        for j in range(length):
            x = scaled(value_at(values, p + START_OFFSET + j), ref, level)
            sums.sum[j] += x
            sums.squares[j] += x * x
        sums.n += 1
    return sums


def variance(sums, j):
    """Exact sample variance (denominator n - 1); None for fewer than two files."""
    n = sums.n
    if n < 2:
        return None
    return Fraction(n * sums.squares[j] - sums.sum[j] ** 2, n * (n - 1))


def mean(sums, j):
    return Fraction(sums.sum[j], sums.n) if sums.n else Fraction(0)


# ---- the comparison ---------------------------------------------------------------


def near(x, target):
    return abs(x - target) <= BORDERLINE * abs(target)


def decide(t2, critical):
    """(significant, borderline) for t squared against one critical value."""
    c2 = critical * critical
    return t2 > c2, near(t2, c2)


def compare_index(ref, cmp, j, table):
    """(significant, kind of borderline or "") at index j. The kinds: "t", |t|
    next to its critical value; "entry", degrees of freedom next to a whole
    number where the two neighbouring table entries decide differently; "zero",
    no scatter and no difference, where only rounding noise is left to divide."""
    diff = mean(ref, j) - mean(cmp, j)
    vr, vc = variance(ref, j), variance(cmp, j)
    if vr is None or vc is None:
        return False, ""
    if ref.n == cmp.n:
        spread = (vr + vc) / ref.n
        if spread == 0:
            return diff != 0, "zero" if diff == 0 else ""
        significant, close = decide(diff * diff / spread, table[min(2 * (ref.n - 1), 121)])
        return significant, "t" if close else ""
    a, b = vr / ref.n, vc / cmp.n
    if a + b == 0:
        return diff != 0, "zero" if diff == 0 else ""
    t2 = diff * diff / (a + b)
    f = (a + b) ** 2 / (a * a / (ref.n - 1) + b * b / (cmp.n - 1))
    entries = {math.floor(f)}
    whole = round(f)
    if whole >= 1 and near(f, Fraction(whole)):
        # An exact whole number (one set without scatter gives n - 1) may come
        # out a hair below it in floating point, and the floor one lower.
        entries |= {whole, whole - 1}
    outcomes = set()
    close = False
    for d in entries:
        if d < 1:
            outcomes.add(False)
            continue
        significant, near_critical = decide(t2, table[min(d, 121)])
        outcomes.add(significant)
        close |= near_critical
    if close:
        return outcomes == {True}, "t"
    return outcomes == {True}, "entry" if len(outcomes) > 1 else ""


# ---- report text ---------------------------------------------------------------


def number_text(whole_or_scaled, decimals=0):
    """numberText of k / 10^decimals for a whole k below 10^15 in magnitude."""
    k = whole_or_scaled
    if abs(k) >= 10**15:
        raise ValueError("figure too large for this check: %r" % k)
    sign = "-" if k < 0 else " "
    k = abs(k)
    if k == 0:
        return " 0 "
    whole, part = divmod(k, 10**decimals)
    digits = str(part).rjust(decimals, "0").rstrip("0") if decimals else ""
    body = (str(whole) if whole else "") + ("." + digits if digits else "")
    return sign + body + " "


def rounded_choices(value, decimals):
    """The whole numbers k (value ~ k / 10^decimals) the program may print."""
    y = Fraction(value) * 10**decimals
    k = round(y)  # Fraction rounds halves to even
    choices = {k}
    tolerance = ROUNDING_TOLERANCE * max(1, abs(Fraction(value))) * 10**decimals
    half = math.floor(y) + Fraction(1, 2)
    if abs(y - half) <= tolerance:
        choices |= {math.floor(y), math.floor(y) + 1}
    return choices


def unit_pairs(value, decimals, bits):
    return {number_text(k, decimals) + "LSB," + number_text(bits) + "bit"
            for k in rounded_choices(value, decimals)}


def decimal_sqrt(fraction):
    return (Decimal(fraction.numerator) / Decimal(fraction.denominator)).sqrt()


def spread_figures(sums, length):
    """(largest, average) standard deviation as Decimals; 0 where undefined."""
    if sums.n < 2 or length < 1:
        return Decimal(0), Decimal(0)
    deviations = [decimal_sqrt(variance(sums, j)) for j in range(length)]
    return max(deviations), sum(deviations) / length


def expected_report(args, ref_paths, cmp_paths, figures):
    """A list of sets of acceptable lines."""
    lines = [{"REFERENCE FILES:"}, {""}]
    lines += [{"   " + p} for p in ref_paths]
    lines += [{""}, {""}, {"COMPARISON FILES:"}, {""}]
    lines += [{"   " + p} for p in cmp_paths]
    lines += [{""}, {""}, {"ANALYSIS PARAMETERS:"}, {""},
              {"   Impulse threshold     " + number_text(figures["threshold"])},
              {"   Begin analysis after  " + number_text(START_OFFSET) + "samples"},
              {"   Analyse over          " + number_text(args.length) + "samples"},
              {"   Confidence level      " + number_text(args.confidence) + "per cent"},
              {""}, {""}, {"RESULTS:"}, {""}]
    labels = [
        "   Largest single sample standard deviation within the reference files:   ",
        "   Average per sample standard deviation within the reference files:      ",
        "   Largest single sample standard deviation within the comparison files:  ",
        "   Average per sample standard deviation within the comparison files:     ",
        "   Number of statistically significant sample differences:                ",
        "   Largest single sample difference:                                      ",
        "   Average per sample difference:                                         ",
        "   Accumulated difference:                                                ",
    ]
    bits = figures["bits"]
    for index, key in enumerate(["ref_largest", "ref_average", "cmp_largest", "cmp_average"]):
        lines.append({labels[index] + pair for pair in unit_pairs(figures[key], 3, bits)})
        if index % 2 == 1:
            lines.append({""})
    lines.append({labels[4] + number_text(c) for c in figures["counts"]})
    for index, key in ((5, "largest"), (6, "average"), (7, "accumulated")):
        choices = set()
        for value in figures[key]:
            choices |= unit_pairs(value, 2, bits)
        lines.append({labels[index] + pair for pair in choices})
    return lines


def check_report(path, expected, verdict_follows):
    try:
        with open(path, "rb") as stream:
            text = stream.read().decode("utf-8", "surrogateescape")
    except OSError as error:
        return ["report not readable: %s" % error]
    problems = []
    if not text.endswith("\r\n"):
        problems.append("report does not end with CR LF")
    rows = text.split("\r\n")[:-1] if text.endswith("\r\n") else text.split("\r\n")
    if any("\n" in row or "\r" in row for row in rows):
        problems.append("report has a line end other than CR LF")
    if verdict_follows:
        # Left to the verdict's own check; only its heading is looked for.
        rest = rows[len(expected):]
        if rest[:3] != ["", "", "VERDICT:"]:
            problems.append("no VERDICT section after the results: %r" % rest[:3])
        rows = rows[:len(expected)]
    if len(rows) != len(expected):
        problems.append("report has %d lines, expected %d" % (len(rows), len(expected)))
    for number, (row, choices) in enumerate(zip(rows, expected), start=1):
        if row not in choices:
            problems.append("line %d: %r, expected %s" % (number, row, " or ".join(
                repr(c) for c in sorted(choices))))
    return problems


# ---- main ------------------------------------------------------------------------


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--reference", nargs=2, metavar=("DIR", "CORE"), required=True)
    parser.add_argument("--comparison", nargs=2, metavar=("DIR", "CORE"), required=True)
    threshold = parser.add_mutually_exclusive_group(required=True)
    threshold.add_argument("--threshold", type=int)
    threshold.add_argument("--threshold-dbfs", metavar="X")
    parser.add_argument("--decoder", choices=("own", "sndfile"), default="own")
    parser.add_argument("--channel", type=int, default=1)
    parser.add_argument("--every-extension", action="store_true")
    parser.add_argument("--verdict-follows", action="store_true")
    parser.add_argument("--length", type=int, required=True)
    parser.add_argument("--confidence", type=int, required=True)
    parser.add_argument("--report", required=True)
    parser.add_argument("--range", nargs=2, type=int, action="append", default=[],
                        metavar=("BEGIN", "END"))
    args = parser.parse_args(argv)
    if args.channel < 1 or (args.channel != 1 and args.decoder == "own"):
        parser.error("--channel: from 1, and above 1 only with --decoder sndfile")
    return args


def main(argv):
    args = parse_arguments(argv)
    ref_dir, ref_core = args.reference
    cmp_dir, cmp_core = args.comparison
    if cmp_dir == "":
        cmp_dir = ref_dir
    extensions = SUPPORTED_EXTENSIONS if args.every_extension else (".wav",)
    ref_paths = select_files(ref_dir, ref_core, extensions)
    cmp_paths = select_files(cmp_dir, cmp_core, extensions)
    length = max(args.length, 0)
    channel = args.channel - 1
    if args.decoder == "sndfile":
        def read(path):
            return read_sound_file(path, channel)
    else:
        read = read_wave
    if args.threshold_dbfs is not None:
        threshold_of = relative_threshold(args.threshold_dbfs)
    else:
        def threshold_of(full_scale):
            return args.threshold

    try:
        ref = analyse_set(ref_paths, read, threshold_of, length, None)
        scale = next((i for i, level in enumerate(ref.levels) if level > 0), None)
        reference_level = ref.levels[scale] if scale is not None else 0.0
        cmp = analyse_set(cmp_paths, read, threshold_of, length, reference_level)
    except CannotCheck as error:
        print("cannot check: %s" % error, file=sys.stderr)
        return 2
    # The figures are in the units of the file every file is scaled to, and so
    # is the threshold the report shows.
    if scale is not None:
        bits, full_scale = ref.bits[scale], ref.full_scales[scale]
    else:
        bits, full_scale = next(zip(ref.bits + cmp.bits, ref.full_scales + cmp.full_scales),
                                (0, 1))

    significant = [False] * length
    borderline = []
    kinds = {"t": 0, "entry": 0, "zero": 0}
    if args.confidence in (95, 99):
        table = critical_table(args.confidence)
        for j in range(length):
            significant[j], kind = compare_index(ref, cmp, j, table)
            if kind:
                borderline.append(j)
                kinds[kind] += 1

    def magnitude(j):
        return abs(mean(ref, j) - mean(cmp, j))

    borderline_set = set(borderline)
    sure = [j for j in range(length) if significant[j] and j not in borderline_set]
    every = sure + borderline
    accumulated = {sum((magnitude(j) for j in sure), Fraction(0)),
                   sum((magnitude(j) for j in every), Fraction(0))}
    largest = {max((magnitude(j) for j in sure), default=Fraction(0)),
               max((magnitude(j) for j in every), default=Fraction(0))}
    figures = {
        "bits": bits,
        "threshold": threshold_of(full_scale),
        "counts": set(range(len(sure), len(every) + 1)),
        "largest": largest,
        "accumulated": accumulated,
        "average": {a / length for a in accumulated} if length else {Fraction(0)},
    }
    figures["ref_largest"], figures["ref_average"] = spread_figures(ref, length)
    figures["cmp_largest"], figures["cmp_average"] = spread_figures(cmp, length)

    print("reference files: %d, comparison files: %d, bits: %d, threshold: %d"
          % (len(ref_paths), len(cmp_paths), bits, figures["threshold"]))
    print("significant: %d" % len(sure))
    print("borderline indices: %d (t %d, entry %d, zero %d) %s"
          % (len(borderline), kinds["t"], kinds["entry"], kinds["zero"], borderline[:20]))
    for key in ("ref_largest", "ref_average", "cmp_largest", "cmp_average"):
        print("%s: %.9f" % (key, figures[key]))
    for key in ("largest", "average", "accumulated"):
        print("%s: %s" % (key, " / ".join("%.9f" % float(v) for v in sorted(figures[key]))))
    for begin, end in args.range:
        print("range %d %d: %d" % (begin, end,
                                   sum(1 for j in range(max(begin, 0), min(end, length))
                                       if significant[j] and j not in borderline_set)))

    expected = expected_report(args, ref_paths, cmp_paths, figures)
    print("report lines with more than one accepted form: %d"
          % sum(1 for choices in expected if len(choices) > 1))
    problems = check_report(args.report, expected, args.verdict_follows)
    for problem in problems:
        print("disagreement: " + problem, file=sys.stderr)
    print("agree" if not problems else "DISAGREE (%d)" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
