#!/usr/bin/env python3
"""Drives vornix as a co-process through two pipes: one line in, then wait
for its drawing before the next line is sent. A vornix that waits for more
input, or keeps its output in a buffer, before it prints a drawing makes
this test time out.

    coprocess.py VORNIX
"""
import os
import select
import subprocess
import sys
import time

LINES = [(b"x^2\n", b"\n 2\nx\n"), (b"2x\n", b"syntax error\n"),
         (b"1/y\n", b"\n1\n-\ny\n"), (b"\n", b"\n"), (b"a", None)]


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


def converse(command, pieces, last, expected_rest, seconds):
    """Sends each (piece, output) to `command` through a pipe and reads the
    output that the piece completes before sending the next; then sends
    `last` and ends the input, after which `expected_rest` must come.
    Returns the failures."""
    vornix = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    failures = []
    for piece, expected in pieces:
        vornix.stdin.write(piece)
        vornix.stdin.flush()
        if expected is None:
            continue
        got = read_until(vornix.stdout, expected, seconds)
        if got != expected:
            failures.append(f"after {piece!r}: got {got!r}, expected {expected!r}")
            break
    vornix.stdin.write(last)
    vornix.stdin.close()
    rest = vornix.stdout.read()
    if not failures and rest != expected_rest:
        failures.append(f"at the end of the input: got {rest!r}")
    if vornix.wait() != 0:
        failures.append(f"exit status {vornix.returncode}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


def main():
    # A last line without its newline is drawn when the input ends.
    return converse([sys.argv[1]], LINES, b"", b"\na\n", 10)


if __name__ == "__main__":
    sys.exit(main())
