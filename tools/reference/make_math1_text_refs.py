#!/usr/bin/env python3
"""Reference data for the number-text tests (tests/numerics/test_math1_text*.cpp).

Run from the repository root (needs gfortran for the exponent format):
    python3 tools/reference/make_math1_text_refs.py

Writes three files under tests/data/:
  math1_text_scan.tsv     ScanFPNum and ScanDecimal. The accepted prefix
                          comes from a transcription of the scanners' state
                          table below; its value from Python's float() (correctly
                          rounded), or from int() wrapped to 32 bits.
  math1_text_hex.tsv      bit patterns: struct.pack('>d'/'>f').hex().upper(); the
                          80-bit extended bytes built from the exact value with
                          integer arithmetic (fractions).
  math1_text_eformat.tsv  gfortran's Ew.d edit descriptor
                          (tools/reference/make_math1_text_eformat.f90).

Text columns escape backslash, TAB and bytes outside printable ASCII as \\\\, \\t
and \\xHH.
"""
import os
import random
import struct
import subprocess
import sys
import tempfile
from fractions import Fraction

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DATA = os.path.join(ROOT, "tests", "data")
HERE = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(4711)

MAX_DOUBLE = sys.float_info.max


def esc(s):
    out = []
    for ch in s:
        o = ord(ch)
        if ch == "\\":
            out.append("\\\\")
        elif ch == "\t":
            out.append("\\t")
        elif 32 <= o < 127:
            out.append(ch)
        else:
            out.append("\\x%02X" % o)
    return "".join(out)


def dhex(x):
    return struct.pack(">d", x).hex().upper()


# ---- ScanFPNum -----------------------------------------------------------------

ERR, END = 0, 9
# class order: separator, blank, sign, digit, E, other
TABLE = {
    1: (4, 1, 2, 3, ERR, ERR),
    2: (4, ERR, ERR, 3, ERR, ERR),
    3: (4, END, END, 3, 6, END),
    4: (ERR, END, END, 5, 6, END),
    5: (ERR, END, END, 5, 6, END),
    6: (ERR, ERR, 7, 8, ERR, END),
    7: (ERR, ERR, ERR, 8, ERR, END),
    8: (END, END, END, 8, END, END),
}


def fp_class(ch, allow_exp, mode):
    ch = ch.upper() if ch.isascii() else ch
    seps = {1: ".", 2: ",", 3: ".,"}.get(mode, "")
    if ch in seps:
        return 0
    if ch == " ":
        return 1
    if ch in "+-":
        return 2
    if "0" <= ch <= "9":
        return 3
    if ch == "E":
        return 4 if allow_exp else 5  # without exponents "E" ends the number in 3..5
    return 5


def scan_fp(text, allow_exp, mode, pos):
    """Value and end position of ScanFPNum, straight from the state table."""
    if pos < 1 or pos > len(text) + 1:
        return 0.0, pos
    state, num, exp_digits = 1, "", ""
    while 1 <= state <= 8:
        ch = text[pos - 1] if pos <= len(text) else "Z"
        pos += 1
        new = TABLE[state][fp_class(ch, allow_exp, mode)]
        if 1 <= new <= 8:
            if new == 8:
                capped = exp_digits != "" and int(exp_digits) > 4200
                if not capped:
                    exp_digits += ch
                    num += ch
            else:
                num += "." if ch == "," else ch
        state = new
    pos -= 1
    if state == ERR:
        return 0.0, pos
    num = num.lstrip(" ")
    mant = num.upper().split("E")[0]
    if not any(c.isdigit() for c in mant):
        return 0.0, pos  # a mantissa without digits is malformed
    if not exp_digits and "E" in num.upper():
        num = mant  # "1E" and "1E+": no exponent
    v = float(num)
    if v in (float("inf"), float("-inf")):
        v = MAX_DOUBLE if v > 0 else -MAX_DOUBLE
    return v, pos


def scan_dec(text, pos):
    n = len(text)
    if n == 0 or pos < 1 or pos > n:
        return 0, pos
    i = pos - 1
    while i < n - 1 and text[i] == " ":
        i += 1
    neg = False
    if text[i] in "+-":
        neg = text[i] == "-"
        i += 1
    v = 0
    while i < n and text[i].isdigit():
        v = (v * 10 + int(text[i])) & 0xFFFFFFFF
        i += 1
    if neg:
        v = (-v) & 0xFFFFFFFF
    if v >= 1 << 31:
        v -= 1 << 32
    return v, i + 1


def scan_rows():
    rows = []
    fixed = [
        ("  -12.5e-3x", 1, 1, 1), ("  -12.5e-3x", 1, 2, 1), ("1E5000", 1, 1, 1), ("-1E5000", 1, 1, 1),
        ("1E-5000", 1, 1, 1), ("-1E-5000", 1, 1, 1), ("1.5E3", 0, 1, 1), ("1.5E3", 1, 1, 1),
        (".5", 1, 1, 1), ("-.5", 1, 1, 1), ("5.", 1, 1, 1), ("- 5", 1, 1, 1), ("+", 1, 1, 1),
        (".E5", 1, 1, 1), ("-.E5", 1, 1, 1), (".", 1, 1, 1), ("-.", 1, 1, 1), ("1E", 1, 1, 1),
        ("1E+", 1, 1, 1), ("1E-;", 1, 1, 1), ("1E 5", 1, 1, 1), ("1..2", 1, 1, 1), ("1.2.3", 1, 3, 1),
        ("1,5;2", 1, 3, 1), ("1,5", 1, 1, 1), ("1,5", 1, 2, 1), ("1.5", 1, 0, 1), ("1.5", 1, 4, 1),
        ("12abc", 1, 1, 1), ("ab12", 1, 1, 3), ("x", 1, 1, 2), ("", 1, 1, 1), ("7", 1, 1, 0),
        ("7", 1, 1, -3), ("7", 1, 1, 3), ("7", 1, 1, 2), ("1e5.", 1, 1, 1), ("1e5,", 1, 3, 1),
        ("3e+07 ", 1, 1, 1), ("-0", 1, 1, 1), ("-0.0e-0", 1, 1, 1), ("\t1", 1, 1, 1), ("1\t", 1, 1, 1),
        ("  ", 1, 1, 1), ("0e99999", 1, 1, 1), ("1e-", 1, 1, 1), ("1e+-5", 1, 1, 1), ("e5", 1, 1, 1),
        ("9.9e-325", 1, 1, 1), ("2.4703282292062327e-324", 1, 1, 1), ("2.4703282292062328e-324", 1, 1, 1),
        ("4.9406564584124654e-324", 1, 1, 1), ("2.2250738585072011e-308", 1, 1, 1),
        ("2.2250738585072012e-308", 1, 1, 1), ("1.7976931348623157e308", 1, 1, 1),
        ("1.7976931348623158e308", 1, 1, 1), ("1.7976931348623159e308", 1, 1, 1),
        ("9007199254740993", 1, 1, 1), ("9007199254740993.0000000000000000000001", 1, 1, 1),
        ("0.1", 1, 1, 1), ("0.3", 1, 1, 1), ("123456789012345678901234567890", 1, 1, 1),
        ("6.02E23", 1, 1, 1), ("6,02E23", 1, 2, 1), ("0.000123", 1, 1, 1), ("4711", 0, 1, 1),
        ("1" + "0" * 400 + "E-400", 1, 1, 1), ("0." + "0" * 400 + "1E401", 1, 1, 1),
        # The exponent text stops growing once it passes 4200: 4300 is kept,
        # the following digit is not (otherwise this would overflow).
        ("0." + "0" * 4300 + "1E43001", 1, 1, 1),
        ("1E42001", 1, 1, 1), ("1E4200123456789012345", 1, 1, 1), ("-1E-99999999999999999999", 1, 1, 1),
        ("\xe91.5", 1, 1, 1), ("1.5\xe9", 1, 1, 1), ("1\xc9" + "5", 1, 1, 1),
        ("2,25.", 1, 3, 1), ("x;2,25;", 1, 3, 3), ("1E" + "9" * 3000, 1, 1, 1), ("1E-" + "9" * 3000, 1, 1, 1),
        ("0" * 400 + "3," + "0" * 399 + "1", 1, 2, 1), ("0," + "0" * 300 + "25E302", 1, 2, 1),
    ]
    for text, allow, mode, pos in fixed:
        v, p = scan_fp(text, bool(allow), mode, pos)
        rows.append(("fp", text, allow, mode, pos, dhex(v), p, repr(v)))
    alphabet = "0123456789" * 3 + "  ++--..,,eEeZx;"
    for _ in range(1500):
        n = rng.randint(0, 14)
        text = "".join(rng.choice(alphabet) for _ in range(n))
        allow = rng.randint(0, 1)
        mode = rng.choice([1, 1, 2, 3, 3, 0, 4])
        pos = rng.randint(1, n + 1) if rng.random() < 0.9 else rng.choice([0, -1, n + 2, n + 5])
        v, p = scan_fp(text, bool(allow), mode, pos)
        rows.append(("fp", text, allow, mode, pos, dhex(v), p, repr(v)))
    # Numbers of every magnitude written in several styles.
    for _ in range(1500):
        x = rng.choice([rng.uniform(-1, 1), rng.uniform(-1e6, 1e6)]) * 10.0 ** rng.randint(-320, 300)
        style = rng.randint(0, 3)
        if style == 0:
            text = repr(x)
        elif style == 1:
            text = "%.*e" % (rng.randint(0, 25), x)
        elif style == 2:
            text = "%.*g" % (rng.randint(1, 30), x)
        else:
            text = "%.*f" % (rng.randint(0, 40), x) if abs(x) < 1e30 else repr(x)
        text = " " * rng.randint(0, 2) + text + rng.choice(["", " ", ";", "x"])
        v, p = scan_fp(text, True, 1, 1)
        rows.append(("fp", text, 1, 1, 1, dhex(v), p, repr(v)))

    dec_fixed = [("  +42;", 1), ("", 1), ("42", 3), ("42", 0), ("   ", 1), ("-", 1), ("- 5", 1), ("+x", 1),
                 ("2147483647", 1), ("2147483648", 1), ("-2147483648", 1), ("4294967297", 1),
                 ("99999999999999999999", 1), ("  7", 3), ("a12", 2), ("12a", 1), ("--1", 1), ("-x", 1),
                 ("4294967295", 1)]
    for text, pos in dec_fixed:
        v, p = scan_dec(text, pos)
        rows.append(("dec", text, 0, 0, pos, str(v), p, str(v)))
    for _ in range(300):
        n = rng.randint(0, 12)
        text = "".join(rng.choice("0123456789" * 2 + "  +-x") for _ in range(n))
        pos = rng.randint(0, n + 1)
        v, p = scan_dec(text, pos)
        rows.append(("dec", text, 0, 0, pos, str(v), p, str(v)))
    return rows


# ---- bit patterns ------------------------------------------------------------------

def ext_bytes(v):
    """The 10 bytes of the 80-bit extended format of the exact value v (a
    Fraction, or 'inf'/'-inf'), most significant first, as hex; round to
    nearest, ties to even."""
    if v in ("inf", "-inf"):
        return ("FFFF" if v == "-inf" else "7FFF") + "8000000000000000"
    sign = 1 if v < 0 else 0
    a = abs(v)
    if a == 0:
        return "%04X%016X" % (sign << 15, 0)
    e = a.numerator.bit_length() - a.denominator.bit_length()
    if Fraction(2) ** e > a:
        e -= 1
    # 2^e <= a < 2^(e+1); 64 mantissa bits with the integer bit explicit.
    emin = -16382
    q = max(e, emin) - 63
    scaled = a / Fraction(2) ** q
    m = scaled.numerator // scaled.denominator
    rem = scaled - m
    if rem > Fraction(1, 2) or (rem == Fraction(1, 2) and m % 2 == 1):
        m += 1
    if m == 1 << 64:
        m >>= 1
        q += 1
    if m >= 1 << 63:
        biased = q + 63 + 16383
    else:
        biased = 0  # denormal: exponent field 0, integer bit clear
    if biased >= 0x7FFF:
        raise ValueError("overflow")
    return "%04X%016X" % ((sign << 15) | biased, m)


def ext_value_text(v):
    """The value as a hexadecimal significand and binary exponent that
    std::from_chars(chars_format::hex) reads exactly."""
    h = ext_bytes(v)
    se = int(h[:4], 16)
    m = int(h[4:], 16)
    biased = se & 0x7FFF
    q = (biased if biased else 1) - 16383 - 63
    return ("-" if se >> 15 else "") + "%Xp%d" % (m, q)


def hexfloat(x):
    """float.hex() without the 0x prefix, as std::from_chars reads it."""
    h = x.hex()
    return h.replace("0x", "")


def hex_rows():
    rows = []
    doubles = [1.0, -1.0, 0.0, -0.0, 0.1, -2.5, 1e300, 5e-324, 2.2250738585072014e-308, 2.225073858507201e-308,
               MAX_DOUBLE, 3.141592653589793]
    for x in doubles:
        rows.append(("d", hexfloat(x), dhex(x)))
    rows.append(("d", "inf", dhex(float("inf"))))
    rows.append(("d", "-inf", dhex(float("-inf"))))
    for bits in (0x7FF8000000000000, 0x7FF0000000000001, 0xFFF4000000000000, 0x7FF7FFFFFFFFFFFF):
        rows.append(("d", "nan", "%016X" % bits))  # NaNs, signalling ones included
    for _ in range(200):
        bits = rng.getrandbits(64)
        x = struct.unpack(">d", bits.to_bytes(8, "big"))[0]
        rows.append(("d", "nan" if x != x else hexfloat(x), "%016X" % bits))

    for x in (1.0, -1.0, 0.0, -0.0, 0.1, 3.4028234663852886e38, 1e-45, 1.1754943508222875e-38):
        b = struct.pack(">f", x)
        rows.append(("f", hexfloat(struct.unpack(">f", b)[0]), b.hex().upper()))
    for bits in (0x7FC00000, 0x7F800001, 0xFFA00000):
        rows.append(("f", "nan", "%08X" % bits))
    for _ in range(200):
        bits = rng.getrandbits(32)
        x = struct.unpack(">f", bits.to_bytes(4, "big"))[0]
        if x != x:
            rows.append(("f", "nan", "%08X" % bits))
        elif x in (float("inf"), float("-inf")):
            rows.append(("f", "inf" if x > 0 else "-inf", "%08X" % bits))
        else:
            rows.append(("f", hexfloat(x), "%08X" % bits))

    exts = [Fraction(1), Fraction(-1), Fraction(0), Fraction(1, 10), Fraction(1, 3), Fraction(-2, 3),
            Fraction(2) ** 16383, Fraction(2) ** 16383 * (2 - Fraction(1, 2 ** 63)), Fraction(2) ** -16382,
            Fraction(2) ** -16445, Fraction(3) * Fraction(2) ** -16446, Fraction(10) ** 4000,
            Fraction(-7, 10) * Fraction(10) ** -4000, Fraction(MAX_DOUBLE), Fraction(5e-324)]
    for _ in range(100):
        x = rng.uniform(-1, 1) * 10.0 ** rng.randint(-300, 300)
        exts.append(Fraction(x))
    for _ in range(100):
        exts.append(Fraction(rng.getrandbits(80) - (1 << 79), rng.getrandbits(60) + 1) *
                    Fraction(2) ** rng.randint(-16000, 16000))
    for v in exts:
        rows.append(("x", ext_value_text(v), ext_bytes(v)))
    rows.append(("x", "inf", ext_bytes("inf")))
    rows.append(("x", "-inf", ext_bytes("-inf")))
    for bits in ("7FFFC000000000000000", "7FFF8000000000000001", "FFFFA000000000000000"):
        rows.append(("x", "nan", bits))
    return rows


# ---- exponent format -------------------------------------------------------------------

def eformat_rows():
    values = [1.2345, -1.2345, 0.0, 0.1, 1.0, 9.99999, 0.999999, 999999.5, 123456789012345.0, -3.3e-7,
              1e100, -1e100, 1.2345e-100, 1e-99, 9.9999999e98, 9.9999999e-101, 5e-324, MAX_DOUBLE,
              0.5, 2.5, 1e-5, 7.0, 1234.5678, 0.125, 0.375, 2.675]
    for _ in range(150):
        values.append(rng.uniform(-1, 1) * 10.0 ** rng.randint(-310, 308))
    for _ in range(50):
        values.append(rng.uniform(-1000, 1000))
    formats = [(12, 5), (8, 2), (10, 3), (15, 8), (16, 9), (24, 15), (40, 15), (20, 2), (9, 2)]
    cases = [(x, w, d) for x in values for (w, d) in formats if w >= d + 7]
    with tempfile.TemporaryDirectory() as tmp:
        exe = os.path.join(tmp, "eformat")
        subprocess.run(["gfortran", "-O0", "-o", exe, os.path.join(HERE, "make_math1_text_eformat.f90")],
                       check=True)
        inp = "".join("%r %d %d\n" % c for c in cases)
        res = subprocess.run([exe], input=inp, capture_output=True, text=True, check=True)
    lines = res.stdout.splitlines()
    assert len(lines) == len(cases), (len(lines), len(cases))
    rows = []
    for (x, w, d), line in zip(cases, lines):
        assert line.startswith("[") and line.endswith("]"), line
        rows.append((repr(x), w, d, line[1:-1]))
    return rows


def write(name, header, rows):
    path = os.path.join(DATA, name)
    with open(path, "w", encoding="latin-1", newline="\n") as f:
        f.write(header)
        for r in rows:
            f.write("\t".join(esc(c) if isinstance(c, str) else str(c) for c in r) + "\n")
    print("wrote %s (%d rows)" % (path, len(rows)))


def main():
    write("math1_text_scan.tsv",
          "# made by tools/reference/make_math1_text_refs.py\n"
          "# kind\ttext\tallow_exp\tsep_mode\tstart_pos\tvalue (fp: double bits; dec: int)\tend_pos\tvalue\n",
          scan_rows())
    write("math1_text_hex.tsv",
          "# made by tools/reference/make_math1_text_refs.py\n"
          "# kind (d double, f single, x 80-bit extended)\tvalue (hex significand p binary exponent)\tbytes\n",
          hex_rows())
    write("math1_text_eformat.tsv",
          "# made by tools/reference/make_math1_text_refs.py from gfortran Ew.d\n"
          "# value\twidth\tdigits\ttext\n",
          eformat_rows())


if __name__ == "__main__":
    main()
