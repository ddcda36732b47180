#!/usr/bin/env python3
"""Writes the thermocouple coefficient tables from the NIST ITS-90 coefficient file.

    python3 tools/nist/gen_thermo_tables.py [allcoeff.tab] [--check]

Reads the NIST ITS-90 Thermocouple Database coefficient file (allcoeff.tab, Monograph 175;
by default the copy beside this script) and writes two checked-in sources:

  api/thermo/tc_coefficients.inc        reference (temperature -> EMF) and inverse
                                        (EMF -> temperature) polynomials of the eight types,
                                        coefficients rounded to binary32, segments padded to
                                        the type's term count, breakpoints as printed;
  sim/nist_reference_coefficients.inc   the same coefficients in double precision, exactly
                                        as printed, with the ranges of every segment.

With --check nothing is written; the script exits 1 if a checked-in file differs from what
it would write. Standard library only.
"""

import argparse
import fractions
import os
import struct
import sys

# Order of the thermocouple type codes (TcType 0..7).
TYPE_ORDER = "JKSTBREN"

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
DEFAULT_SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "allcoeff.tab")
FLOAT_OUT = os.path.join("api", "thermo", "tc_coefficients.inc")
DOUBLE_OUT = os.path.join("sim", "nist_reference_coefficients.inc")


class Segment:
    """One polynomial of a type: its range (as printed) and its coefficients (as printed)."""

    def __init__(self, low, high, coefficients):
        self.low = low
        self.high = high
        self.coefficients = coefficients


class Thermocouple:
    def __init__(self, letter):
        self.letter = letter
        self.reference = []        # Segments over °C
        self.exponential = None    # (a0, a1, a2) texts for type K
        self.inverse = []          # Segments over mV
        self.inverse_celsius = []  # (low, high) temperature texts of each inverse segment


def parse(text):
    """Parses allcoeff.tab into {letter: Thermocouple}."""
    lines = text.splitlines()
    types = {}
    i = 0

    def get(letter):
        return types.setdefault(letter, Thermocouple(letter))

    current = None
    while i < len(lines):
        line = lines[i].strip()
        if line.startswith("type:"):
            current = get(line.split(":", 1)[1].strip())
        elif line.startswith("range:") and current is not None:
            low, high, order = [f.strip() for f in line.split(":", 1)[1].split(",")]
            count = int(order) + 1
            coefficients = [lines[i + 1 + k].strip() for k in range(count)]
            current.reference.append(Segment(low, high, coefficients))
            i += count
        elif line.startswith("exponential:") and current is not None:
            values = {}
            for k in range(3):
                name, value = lines[i + 1 + k].split("=")
                values[name.strip()] = value.strip()
            current.exponential = (values["a0"], values["a1"], values["a2"])
            i += 3
        elif line.startswith("Inverse coefficients for type"):
            tc = get(line.split("type", 1)[1].strip().rstrip(":"))
            current = None
            i = parse_inverse(lines, i + 1, tc)
            continue
        i += 1
    missing = [t for t in TYPE_ORDER if t not in types or not types[t].reference or not types[t].inverse]
    if missing:
        raise SystemExit("allcoeff.tab: no complete tables for type(s) " + ", ".join(missing))
    return types


def parse_inverse(lines, i, tc):
    """Parses one inverse block: range rows, then one column of coefficients per segment."""

    def row_after(prefix, start):
        for k in range(start, len(lines)):
            stripped = lines[k].strip()
            if stripped.startswith(prefix):
                return k, stripped[len(prefix):].split()
        raise SystemExit("allcoeff.tab: inverse table of type %s lacks '%s'" % (tc.letter, prefix))

    k, t_low = row_after("Temperature", i)
    k, t_high = row_after("Range:", k + 1)
    k, v_low = row_after("Voltage", k + 1)
    k, v_high = row_after("Range:", k + 1)
    columns = [[] for _ in v_low]
    k += 1
    while k < len(lines) and not lines[k].strip():
        k += 1
    while k < len(lines) and lines[k].strip():
        fields = lines[k].split()
        if len(fields) != len(columns):
            raise SystemExit("allcoeff.tab: ragged inverse row for type %s: %r" % (tc.letter, lines[k]))
        for column, field in zip(columns, fields):
            column.append(field)
        k += 1
    for low, high, column in zip(v_low, v_high, columns):
        tc.inverse.append(Segment(low, high, column))
    tc.inverse_celsius = list(zip(t_low, t_high))
    return k


def binary32(text):
    """The decimal text rounded once, to nearest even, to binary32; returned as a Python float."""
    value = fractions.Fraction(text)
    if value == 0:
        return 0.0
    sign = -1 if value < 0 else 1
    value = abs(value)
    exponent = value.numerator.bit_length() - value.denominator.bit_length()
    if fractions.Fraction(2) ** exponent > value:
        exponent -= 1
    # value = m * 2^(exponent - 23) with m in [2^23, 2^24)
    scaled = value / fractions.Fraction(2) ** (exponent - 23)
    m = scaled.numerator // scaled.denominator
    rest = scaled - m
    if rest > fractions.Fraction(1, 2) or (rest == fractions.Fraction(1, 2) and m % 2 == 1):
        m += 1
    if exponent < -126 or exponent > 127:
        raise SystemExit("coefficient %s is outside the normal binary32 range" % text)
    result = sign * float(m) * 2.0 ** (exponent - 23)
    # Rounding through double first must land on the same float, or a reader who casts the
    # double table would see another coefficient.
    via_double = struct.unpack("<f", struct.pack("<f", float(text)))[0]
    if via_double != result:
        raise SystemExit("coefficient %s rounds differently through double" % text)
    return result


def hex_literal(value):
    """Exact C++ hexadecimal floating literal of a binary32 value, with the f suffix."""
    if value == 0.0:
        return "0x0p+0f"
    mantissa, exponent = value.hex().split("p")
    mantissa = mantissa.rstrip("0").rstrip(".")
    return "%sp%sf" % (mantissa, exponent)


def padded(segments):
    n = max(len(s.coefficients) for s in segments)
    return n, [s.coefficients + ["0.0"] * (n - len(s.coefficients)) for s in segments]


def emit_float_table(out, letter, direction, segments, breakpoints):
    n, rows = padded(segments)
    name = "k%s%s" % (direction, letter)
    out.append("inline constexpr double %sBreakpoints[] = {%s};" % (name, ", ".join(breakpoints) or "0.0"))
    out.append("inline constexpr float %sCoefficients[%d][%d] = {" % (name, len(rows), n))
    for segment, row in zip(segments, rows):
        out.append("    {   // %s to %s" % (segment.low, segment.high))
        for text in row:
            out.append("        %s,  // %s" % (hex_literal(binary32(text)), text))
        out.append("    },")
    out.append("};")
    return "{%d, %d, %sBreakpoints, &%sCoefficients[0][0]}" % (len(rows), n, name, name)


def float_source(types):
    out = [
        "// Generated by tools/nist/gen_thermo_tables.py from the NIST ITS-90 thermocouple",
        "// coefficient file allcoeff.tab (NIST Monograph 175). Do not edit: re-run the script.",
        "//",
        "// Coefficients are the printed NIST values rounded once to binary32, lowest power first,",
        "// each segment padded with zeros to the type's term count. Breakpoints are the printed",
        "// segment ends, as doubles; a segment is chosen by the first breakpoint the input lies",
        "// strictly below, the last segment otherwise.",
        "//",
        "// Needs TcPolynomialTable (tc_polynomial.h) in scope.",
        "",
    ]
    reference, inverse = [], []
    for letter in TYPE_ORDER:
        tc = types[letter]
        out.append("// ---- Type %s " % letter + "-" * 80)
        out.append("// Reference function, t in degrees Celsius -> EMF in mV.")
        reference.append(emit_float_table(out, letter, "Reference", tc.reference,
                                          [s.low for s in tc.reference[1:]]))
        out.append("// Inverse function, EMF in mV -> t in degrees Celsius.")
        inverse.append(emit_float_table(out, letter, "Inverse", tc.inverse,
                                        [s.low for s in tc.inverse[1:]]))
        out.append("")
    a0, a1, a2 = types["K"].exponential
    out.append("// Type K above 0 degrees Celsius: a0 * exp(a1 * (t - a2)^2), NIST's constants in binary32.")
    out.append("inline constexpr float kTypeKExponentialA0 = %s;  // %s" % (hex_literal(binary32(a0)), a0))
    out.append("inline constexpr float kTypeKExponentialA1 = %s;  // %s" % (hex_literal(binary32(a1)), a1))
    out.append("inline constexpr float kTypeKExponentialA2 = %s;  // %s" % (hex_literal(binary32(a2)), a2))
    out.append("")
    out.append("// Indexed by TcType: %s." % ", ".join("%d %s" % (i, t) for i, t in enumerate(TYPE_ORDER)))
    out.append("inline constexpr TcPolynomialTable kReferenceTables[] = {")
    out.extend("    %s,  // %s" % (entry, letter) for entry, letter in zip(reference, TYPE_ORDER))
    out.append("};")
    out.append("inline constexpr TcPolynomialTable kInverseTables[] = {")
    out.extend("    %s,  // %s" % (entry, letter) for entry, letter in zip(inverse, TYPE_ORDER))
    out.append("};")
    return "\n".join(out) + "\n"


def double_segment(segment):
    coefficients = ", ".join(segment.coefficients)
    return "{%s, %s, %d, {%s}}" % (segment.low, segment.high, len(segment.coefficients), coefficients)


def double_source(types):
    width = max(len(s.coefficients) for t in types.values() for s in t.reference + t.inverse)
    out = [
        "// Generated by tools/nist/gen_thermo_tables.py from the NIST ITS-90 thermocouple",
        "// coefficient file allcoeff.tab (NIST Monograph 175). Do not edit: re-run the script.",
        "//",
        "// Every coefficient as printed, in double precision, lowest power first.",
        "",
        "struct NistPolynomial {",
        "    double low;   // range of the argument: degrees Celsius for reference functions,",
        "    double high;  // millivolts for inverse functions",
        "    int termCount;",
        "    double coefficients[%d];" % width,
        "};",
        "",
        "struct NistThermocouple {",
        "    char type;",
        "    int referenceCount;",
        "    NistPolynomial reference[3];  // temperature -> EMF",
        "    bool hasExponential;          // type K above 0 degrees Celsius: a0 * exp(a1 * (t - a2)^2)",
        "    double a0, a1, a2;",
        "    int inverseCount;",
        "    NistPolynomial inverse[4];    // EMF -> temperature (approximate)",
        "    double inverseCelsius[4][2];  // temperature range of each inverse polynomial",
        "};",
        "",
        "// In TcType order: %s." % ", ".join("%d %s" % (i, t) for i, t in enumerate(TYPE_ORDER)),
        "inline constexpr NistThermocouple kNistThermocouples[] = {",
    ]
    for letter in TYPE_ORDER:
        tc = types[letter]
        if len(tc.reference) > 3 or len(tc.inverse) > 4:
            raise SystemExit("type %s has more segments than the layout holds" % letter)
        a0, a1, a2 = tc.exponential or ("0.0", "0.0", "0.0")
        out.append("    {'%s'," % letter)
        out.append("     %d," % len(tc.reference))
        out.append("     {")
        out.extend("         %s," % double_segment(s) for s in tc.reference)
        out.append("     },")
        out.append("     %s, %s, %s, %s," % ("true" if tc.exponential else "false", a0, a1, a2))
        out.append("     %d," % len(tc.inverse))
        out.append("     {")
        out.extend("         %s," % double_segment(s) for s in tc.inverse)
        out.append("     },")
        out.append("     {%s}}," % ", ".join("{%s, %s}" % pair for pair in tc.inverse_celsius))
    out.append("};")
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source", nargs="?", default=DEFAULT_SOURCE)
    parser.add_argument("--check", action="store_true", help="compare instead of writing")
    parser.add_argument("--root", default=ROOT, help="source tree to write into")
    args = parser.parse_args()
    with open(args.source, encoding="latin-1") as f:
        types = parse(f.read())
    outputs = {FLOAT_OUT: float_source(types), DOUBLE_OUT: double_source(types)}
    stale = []
    for relative, content in outputs.items():
        path = os.path.join(args.root, relative)
        if args.check:
            try:
                with open(path, encoding="utf-8") as f:
                    if f.read() != content:
                        stale.append(relative)
            except FileNotFoundError:
                stale.append(relative)
        else:
            with open(path, "w", encoding="utf-8") as f:
                f.write(content)
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
