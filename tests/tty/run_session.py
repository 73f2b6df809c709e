#!/usr/bin/env python3
"""Runs vornix at the interactive prompt on a pseudo-terminal, types lines
into it and checks what appears on the terminal and the exit status.

    run_session.py VORNIX SESSION VERSION

The terminal is "dumb" and the line editor reads no init file, so the
transcript holds the banner, the prompts, the echo of each typed line and
the drawings; escape sequences and carriage returns are removed before it
is compared. The terminal is vornix's controlling terminal, so that Ctrl-C
typed at it interrupts. Each session keeps its history in a directory of
its own. Every wait is bounded. VERSION is the one the build gives the
program, shown in its banner.
A session in a UTF-8 locale can also be looked at as the screen shows it,
each character in as many columns as the C library's wcwidth gives it.
"""
import fcntl
import locale
import os
import re
import select
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time
import ctypes

TIMEOUT = 20.0  # seconds for any one expected output or the exit
UP = b"\x1b[A"
END_OF_INPUT = b"\x04"  # Ctrl-D on an empty line
INTERRUPT = b"\x03"  # Ctrl-C
TAB = b"\t"
KILL_LINE = b"\x15"  # Ctrl-U
REVERSE_SEARCH = b"\x12"  # Ctrl-R
QUOTED_INSERT = b"\x16"  # Ctrl-V: the next key goes into the line as it is
PROMPT = "vornix> "
BANNER = "vornix version " + sys.argv[3]
# Deep enough to overflow the parser's stack; the blank keeps it from being
# read as an option anywhere.
OVERFLOWING = " " + "-" * 12000 + "x"
WIDE_TAIL = "\0"  # the second column of a character two columns wide


class SessionError(Exception):
    pass


STARTED = []  # every terminal of the session, in order


class Terminal:
    """vornix running on the slave side of a pseudo-terminal."""

    def __init__(self, vornix, *options, state, env=None, locale_name="C",
                 columns=80, columns_variable="80"):
        """state: the directory that stands for the user's home and state
        directory; env: variables to add or, when None, to remove."""
        self.master, slave = os.openpty()
        fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
        self.encoding = "utf-8" if locale_name.endswith("UTF-8") else "latin-1"
        self.locale_name = locale_name
        full_env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"),
                    "HOME": state, "XDG_STATE_HOME": state,
                    "TERM": "dumb", "INPUTRC": "/dev/null",
                    "LC_ALL": locale_name, "COLUMNS": columns_variable, "LINES": "24"}
        for name, value in os.environ.items():
            if name.startswith(("ASAN_", "UBSAN_", "LSAN_")):
                full_env[name] = value
        for name, value in (env or {}).items():
            if value is None:
                full_env.pop(name, None)
            else:
                full_env[name] = value

        def take_terminal():
            os.setsid()
            fcntl.ioctl(0, termios.TIOCSCTTY, 0)

        self.vornix = vornix
        self.state = state
        STARTED.append(self)
        self.process = subprocess.Popen([vornix, *options], stdin=slave,
                                        stdout=slave, stderr=slave,
                                        env=full_env, preexec_fn=take_terminal)
        os.close(slave)
        self.raw = b""
        self.seen = 0  # transcript position up to which expect has matched
        self.status = None

    def transcript(self):
        text = re.sub(rb"\x1b(\[[0-?]*[ -/]*[@-~]|[@-Z\\-_])", b"", self.raw)
        return text.replace(b"\r", b"").replace(b"\x07", b"").decode(self.encoding)

    def screen(self, columns=80):
        """The rows of the screen, top to bottom, without scrolling: each
        character stands in the column where the terminal's cursor was, and
        a character two columns wide is followed by WIDE_TAIL."""
        locale.setlocale(locale.LC_CTYPE, self.locale_name)
        libc = ctypes.CDLL(None)
        libc.wcwidth.argtypes = [ctypes.c_wchar]
        text = re.sub(rb"\x1b(\[[0-?]*[ -/]*[@-~]|[@-Z\\-_])", b"", self.raw)
        rows, row, col = [[]], 0, 0
        for c in text.decode(self.encoding):
            if c == "\r":
                col = 0
            elif c == "\n":
                row += 1
                rows += [[] for _ in range(row + 1 - len(rows))]
            elif c == "\b":
                col = max(col - 1, 0)
            elif c >= " ":
                width = max(libc.wcwidth(c), 0)
                if col + width > columns:
                    row, col = row + 1, 0
                    rows += [[] for _ in range(row + 1 - len(rows))]
                cells = rows[row]
                cells += [" "] * (col + width - len(cells))
                cells[col:col + width] = [c] + [WIDE_TAIL] * (width - 1)
                col += width
        return ["".join(cells).rstrip() for cells in rows]

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

    def resize(self, columns):
        """Gives the window another width, as a user dragging it does."""
        fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))

    def line(self, text):
        self.send(text.encode(self.encoding) + b"\r")

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

    def another(self, *options, env=None):
        """vornix started again at a new terminal, with the same home."""
        return Terminal(self.vornix, *options, state=self.state, env=env)

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
    t.expect("syntax error\n" + caret(3) + PROMPT)
    t.line("y|")
    t.expect("bad character '|'\nsyntax error\n" + caret(1) + PROMPT)
    t.line("y")
    t.expect(drawn("y") + PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


def caret(column, indent=len(PROMPT)):
    return " " * (indent + column) + "^\n"


# The caret stands under the token where the line failed, on standard
# error, after the messages: just after the end of a line that ends early.
def caret_under_the_fault(t):
    t.expect(PROMPT)
    for line, messages, column in [
            ("2x", "syntax error", 1),
            ("1 + * 2", "syntax error", 4),
            ("x +  ", "syntax error", 5),
            ("sqrt(1/2", "syntax error", 8),
            ("2 $ 3", "bad character '$'\nsyntax error", 2),
            ("1 + * $", "syntax error\nbad character '$'", None)]:
        t.line(line)
        under = caret(column) if column is not None else " " * 12 + "^ ^\n"
        t.expect(f"{line}\n{messages}\n{under}{PROMPT}")
    # A tab before the fault is copied, so that the caret reaches the same
    # column as the text above it.
    t.send(QUOTED_INSERT + TAB + b"x $\r")
    t.expect("bad character '$'\nsyntax error\n" + " " * len(PROMPT) + "\t  ^\n" + PROMPT)
    t.line("x")
    t.expect(drawn("x") + PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")
    check(t.transcript().count("^") == 8, "a caret too many")


def caret_under_an_empty_prompt(t):
    t.line("x +")
    t.expect("syntax error\n" + caret(3, indent=0))
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


# Ctrl-C drops the line being typed, whatever the editor is doing, and the
# prompt goes on; the dropped text enters no history.
def interrupt_drops_the_line(t):
    t.expect(PROMPT)
    # The terminal drops what is typed before Ctrl-C and not yet read.
    t.send(b"1 + 2")
    t.expect("1 + 2")
    t.send(INTERRUPT)
    t.expect("^C\n" + PROMPT)
    t.send(INTERRUPT)
    t.expect("^C\n" + PROMPT)
    t.line("y")
    t.expect(drawn("y") + PROMPT)
    for keys in [REVERSE_SEARCH + b"y", b"z" + TAB + TAB, b"\x1b"]:
        t.send(keys)
        time.sleep(0.2)
        t.send(INTERRUPT)
        t.expect("^C\n" + PROMPT)
    t.send(UP + UP + b"\r")
    t.expect(drawn("y") + PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")
    drawings = re.findall(r"\n\n(\w)\n", t.transcript())
    check(drawings == ["y", "y"], f"drawings {drawings}")


# Without the prompt, Ctrl-C ends vornix as the signal's default does.
def interrupt_ends_a_pipe(vornix):
    process = subprocess.Popen(
        [vornix], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
        preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
    process.stdin.write(b"x\n")
    process.stdin.flush()
    check(process.stdout.read(3) == b"\nx\n", "no drawing")
    process.send_signal(signal.SIGINT)
    try:
        process.wait(TIMEOUT)
    except subprocess.TimeoutExpired:
        process.kill()
        raise SessionError("vornix went on after Ctrl-C")
    check(process.returncode == -signal.SIGINT, f"status {process.returncode}")


# A signal that ends vornix gives the terminal back in its own mode first,
# and the history is kept.
def terminal_restored_on_termination(t):
    t.expect(PROMPT)
    t.line("x")
    t.expect(drawn("x") + PROMPT)
    t.send(b"y")
    t.process.send_signal(signal.SIGTERM)
    check(t.finish() == -signal.SIGTERM, f"status {t.status}")
    modes = termios.tcgetattr(t.master)[3]
    check(modes & termios.ICANON and modes & termios.ECHO, "terminal left raw")
    check(read_history(t) == ["x"], f"history {read_history(t)}")


def history_path(t):
    return os.path.join(t.state, "vornix", "history")


def read_history(t, path=None):
    with open(path or history_path(t)) as f:
        return f.read().splitlines()


# The history lasts from one run to the next: lines with errors and
# commands are kept; empty lines and a line like the one before are not.
def history_across_runs(t):
    for text in ["a", ":narrow on", "2x", "b", "b", ""]:
        t.expect(PROMPT)
        t.line(text)
    t.expect(PROMPT)
    t.line("quit")
    check(t.finish() == 0, f"status {t.status}")
    check(read_history(t) == ["a", ":narrow on", "2x", "b"],
          f"history {read_history(t)}")
    mode = os.stat(os.path.dirname(history_path(t))).st_mode & 0o777
    check(mode == 0o700, f"directory mode {mode:o}")

    second = t.another()
    second.expect(PROMPT)
    second.send(UP + b"\r")  # b again: not kept twice
    second.expect(drawn("b") + PROMPT)
    second.send(UP + UP + b"\r")
    second.expect("syntax error\n")
    second.expect(PROMPT)
    second.send(END_OF_INPUT)
    check(second.finish() == 0, f"status {second.status}")
    check(read_history(t) == ["a", ":narrow on", "2x", "b", "2x"],
          f"history {read_history(t)}")


# The file keeps the last 1000 lines.
def history_keeps_the_last_lines(t):
    t.send(END_OF_INPUT)
    t.finish()
    old = [f"x{k}" for k in range(1, 1001)]
    os.makedirs(os.path.dirname(history_path(t)))
    with open(history_path(t), "w") as f:
        f.write("".join(line + "\n" for line in old))
    second = t.another()
    second.expect(PROMPT)
    second.send(UP + b"\r")
    second.expect(drawn("x1000") + PROMPT)
    second.line("y")
    second.expect(drawn("y") + PROMPT)
    second.send(END_OF_INPUT)
    check(second.finish() == 0, f"status {second.status}")
    check(read_history(t) == old[1:] + ["y"], "not the last 1000 lines")


# VORNIX_HISTORY chooses the file; empty, it keeps none. Without
# XDG_STATE_HOME the file is under the home directory.
def history_file_chosen(t):
    chosen = os.path.join(t.state, "chosen")
    t.line("a")
    t.expect(drawn("a"))
    t.send(END_OF_INPUT)
    t.finish()
    check(read_history(t, chosen) == ["a"], "not in the chosen file")
    check(not os.path.exists(os.path.join(t.state, "vornix")), "state directory made")

    second = t.another("-q", env={"VORNIX_HISTORY": ""})
    second.line("b")
    second.expect(drawn("b"))
    second.send(END_OF_INPUT)
    second.finish()
    check(os.listdir(t.state) == ["chosen"], f"files {os.listdir(t.state)}")

    third = t.another("-q", env={"VORNIX_HISTORY": None, "XDG_STATE_HOME": None})
    third.line("c")
    third.expect(drawn("c"))
    third.send(END_OF_INPUT)
    third.finish()
    home_file = os.path.join(t.state, ".local", "state", "vornix", "history")
    check(read_history(t, home_file) == ["c"], "not under the home directory")


# A file that can be neither read nor written gives one warning; the
# prompt goes on.
def history_file_unusable(t):
    t.expect(PROMPT)
    t.line("x")
    t.expect(drawn("x") + PROMPT)
    t.line("quit")
    check(t.finish() == 0, f"status {t.status}")
    warnings = re.findall(r"vornix: .*", t.transcript())
    check(warnings == ["vornix: cannot read the history file "
                       f"{t.state}/file/history: Not a directory"],
          f"warnings {warnings}")

    # A file that does not exist yet is no fault until it cannot be made.
    missing = os.path.join(t.state, "missing", "history")
    second = t.another(env={"VORNIX_HISTORY": missing})
    second.expect(PROMPT)
    second.line("x")
    second.expect(drawn("x") + PROMPT)
    second.send(END_OF_INPUT)
    check(second.finish() == 0, f"status {second.status}")
    warnings = re.findall(r"vornix: .*", second.transcript())
    check(warnings == [f"vornix: cannot write the history file {missing}: "
                       "No such file or directory"], f"warnings {warnings}")


# Tab completes the language's words; a second Tab lists the candidates.
def completion(t):
    t.expect(PROMPT)
    t.send(b"sq" + TAB + b"1/2)\r")
    t.expect(drawn("    _", "   /1", "  / -", "\\/  2") + PROMPT)
    t.send(b"1 + s" + TAB + TAB)
    t.expect("sec(   sech(  sin(   sinh(  sqrt(  sum(")
    t.send(KILL_LINE + b"arctanh(x) + ab" + TAB + b"y)\r")
    t.expect(drawn("arctanh x + |y|") + PROMPT)
    # No blank after a word: "quit " would be a statement.
    t.send(b"qu" + TAB + b"\r")
    check(t.finish() == 0, f"status {t.status}")


# Each command of the prompt switches a mode in place or shows it; a bad
# one says what is accepted. The Greek letter names and the LaTeX commands
# complete in their modes.
def commands(t):
    t.expect(PROMPT)
    t.line(":help")
    t.expect(":narrow on|off")
    t.expect("quit or Ctrl-D")
    steps = [
        (":narrow", "narrow off"),
        (":narrow on", None),
        ("sqrt(1/2)", drawn("  _", " |1", " |-", "\\|2")),
        (":narrow off", None),
        ("sqrt(1/2)", drawn("    _", "   /1", "  / -", "\\/  2")),
        (":narrow maybe", ":narrow takes on or off"),
        (":unicode", "unicode off"),
        (":unicode on", None),
        (":unicode", "unicode on"),
        (":unicode off", None),
        (":latex", "latex off"),
        (":latex on", None),
        (":latex", "latex on"),
        (":latex off", None),
        (":latex yes", ":latex takes on or off"),
        (":markdown", "markdown off"),
        (":markdown on", None),
        ("a $x^2$ and $$\\frac{1}{2}$$ b", rows("a x^2 and ", "", "1", "-", "2", "", " b")),
        (":markdown", "markdown on"),
        (":markdown off", None),
        # At a terminal, drawings fit its width until told otherwise.
        (":width", "width auto (80)"),
        (":width 40", None),
        (":width", "width 40"),
        (":width auto", None),
        (":width", "width auto (80)"),
        (":width off", None),
        (":width", "width off"),
        (":width 0", ":width takes a number of columns, auto or off"),
        (":width 12x", ":width takes a number of columns, auto or off"),
        (":width", "width off"),
        (":frob", "the commands are :help, :narrow, :unicode, :latex, :markdown and :width"),
        (":", "the commands are :help, :narrow, :unicode, :latex, :markdown and :width"),
    ]
    t.expect(PROMPT)
    for line, output in steps:
        t.line(line)
        if output and not output.endswith("\n"):
            output += "\n"
        t.expect(f"{line}\n{output or ''}{PROMPT}")
    # Commands and their values complete too.
    t.send(b":wi" + TAB + b"au" + TAB + b"\r")
    t.expect(PROMPT)
    t.line(":width")
    t.expect("width auto (80)\n" + PROMPT)
    # The automatic width follows the terminal's.
    fcntl.ioctl(t.master, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 100, 0, 0))
    t.line(":width")
    t.expect("width auto (100)\n" + PROMPT)
    # Greek names in the Unicode mode only, LaTeX commands in the LaTeX
    # mode; the history shows what each line became.
    t.send(b"alp" + TAB + b"\r")
    t.expect(PROMPT)
    t.line(":unicode on")
    t.expect(PROMPT)
    t.send(b"alp" + TAB + b"\r")
    t.expect(PROMPT)
    t.line(":latex on")
    t.expect(PROMPT)
    t.send(b"\\fr" + TAB + b"\r")
    t.expect(PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")
    last = read_history(t)[-7:]
    check(last == [":width auto", ":width", "alp", ":unicode on", "alpha",
                   ":latex on", "\\frac"], f"history {last}")


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


# In a UTF-8 locale, with -u: the drawings stand on the screen one column a
# character, so that the pieces of the sum sign and the matrix's brackets and
# cells line up.
UNICODE_SUM = ["  n",
               "_____",
               "╲",
               " ╲     2",
               " ╱    k",
               "╱",
               "‾‾‾‾‾",
               "k = 1"]
UNICODE_MATRIX = ["⎛    1 ⎞",
                  "⎜  α ─ ⎟",
                  "⎜    2 ⎟",
                  "⎜      ⎟",
                  "⎝ 10 x ⎠"]


def unicode_columns(t):
    for text in ["sum(k^2, k = 1 .. n)", "[alpha, 1/2; 10, x]"]:
        t.expect(PROMPT)
        t.line(text)
    t.expect(PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")
    screen = t.screen()
    for drawing in [UNICODE_SUM, UNICODE_MATRIX]:
        top = next((i for i in range(len(screen)) if screen[i:i + len(drawing)] == drawing),
                   None)
        check(top is not None, "not on the screen cell for cell:\n" + "\n".join(drawing))
    # Spelled out: each column of pieces stands in one screen column.
    top = screen.index(UNICODE_MATRIX[0])
    matrix = screen[top:top + len(UNICODE_MATRIX)]
    check(len({row.index("1") for row in matrix[:1]} | {row.index("─") for row in matrix[1:2]}
              | {row.index("2") for row in matrix[2:3]}) == 1, "the fraction is not in one column")
    check({len(row) for row in matrix} == {8}, "the right bracket is not in one column")
    top = screen.index(UNICODE_SUM[1])
    sign = screen[top:top + 6]
    check([row.find("╲") for row in sign] == [-1, 0, 1, -1, -1, -1]
          and [row.find("╱") for row in sign] == [-1, -1, -1, 1, 0, -1]
          and sign[0] == "_____" and sign[5] == "‾‾‾‾‾", "the sum sign is broken")


# Wider than a narrow terminal once drawn, short enough to type into one.
LONG_SUM = "a+b+c+d+e+f+g"
LONG_SUM_UNBROKEN = drawn("a + b + c + d + e + f + g")
LONG_SUM_IN_20 = drawn("a + b + c + d", "    + e + f + g")


# Each line is drawn for the window's width at the time: a widened window
# takes the whole drawing on one line.
def narrow_terminal(t):
    t.line(LONG_SUM)
    t.expect(LONG_SUM_IN_20)
    t.resize(40)
    t.line(LONG_SUM)
    t.expect(LONG_SUM_UNBROKEN)
    t.resize(20)
    t.line(LONG_SUM)
    t.expect(LONG_SUM_IN_20)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


def columns_variable_without_window_size(t):
    t.line(LONG_SUM)
    t.expect(LONG_SUM_IN_20)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


def width_option_beats_the_terminal(t):
    t.line(LONG_SUM)
    t.expect(LONG_SUM_UNBROKEN)


# LaTeX at the prompt: a drawing, an error, and a warning on the terminal.
def latex(t):
    t.expect(PROMPT)
    t.line("\\frac{1}{2}")
    t.expect(drawn("1", "-", "2") + PROMPT)
    t.line("\\frac{a}")
    # The caret points at the command, as for the linear language.
    t.expect("syntax error at column 1: \\frac needs 2 arguments\n        ^\n" + PROMPT)
    t.line("\\foo")
    t.expect("vornix: unknown command \\foo\n")
    t.expect(drawn("\\foo") + PROMPT)
    t.send(END_OF_INPUT)
    check(t.finish() == 0, f"status {t.status}")


# With -u the prompt writes an ambiguous character and asks the terminal
# where its cursor went: two columns choose the characters of neutral width.
def answer_cursor_question(t, column):
    deadline = time.monotonic() + TIMEOUT
    while b"\x1b[6n" not in t.raw:
        if time.monotonic() > deadline:
            raise SessionError("no cursor position question")
        t._read(0.1)
    check("\u2500".encode() in t.raw.split(b"\x1b[6n")[0], "no ambiguous character before the question")
    os.write(t.master, f"\x1b[1;{column}R".encode())


def measured(column, fraction_bar, alpha):
    def session(t):
        answer_cursor_question(t, column)
        t.expect(PROMPT)
        t.line("x/2 + alpha")
        t.expect(drawn("x", f"{fraction_bar} + {alpha}", "2"))
        t.send(END_OF_INPUT)
        check(t.finish() == 0, f"status {t.status}")
    return session


ambiguous_narrow = measured(2, "\u2500", "\u03b1")
ambiguous_wide = measured(3, "\u23af", "alpha")


SESSIONS = {
    "banner_and_prompt": ([], banner_and_prompt),
    "quiet": (["-q"], quiet),
    "quiet_long_option": (["--quiet"], quiet),
    "narrow_radicals": (["-qr"], narrow_radicals),
    "narrow_radicals_long_options": (["--quiet", "--narrow-roots"], narrow_radicals),
    "empty_line_and_history": ([], empty_line_and_history),
    "quit_ends_at_once": ([], quit_ends_at_once),
    "quit_with_leading_blank": ([], quit_with_leading_blank),
    "end_of_input_at_once": ([], end_of_input_at_once),
    "syntax_error_then_good_line": ([], syntax_error_then_good_line),
    "caret_under_the_fault": ([], caret_under_the_fault),
    "caret_under_an_empty_prompt": (["-q"], caret_under_an_empty_prompt),
    "interrupt_drops_the_line": ([], interrupt_drops_the_line),
    "interrupt_ends_a_pipe": (None, interrupt_ends_a_pipe),
    "terminal_restored_on_termination": ([], terminal_restored_on_termination),
    "history_across_runs": ([], history_across_runs),
    "history_keeps_the_last_lines": ([], history_keeps_the_last_lines),
    "history_file_chosen": (["-q"], history_file_chosen),
    "history_file_unusable": ([], history_file_unusable),
    "completion": ([], completion),
    "commands": ([], commands),
    "overflow_is_last_line": ([], overflow_is_last_line),
    "good_line_after_overflow": ([], good_line_after_overflow),
    "empty_line_after_overflow": ([], empty_line_after_overflow),
    "unicode_columns": (["-u"], unicode_columns, "C.UTF-8"),
    "narrow_terminal": (["-q"], narrow_terminal),
    "columns_variable_without_window_size": (["-q"], columns_variable_without_window_size),
    "width_option_beats_the_terminal": (["-q", "-w", "0"], width_option_beats_the_terminal),
    "latex": (["-l"], latex),
    "ambiguous_narrow": (["-u"], ambiguous_narrow, "C.UTF-8"),
    "ambiguous_wide": (["-u"], ambiguous_wide, "C.UTF-8"),
}

# Window width and COLUMNS of the sessions that do not run in 80 columns.
TERMINALS = {
    "narrow_terminal": (20, "20"),
    "columns_variable_without_window_size": (0, "20"),
    "width_option_beats_the_terminal": (20, "20"),
}


# Sessions that need something of their home before vornix starts.
PREPARE = {
    "ambiguous_narrow": lambda state: {"TERM": "xterm"},
    "ambiguous_wide": lambda state: {"TERM": "xterm"},
    "history_file_chosen": lambda state: {"VORNIX_HISTORY": os.path.join(state, "chosen")},
    "history_file_unusable": lambda state: (
        open(os.path.join(state, "file"), "w").close(),
        {"VORNIX_HISTORY": os.path.join(state, "file", "history")})[1],
}


def main():
    vornix, name = sys.argv[1], sys.argv[2]
    options, session, *locale_name = SESSIONS[name]
    with tempfile.TemporaryDirectory() as state:
        try:
            if options is None:
                session(vornix)
            else:
                env = PREPARE[name](state) if name in PREPARE else None
                columns, columns_variable = TERMINALS.get(name, (80, "80"))
                session(Terminal(vornix, *options, state=state, env=env,
                                 locale_name=locale_name[0] if locale_name else "C",
                                 columns=columns, columns_variable=columns_variable))
        except SessionError as error:
            print(f"FAIL {name}: {error}")
            for k, t in enumerate(STARTED):
                print(f"transcript of run {k + 1}:")
                for line in t.transcript()[-2000:].split("\n"):
                    print("    " + repr(line))
            return 1
        finally:
            for t in STARTED:
                t.close()
    print(f"{name} passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
