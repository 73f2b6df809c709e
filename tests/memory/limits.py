#!/usr/bin/env python3
"""Runs vornix under real memory limits (the address space capped with
setrlimit, as `ulimit -v` does): an 8 MB name, and a long stream of
statements. Whatever the limit, vornix ends with status 0, or with status 2
and "vornix: out of memory" on standard error; never with a signal (an
abort is status 134 in a shell). When a statement runs out, its message
stands in place of its drawing and the next line is drawn.

    limits.py VORNIX CORPUS
"""
import resource
import subprocess
import sys

failures = []


def run(vornix, data, kib):
    def cap():
        resource.setrlimit(resource.RLIMIT_AS, (kib * 1024, kib * 1024))
    return subprocess.run([vornix], input=data, capture_output=True, preexec_fn=cap,
                          check=False, timeout=120)


def check(case, result, last_drawn):
    if result.returncode == 2:
        if result.stderr != b"vornix: out of memory\n":
            failures.append(f"{case}: status 2 with {result.stderr[:200]!r}")
    elif result.returncode != 0:
        failures.append(f"{case}: status {result.returncode}, {result.stderr[-300:]!r}")
    elif result.stderr:
        failures.append(f"{case}: standard error {result.stderr[-300:]!r}")
    elif not result.stdout.endswith(last_drawn):
        failures.append(f"{case}: the last line is not drawn: {result.stdout[-80:]!r}")


def main():
    vornix, corpus = sys.argv[1], sys.argv[2]
    name = b"a" * 8_000_000 + b"\nx\n"
    stream = open(corpus, "rb").read() * 200 + b"y\n"
    outcomes = set()
    for kib in range(6000, 40001, 1000):
        result = run(vornix, name, kib)
        check(f"an 8 MB name under {kib} KiB", result, b"\nx\n")
        first = result.stdout.split(b"\n")[0] if result.returncode == 0 else b"(gave up)"
        outcomes.add(first[:20])
        check(f"a stream under {kib} KiB", run(vornix, stream, kib), b"\ny\n")
    # The limits reach each way of ending: giving up, a message, a drawing.
    if len(outcomes) < 3:
        failures.append(f"the limits tried reach only {sorted(outcomes)}")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
