#!/usr/bin/env python3
"""Drives vornix -m as a co-process through two pipes, the way a program
that receives a document a few bytes at a time does: each piece is sent,
and whatever it completes must come back before the next piece is sent.
A vornix that holds a finished line or a closed display formula until more
input comes makes this test time out.

    markdown_coprocess.py VORNIX
"""
import os
import select
import subprocess
import sys
import time

# (piece sent, output it completes); None: the piece completes nothing yet.
PIECES = [
    (b"Some prose ", None),
    (b"with $x^2$ inline.\n", b"Some prose with x^2 inline.\n"),
    (b"$$\\frac{a}{", None),
    (b"b}$$\n", b"\na\n-\nb\n"),
    (b"More text.\n", b"\nMore text.\n"),
    (b"> quote $y", None),
    (b"_1$ end\n", b"> quote y_1 end\n"),
    (b"```\n$code$\n", b"```\n$code$\n"),
    (b"```\n", b"```\n"),
    # The item's indentation goes out with its line; the rows follow it.
    (b"- item\n\n  $$\n  \\sqrt", b"- item\n\n  "),
    (b"{x}\n  $$\n", b"  _\n  \\/x\n"),
]


def read_until(stream, expected, seconds):
    """Reads from the pipe until `expected` has come, or gives up."""
    got = b""
    deadline = time.monotonic() + seconds
    while len(got) < len(expected):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([stream], [], [], left)[0]:
            break
        chunk = os.read(stream.fileno(), 4096)
        if not chunk:
            break
        got += chunk
    return got


def main():
    vornix = subprocess.Popen([sys.argv[1], "-m"], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE)
    failures = []
    for piece, expected in PIECES:
        vornix.stdin.write(piece)
        vornix.stdin.flush()
        if expected is None:
            continue
        got = read_until(vornix.stdout, expected, 30)
        if got != expected:
            failures.append(f"after {piece!r}: got {got!r}, expected {expected!r}")
            break
    # An unclosed span is text once the input ends; an empty line parts it
    # from the display formula before.
    vornix.stdin.write(b"tail $z")
    vornix.stdin.close()
    rest = vornix.stdout.read()
    if not failures and rest != b"\ntail $z":
        failures.append(f"at the end of the input: got {rest!r}")
    if vornix.wait() != 0:
        failures.append(f"exit status {vornix.returncode}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
