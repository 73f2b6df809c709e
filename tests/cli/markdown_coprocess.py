#!/usr/bin/env python3
"""Drives vornix -m as a co-process through two pipes, the way a program
that receives a document a few bytes at a time does: each piece is sent,
and whatever it completes must come back before the next piece is sent.
A vornix that holds a finished line or a closed display formula until more
input comes makes this test time out.

    markdown_coprocess.py VORNIX
"""
import sys

from coprocess import converse

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


def main():
    # An unclosed span is text once the input ends; an empty line parts it
    # from the display formula before.
    return converse([sys.argv[1], "-m"], PIECES, b"tail $z", b"\ntail $z", 30)


if __name__ == "__main__":
    sys.exit(main())
