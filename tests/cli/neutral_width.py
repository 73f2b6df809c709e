#!/usr/bin/env python3
"""Draws every golden statement, linear and LaTeX, with --ambiguous-wide
(also with -r and fitted to 16 columns) and checks that no character drawn
is of East Asian width Ambiguous, Wide or Fullwidth, as Unicode's
EastAsianWidth data gives it. The same statements drawn with -u must hold
ambiguous characters, or the check would prove nothing.

    neutral_width.py VORNIX CASES_DIRECTORY
"""
import pathlib
import subprocess
import sys
import unicodedata

vornix, cases = sys.argv[1], pathlib.Path(sys.argv[2])
NOT_NEUTRAL = ("A", "W", "F")


def draw(options, source):
    run = subprocess.run([vornix, *options], input=source.read_bytes(),
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    return run.stdout.decode("utf-8")  # strict: invalid UTF-8 fails the test


failures = []
ambiguous_in_unicode = set()
non_ascii = set()
for source in sorted(cases.glob("*.vx")) + sorted(cases.glob("*.tex")):
    mode = ["-l"] if source.suffix == ".tex" else []
    for extra in ([], ["-r"], ["-w", "16"]):
        text = draw([*mode, *extra, "--ambiguous-wide"], source)
        for number, row in enumerate(text.split("\n"), 1):
            for c in row:
                if ord(c) > 0x7F:
                    non_ascii.add(c)
                if unicodedata.east_asian_width(c) in NOT_NEUTRAL:
                    failures.append(f"{source.name} {' '.join(extra)}: U+{ord(c):04X} {c} "
                                    f"in output row {number}: {row}")
    for c in draw([*mode, "-u"], source):
        if unicodedata.east_asian_width(c) in NOT_NEUTRAL:
            ambiguous_in_unicode.add(c)

for failure in failures[:20]:
    print(failure)
if not ambiguous_in_unicode:
    print("the -u drawings hold no ambiguous character: the check proves nothing")
    failures.append("vacuous")
# Brackets, integrals, the product dot and the continuation mark stay Unicode.
for expected in "⎛⎡⎧⌠⋅↪⎯":
    if expected not in non_ascii:
        print(f"never drawn: {expected}")
        failures.append(expected)
sys.exit(1 if failures else 0)
