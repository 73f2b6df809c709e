#!/usr/bin/env python3
"""Runs vornix at the interactive prompt on a pseudo-terminal, types lines
into it and checks what appears on the terminal and the exit status.

    run_session.py VORNIX SESSION

The terminal is "dumb" and the line editor reads no init file, so the
transcript holds the banner, the prompts, the echo of each typed line and
the drawings; escape sequences and carriage returns are removed before it
is compared. Every wait is bounded.
"""
import fcntl
import os
import re
import select
import struct
import subprocess
import sys
import termios
import time

TIMEOUT = 20.0  # seconds for any one expected output or the exit
UP = b"\x1b[A"
END_OF_INPUT = b"\x04"  # Ctrl-D on an empty line
PROMPT = "vornix> "
BANNER = "vornix version 0.3"
# Deep enough to overflow the parser's stack; the blank keeps it from being
# read as an option anywhere.
OVERFLOWING = " " + "-" * 12000 + "x"


class SessionError(Exception):
    pass


class Terminal:
    """vornix running on the slave side of a pseudo-terminal."""

    def __init__(self, vornix, *options):
        self.master, slave = os.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"),
               "HOME": os.environ.get("HOME", "/"),
               "TERM": "dumb", "INPUTRC": "/dev/null",
               "LC_ALL": "C", "COLUMNS": "80", "LINES": "24"}
        for name, value in os.environ.items():
            if name.startswith(("ASAN_", "UBSAN_", "LSAN_")):
                env[name] = value
        self.process = subprocess.Popen([vornix, *options], stdin=slave,
                                        stdout=slave, stderr=slave, env=env,
                                        start_new_session=True)
        os.close(slave)
        self.raw = b""
        self.seen = 0  # transcript position up to which expect has matched
        self.status = None

    def transcript(self):
        text = re.sub(rb"\x1b(\[[0-?]*[ -/]*[@-~]|[@-Z\\-_])", b"", self.raw)
        return text.replace(b"\r", b"").replace(b"\x07", b"").decode("latin-1")

    def _read(self, wait):
        ready, _, _ = select.select([self.master], [], [], wait)
        if not ready:
            return True
        try:
            data = os.read(self.master, 65536)
        except OSError:  # the slave side is closed: vornix has ended
            return False
        self.raw += data
        return bool(data)

    def expect(self, text):
        """Waits until text appears after what earlier calls matched."""
        deadline = time.monotonic() + TIMEOUT
        running = True
        while True:
            where = self.transcript().find(text, self.seen)
            if where >= 0:
                self.seen = where + len(text)
                return
            left = deadline - time.monotonic()
            if left <= 0 or not running:
                raise SessionError(f"waited for {text!r}")
            running = self._read(min(left, 0.1))

    def send(self, data):
        """Types data once the line editor has taken over the terminal,
        reading the echo meanwhile so that neither side blocks."""
        deadline = time.monotonic() + TIMEOUT
        # The editor turns off the terminal's own line editing; typed before
        # that, the text would be echoed by the terminal instead.
        while termios.tcgetattr(self.master)[3] & termios.ICANON:
            if time.monotonic() > deadline:
                raise SessionError("the line editor did not start")
            self._read(0.02)
        while data:
            if time.monotonic() > deadline:
                raise SessionError("could not type the input")
            _, writable, _ = select.select([], [self.master], [], 0.1)
            if writable:
                data = data[os.write(self.master, data[:1024]):]
            self._read(0)

    def line(self, text):
        self.send(text.encode("latin-1") + b"\r")

    def finish(self):
        """Waits for vornix to end and returns its exit status."""
        deadline = time.monotonic() + TIMEOUT
        while self.process.poll() is None:
            if time.monotonic() > deadline:
                raise SessionError("vornix did not end")
            self._read(0.05)
        while self._read(0.05):
            pass
        self.status = self.process.returncode
        return self.status

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        os.close(self.master)


def rows(*lines):
    return "".join(line + "\n" for line in lines)


def drawn(*lines):
    """The empty line and the rows of one drawing, as on the terminal."""
    return "\n" + rows(*lines)


def check(condition, message):
    if not condition:
        raise SessionError(message)


def banner_and_prompt(t):
    t.expect(PROMPT)
    t.line("x^2/2")
    t.expect(PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")
    # The statement is drawn below its prompt line and before the next one.
    check(t.transcript().startswith(
        rows(BANNER, PROMPT + "x^2/2") + drawn(" 2", "x", "--", " 2") + PROMPT),
        "banner, prompt, echo and drawing not in order")


def quiet(t):
    t.line("x+1")
    t.expect(drawn("x + 1"))
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")
    check("vornix" not in t.transcript(), "banner or prompt printed")
    check(t.transcript().startswith("x+1\n"), "text before the echo")


def narrow_radicals(t):
    t.line("sqrt(1/2)")
    t.expect(drawn("  _", " |1", " |-", "\\|2"))
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


# An empty line must neither print anything nor enter the history: two
# steps back from it then reach "a", not "b".
def empty_line_and_history(t):
    for text in ["a", "b", ""]:
        t.expect(PROMPT)
        t.line(text)
    t.expect(PROMPT)
    t.send(UP + UP + b"\r")
    t.expect(PROMPT)
    t.send(UP + b"\r")
    t.expect(PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")
    drawings = re.findall(r"\n\n(\w)\n", t.transcript())
    check(drawings == ["a", "b", "a", "a"], f"drawings {drawings}")
    check(t.transcript().count("\n\n") == 4, "extra empty line")


def quit_ends_at_once(t):
    t.expect(PROMPT)
    t.line("x")
    t.expect(drawn("x") + PROMPT)
    t.line("quit")
    check(t.finish() == 0, f"status {t.status}")
    check(t.transcript().endswith(PROMPT + "quit\n"),
          "output after quit")


# " quit" is a statement: it ends only its own parse, the loop goes on.
def quit_with_leading_blank(t):
    t.expect(PROMPT)
    t.line(" quit")
    t.expect(PROMPT)
    t.line("y")
    t.expect(drawn("y") + PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")
    check(t.transcript() == rows(BANNER, PROMPT + " quit", PROMPT + "y")
          + drawn("y") + PROMPT, "output for the blank quit line")


def end_of_input_at_once(t):
    t.expect(PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


def syntax_error_then_good_line(t):
    t.expect(PROMPT)
    t.line("x +")
    t.expect("syntax error\n" + PROMPT)
    t.line("y|")
    t.expect("bad character '|'\nsyntax error\n" + PROMPT)
    t.line("y")
    t.expect(drawn("y") + PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


# The status is that of the last parsed line.
def overflow_is_last_line(t):
    t.expect(PROMPT)
    t.line(OVERFLOWING)
    t.expect("yacc stack overflow\n" + PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 1, f"status {t.status}")


def good_line_after_overflow(t):
    t.expect(PROMPT)
    t.line(OVERFLOWING)
    t.expect("yacc stack overflow\n" + PROMPT)
    t.line("y")
    t.expect(drawn("y") + PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


# An empty line is not parsed, so it keeps the last line's status.
def empty_line_after_overflow(t):
    t.expect(PROMPT)
    t.line(OVERFLOWING)
    t.expect("yacc stack overflow\n" + PROMPT)
    t.line("")
    t.expect(PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 1, f"status {t.status}")


# LaTeX at the prompt: a drawing, an error, and a warning on the terminal.
def latex(t):
    t.expect(PROMPT)
    t.line("\\frac{1}{2}")
    t.expect(drawn("1", "-", "2") + PROMPT)
    t.line("\\frac{a}")
    t.expect("syntax error at column 1: \\frac needs 2 arguments\n" + PROMPT)
    t.line("\\foo")
    t.expect("vornix: unknown command \\foo\n")
    t.expect(drawn("\\foo") + PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


SESSIONS = {
    "banner_and_prompt": ([], banner_and_prompt),
    "quiet": (["-q"], quiet),
    "narrow_radicals": (["-qr"], narrow_radicals),
    "empty_line_and_history": ([], empty_line_and_history),
    "quit_ends_at_once": ([], quit_ends_at_once),
    "quit_with_leading_blank": ([], quit_with_leading_blank),
    "end_of_input_at_once": ([], end_of_input_at_once),
    "syntax_error_then_good_line": ([], syntax_error_then_good_line),
    "overflow_is_last_line": ([], overflow_is_last_line),
    "good_line_after_overflow": ([], good_line_after_overflow),
    "empty_line_after_overflow": ([], empty_line_after_overflow),
    "latex": (["-l"], latex),
}


def main():
    vornix, name = sys.argv[1], sys.argv[2]
    options, session = SESSIONS[name]
    t = Terminal(vornix, *options)
    try:
        session(t)
    except SessionError as error:
        print(f"FAIL {name}: {error}")
        print("transcript:")
        for line in t.transcript()[-2000:].split("\n"):
            print("    " + repr(line))
        return 1
    finally:
        t.close()
    print(f"{name} passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
