#!/usr/bin/env python3
"""Times the interactive prompt from start to end at a pseudo-terminal,
with "quit" typed before it starts, and prints the median wall time and
the mean CPU time (user and system) of a run, in ms.

    prompt_start.py VORNIX [RUNS]

The history comes from $XDG_STATE_HOME as usual: point it at a directory
of the kind of history to measure.
"""
import os
import statistics
import subprocess
import sys
import time


def once(vornix, env):
    master, slave = os.openpty()
    # Typed ahead: the line editor reads it as soon as it takes the terminal.
    os.write(master, b"quit\r")
    start = time.perf_counter()
    process = subprocess.Popen([vornix], stdin=slave, stdout=slave, stderr=slave,
                               env=env, start_new_session=True)
    os.close(slave)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    try:
        while os.read(master, 65536):
            pass
    except OSError:  # the terminal's other side is closed
        pass
    os.close(master)
    if process.returncode != 0:
        sys.exit(f"vornix ended with status {process.returncode}")
    return wall, usage.ru_utime + usage.ru_stime


def main():
    vornix = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    env = dict(os.environ, TERM="xterm", INPUTRC="/dev/null")
    for _ in range(20):
        once(vornix, env)
    runs = [once(vornix, env) for _ in range(count)]
    wall = statistics.median(run[0] for run in runs)
    cpu = statistics.mean(run[1] for run in runs)
    print(f"{wall * 1000:.3f} {cpu * 1000:.3f}")


if __name__ == "__main__":
    main()
