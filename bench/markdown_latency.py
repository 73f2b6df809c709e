#!/usr/bin/env python3
"""Latency of a display formula through a pipe: vornix -m runs as a
co-process; each round sends a paragraph ending in a display formula and
times until the formula's last row has come back. Prints the median and the
largest, in milliseconds.

    markdown_latency.py VORNIX ROUNDS
"""
import os
import select
import statistics
import subprocess
import sys
import time

BLOCK = b"Some text.\n\n$$\\sum_{k=1}^{n} k = \\frac{n(n+1)}{2}$$\n"
# The formula's last row, then the line break that ends it.
END = b"k = 1\n"


def main():
    vornix = subprocess.Popen([sys.argv[1], "-m"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    times = []
    for _ in range(int(sys.argv[2])):
        start = time.perf_counter()
        vornix.stdin.write(BLOCK)
        vornix.stdin.flush()
        got = b""
        while not got.endswith(END):
            if not select.select([vornix.stdout], [], [], 30)[0]:
                sys.exit("no answer in 30 s")
            got += os.read(vornix.stdout.fileno(), 65536)
        times.append((time.perf_counter() - start) * 1000)
    vornix.stdin.close()
    vornix.wait()
    print(f"{statistics.median(times):.3f} {max(times):.3f}")


if __name__ == "__main__":
    main()
