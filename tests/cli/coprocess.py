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


def main():
    vornix = subprocess.Popen([sys.argv[1]], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    failures = []
    for line, expected in LINES:
        vornix.stdin.write(line)
        vornix.stdin.flush()
        if expected is None:
            continue
        got = read_until(vornix.stdout, expected, 10)
        if got != expected:
            failures.append(f"after {line!r}: got {got!r}, expected {expected!r}")
            break
    # A last line without its newline is drawn when the input ends.
    vornix.stdin.close()
    rest = vornix.stdout.read()
    if not failures and rest != b"\na\n":
        failures.append(f"at the end of the input: got {rest!r}")
    if vornix.wait() != 0:
        failures.append(f"exit status {vornix.returncode}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
