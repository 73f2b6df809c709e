#!/usr/bin/env python3
"""Runs vornix on a table of command lines and compares, for each one,
standard output, standard error and the exit status with the expected ones.

    run_cases.py VORNIX GROUP VERSION

VERSION is the one the build gives the program. Only the rows of GROUP are
run; every failing row is reported with the first
line where the output differs.
"""
import os
import subprocess
import sys
from typing import NamedTuple, Optional, Union

VERSION = sys.argv[3].encode()
USAGE = (b"vornix version " + VERSION + b" - ASCII art mathematics\n"
         b"\n"
         b"Usage: vornix [options]\n"
         b"\n"
         b"Options are:\n"
         b"\n"
         b"  -l, --latex          LaTeX input\n"
         b"  -m, --markdown       Markdown documents: draw the math in them\n"
         b"  -r, --narrow-roots   narrower radicals\n"
         b"  -q, --quiet          quiet mode\n"
         b"  -u, --unicode        Unicode drawings (UTF-8)\n"
         b"      --ambiguous-wide Unicode drawings for terminals that show East Asian\n"
         b"                       ambiguous characters two columns wide\n"
         b"  -w, --width=N        fit drawings into N columns (0: never break)\n"
         b"      --macros=FILE    LaTeX macros (\\newcommand, \\def, ...) for every input\n"
         b"      --help           print this text\n"
         b"      --version        print the version\n")
HERE = os.path.dirname(os.path.abspath(__file__))
MACROS = os.path.join(HERE, "macros.tex")
BAD_MACROS = os.path.join(HERE, "bad_macros.tex")
MISSING_MACROS = os.path.join(HERE, "no such macros.tex")
WRITE_ERROR = b"vornix: write error: No space left on device\n"


class AfterOneLine(NamedTuple):
    """Expected text preceded by exactly one non-empty line of any content
    (the platform's own getopt diagnostic)."""
    tail: bytes


class Case(NamedTuple):
    group: str
    name: str
    args: list
    stdout: bytes = b""
    stderr: Union[bytes, AfterOneLine] = b""
    status: int = 0
    stdin: bytes = b""
    # Standard output goes to this file instead of a pipe; stdout is then
    # not compared.
    stdout_path: Optional[str] = None
    # Variables added to the environment.
    env: Optional[dict] = None


def drawing(*rows):
    """The empty line and the rows that vornix prints for one statement."""
    return b"\n" + b"".join(row.encode() + b"\n" for row in rows)


def bad(shown):
    return b"bad character '" + shown.encode() + b"'\n"


SYNTAX_ERROR = b"syntax error\n"
OVERFLOW = b"yacc stack overflow\n"
TOO_LARGE = b"drawing too large\n"

WIDE_ROOT = drawing("    _", "   /1", "  / -", "\\/  2")
NARROW_ROOT = drawing("  _", " |1", " |-", "\\|2")
UNICODE_ROOT = drawing("    _", "   ╱1", "  ╱ ─", "╲╱  2")
UNICODE_NARROW_ROOT = drawing("  _", " │1", " │─", "╲│2")

LONG_SUM = "a + b + c + d + e + f"
LONG_SUM_14 = drawing("a + b + c + d", "    + e + f")

# Nesting measured in parser stack entries: 9996 brackets around x fill the
# stack exactly (10000 entries with the closing bracket), one more
# overflows. The lines start with a blank so that they are not options.
NESTED_FULL = " " + "(" * 9996 + "x" + ")" * 9996
NESTED_OVER = " " + "(" * 9997 + "x" + ")" * 9997
MINUSES = " " + "-" * 12000 + "x"
# Each radical is as wide as the height of its radicand, so this drawing
# would need far more than the drawing limit allows.
DEEP_ROOTS = "sqrt(" * 3000 + "x" + ")" * 3000

CASES = [
    Case("options", "help", ["-h"], stderr=USAGE, status=1),
    Case("options", "help before a text is not parsed", ["-h", "x"],
         stderr=USAGE, status=1),
    Case("options", "unknown option", ["-x"],
         stderr=AfterOneLine(USAGE), status=1),
    Case("options", "unknown option in a group", ["-rx", "y"],
         stderr=AfterOneLine(USAGE), status=1),
    Case("options", "unknown option with standard input", ["-z"],
         stdin=b"y\n", stderr=AfterOneLine(USAGE), status=1),
    Case("options", "unknown long option", ["--bogus", "x"],
         stderr=AfterOneLine(USAGE), status=1),
    Case("options", "long option given an argument", ["--quiet=yes", "x"],
         stderr=AfterOneLine(USAGE), status=1),
    # Asked for, the usage text is the output, not an error.
    Case("options", "--help", ["--help"], stdout=USAGE),
    Case("options", "--help before a text is not parsed", ["--help", "x"],
         stdout=USAGE),
    Case("options", "--help after other options", ["-r", "--quiet", "--help"],
         stdout=USAGE),
    Case("options", "--version", ["--version"],
         stdout=b"vornix " + VERSION + b"\n"),
    Case("options", "--version before a text is not parsed",
         ["--version", "x"], stdout=b"vornix " + VERSION + b"\n"),
    Case("options", "wide radicals by default", ["sqrt(1/2)"],
         stdout=WIDE_ROOT),
    Case("options", "narrow radicals", ["-r", "sqrt(1/2)"],
         stdout=NARROW_ROOT),
    Case("options", "grouped options", ["-qr", "sqrt(1/2)"],
         stdout=NARROW_ROOT),
    Case("options", "grouped the other way", ["-rq", "sqrt(1/2)"],
         stdout=NARROW_ROOT),
    Case("options", "narrow radicals, long option",
         ["--narrow-roots", "sqrt(1/2)"], stdout=NARROW_ROOT),
    Case("options", "long options mixed with short ones",
         ["--quiet", "-r", "sqrt(1/2)"], stdout=NARROW_ROOT),
    Case("options", "narrow radicals from standard input", ["-r"],
         stdin=b"sqrt(1/2)\n", stdout=NARROW_ROOT),
    Case("options", "unicode drawings", ["-u", "sqrt(1/2)"],
         stdout=UNICODE_ROOT),
    Case("options", "unicode with narrow radicals", ["-ur", "sqrt(1/2)"],
         stdout=UNICODE_NARROW_ROOT),
    Case("options", "unicode drawings from standard input", ["-u"],
         stdin=b"sqrt(1/2)\n", stdout=UNICODE_ROOT),
    Case("options", "quiet has no effect on arguments", ["-q", "x"],
         stdout=drawing("x")),
    Case("options", "quiet prints no banner on standard input", ["-q"],
         stdin=b"x\n", stdout=drawing("x")),
    Case("options", "quiet, long option", ["--quiet"], stdin=b"x\n",
         stdout=drawing("x")),
    Case("options", "a text after -- may start with a minus", ["--", "-x"],
         stdout=drawing("-x")),
    Case("options", "a text after -- may look like a long option",
         ["--", "--help"], stdout=drawing("- (-help)")),
    # Options stand before the first statement: later words are statements.
    Case("options", "an option after a statement is a statement",
         ["sqrt(x)", "-r"], stdout=drawing("  _", "\\/x") + drawing("-r")),
    Case("options", "an unknown option after a statement is a statement",
         ["x", "-y"], stdout=drawing("x") + drawing("-y")),
    Case("options", "a long option after a statement is a statement",
         ["x", "--version"], stdout=drawing("x") + drawing("- (-version)")),

    Case("options", "width", ["-w", "14", LONG_SUM], stdout=LONG_SUM_14),
    Case("options", "width in the long form", ["--width=14", LONG_SUM],
         stdout=LONG_SUM_14),
    Case("options", "width as the next word", ["--width", "14", LONG_SUM],
         stdout=LONG_SUM_14),
    Case("options", "width grouped with other options", ["-qw14", LONG_SUM],
         stdout=LONG_SUM_14),
    Case("options", "width on standard input", ["-w", "14"],
         stdin=LONG_SUM.encode() + b"\n", stdout=LONG_SUM_14),
    Case("options", "width 0 never breaks", ["-w", "0", LONG_SUM],
         stdout=drawing(LONG_SUM)),
    Case("options", "widths below 10 are 10", ["-w", "3", LONG_SUM],
         stdout=drawing("a + b + c", "    + d", "    + e", "    + f")),
    Case("options", "a drawing that fits is unchanged", ["-w", "10", "a + b"],
         stdout=drawing("a + b")),
    # A pipe is not a terminal: its output stays as wide as it is.
    Case("options", "no width in a pipe", [LONG_SUM], env={"COLUMNS": "14"},
         stdout=drawing(LONG_SUM)),
    Case("options", "bad width", ["-w", "x1", "y"],
         stderr=b"vornix: bad width 'x1'\n" + USAGE, status=1),
    Case("options", "negative width", ["-w", "-1", "y"],
         stderr=b"vornix: bad width '-1'\n" + USAGE, status=1),
    Case("options", "width past the largest int", ["-w", "99999999999", "y"],
         stderr=b"vornix: bad width '99999999999'\n" + USAGE, status=1),
    Case("options", "width without its number", ["-w"],
         stderr=AfterOneLine(USAGE), status=1),

    Case("arguments", "two texts", ["x+1", "y"],
         stdout=drawing("x + 1") + drawing("y")),
    Case("arguments", "standard input is not read", ["x"], stdin=b"y\n",
         stdout=drawing("x")),
    Case("arguments", "a text of several lines", ["a\nb"],
         stdout=drawing("a") + drawing("b")),
    Case("arguments", "empty text is an empty statement", [""],
         stdout=b"\n"),
    Case("arguments", "quit ends only its own text", ["quit", "y"],
         stdout=drawing("y")),
    # The rest of an argument after quit is dropped, not joined to the next.
    Case("arguments", "text after quit in an argument", ["quit\nx", "y"],
         stdout=drawing("y")),
    Case("arguments", "a number needs a digit before its exponent",
         ["E+5", "e1(x)", "2e5"],
         stdout=drawing("E + 5") + drawing("e1(x)") + drawing("2e5")),
    # Every text ends in a newline, so its syntax error is recovered.
    Case("arguments", "syntax error alone", ["x +"], stdout=SYNTAX_ERROR),
    Case("arguments", "syntax error then a good text", ["x +", "y"],
         stdout=SYNTAX_ERROR + drawing("y")),
    Case("arguments", "bad character", ["x|y"],
         stdout=bad("|") + SYNTAX_ERROR),

    Case("stdin", "one line", [], stdin=b"x\n", stdout=drawing("x")),
    Case("stdin", "no input", [], stdin=b""),
    Case("stdin", "empty line", [], stdin=b"\n", stdout=b"\n"),
    Case("stdin", "quit leaves the rest unread", [], stdin=b"quit\nx\n"),
    Case("stdin", "quit after a statement", [], stdin=b"x\nquit\ny\n",
         stdout=drawing("x")),
    Case("stdin", "quit inside a statement", [], stdin=b"x + quit\ny\n",
         stdout=SYNTAX_ERROR + drawing("y")),
    Case("stdin", "syntax error then a good line", [], stdin=b"x +\ny\n",
         stdout=SYNTAX_ERROR + drawing("y")),
    Case("stdin", "carriage return before the newline", [],
         stdin=b"a\r\nb\r\n", stdout=drawing("a") + drawing("b")),
    # A last line without its newline counts as if it had one.
    Case("stdin", "last line without newline", [], stdin=b"x",
         stdout=drawing("x")),
    Case("stdin", "quit without newline", [], stdin=b"quit"),
    Case("stdin", "bad last line without newline", [], stdin=b"x +",
         stdout=SYNTAX_ERROR),
    Case("stdin", "open bracket without newline", [], stdin=b"y\n(x",
         stdout=drawing("y") + SYNTAX_ERROR),
    Case("stdin", "comment alone without newline", [], stdin=b"x\n  # c",
         stdout=drawing("x")),
    Case("stdin", "blanks alone without newline", [], stdin=b"x\n \t ",
         stdout=drawing("x")),
    Case("stdin", "statement and comment without newline", [],
         stdin=b"x # c", stdout=drawing("x")),
    Case("stdin", "a long stream", [], stdin=b"x+1\n" * 5000,
         stdout=drawing("x + 1") * 5000),

    Case("errors", "bad characters around a name", ["|x|"],
         stdout=bad("|") + SYNTAX_ERROR + bad("|")),
    Case("errors", "printable bad characters", ['"', "$", "%", "&", ":",
                                                "?", "{", "}", "@", "`"],
         stdout=b"".join(bad(c) + SYNTAX_ERROR
                         for c in '"$%&:?{}@`')),
    Case("errors", "zero byte does not end the input", [],
         stdin=b"x\x00y\nz\n",
         stdout=bad("\\x00") + SYNTAX_ERROR + drawing("z")),
    Case("errors", "zero byte at the start of a line", [],
         stdin=b"\x00\nz\n",
         stdout=bad("\\x00") + SYNTAX_ERROR + drawing("z")),
    Case("errors", "control bytes in hex", [],
         stdin=b"\x01\n\x0b\n\x0c\n\x1f\n\x7f\nz\n",
         stdout=b"".join(bad(s) + SYNTAX_ERROR for s in
                         ["\\x01", "\\x0b", "\\x0c", "\\x1f", "\\x7f"])
         + drawing("z")),
    # One syntax error per line, but every bad byte is reported.
    Case("errors", "high bytes do not end the input", [],
         stdin="é\nz\n".encode(),
         stdout=bad("\\xc3") + SYNTAX_ERROR + bad("\\xa9") + drawing("z")),
    Case("errors", "highest bytes in hex", [], stdin=b"\x80\n\xff",
         stdout=bad("\\x80") + SYNTAX_ERROR + bad("\\xff") + SYNTAX_ERROR),
    Case("errors", "bad character in an argument", [b"\x9f"],
         stdout=bad("\\x9f") + SYNTAX_ERROR),
    Case("errors", "a comment takes bad characters", [b"x # | \x80"],
         stdout=drawing("x")),
    Case("errors", "subscript chains that cannot be attached",
         ["x_1_2", "x_pi_2", "x_(a+b)_2", "x_(y_1)_2", "x_1"],
         stdout=SYNTAX_ERROR * 4 + drawing("x", " 1")),
    Case("errors", "bad character before a subscript chain error",
         ["x_1_2|"], stdout=bad("|") + SYNTAX_ERROR),
    # Messages are the same in Unicode drawings, bytes shown in hex too.
    Case("errors", "messages with -u", ["-u", "|x|", "2x", "x"],
         stdout=bad("|") + SYNTAX_ERROR + bad("|") + SYNTAX_ERROR + drawing("x")),
    Case("errors", "high bytes with -u", ["-u"], stdin="π\nz\n".encode(),
         stdout=bad("\\xcf") + SYNTAX_ERROR + bad("\\x80") + drawing("z")),

    Case("limits", "deepest nesting the parser takes", [NESTED_FULL],
         stdout=drawing("x")),
    Case("limits", "one level deeper overflows", [NESTED_OVER, "y"],
         stdout=OVERFLOW + drawing("y"), status=1),
    # Argument results are ORed: a later good text does not clear the 1.
    Case("limits", "overflow in the first argument", [MINUSES, "y"],
         stdout=OVERFLOW + drawing("y"), status=1),
    Case("limits", "overflow in the last argument", ["y", MINUSES],
         stdout=drawing("y") + OVERFLOW, status=1),
    Case("limits", "lines after an overflow in one argument",
         [MINUSES + "\nz", "w"],
         stdout=OVERFLOW + drawing("z") + drawing("w"), status=1),
    Case("limits", "lines after an overflow on standard input", [],
         stdin=(MINUSES + "\ny\n" + NESTED_OVER + "\nz\n").encode(),
         stdout=OVERFLOW + drawing("y") + OVERFLOW + drawing("z"),
         status=1),
    Case("limits", "overflow on a last line without newline", [],
         stdin=("y\n" + MINUSES).encode(),
         stdout=drawing("y") + OVERFLOW, status=1),
    Case("limits", "quit after an overflow", [],
         stdin=(MINUSES + "\nquit\nz\n").encode(),
         stdout=OVERFLOW, status=1),
    Case("limits", "drawing too large", [DEEP_ROOTS, "y"],
         stdout=TOO_LARGE + drawing("y")),
    Case("limits", "drawing too large with -u", ["-u", DEEP_ROOTS, "y"],
         stdout=TOO_LARGE + drawing("y")),
    Case("limits", "overflow with -u", ["-u", MINUSES, "y"],
         stdout=OVERFLOW + drawing("y"), status=1),
    Case("limits", "drawing too large on standard input", [],
         stdin=(DEEP_ROOTS + "\nz\n").encode(),
         stdout=TOO_LARGE + drawing("z")),

    Case("latex", "a formula in an argument", ["-l", "\\frac{1}{2}"],
         stdout=drawing("1", "-", "2")),
    Case("latex", "formulas on standard input", ["-l"],
         stdin=b"$x_1$\n\n\\sqrt{\\frac12}\n",
         stdout=drawing("x", " 1") + b"\n" + WIDE_ROOT),
    Case("latex", "grouped with narrow radicals", ["-lr", "\\sqrt{\\frac12}"],
         stdout=NARROW_ROOT),
    Case("latex", "the linear language stays the default", ["{x}"],
         stdout=bad("{") + SYNTAX_ERROR + bad("}")),
    # A bad formula is a syntax error: a message in place of its drawing,
    # status 0, and the next line drawn.
    Case("latex", "syntax error", ["-l"], stdin=b"\\frac{a}\ny\n",
         stdout=b"syntax error at column 1: \\frac needs 2 arguments\n"
         + drawing("y")),
    Case("latex", "unknown command drawn with a warning", ["-l", "\\foo + 1"],
         stdout=drawing("\\foo + 1"),
         stderr=b"vornix: unknown command \\foo\n"),
    Case("latex", "quit on a line of its own", ["-l"], stdin=b"x\nquit\ny\n",
         stdout=drawing("x")),
    Case("latex", "nesting too deep to draw", ["-l"],
         stdin=b"{" * 100000 + b"x" + b"}" * 100000 + b"\ny\n",
         stdout=TOO_LARGE + drawing("y")),

    # Macros of a file hold for every input; an input's own hold for the
    # rest of it.
    Case("latex", "macros of a file", ["--macros", MACROS, "-l"],
         stdin=b"\\norm{x} + \\tr A\n\\def\\tr{T}\\tr\n\\tr\n",
         stdout=drawing("||x|| + tr(A)") + drawing("T") + drawing("T")),
    Case("latex", "macros of a file for each argument",
         ["--macros=" + MACROS, "-l", "\\def\\tr{T}\\tr", "\\tr B"],
         stdout=drawing("T") + drawing("tr(B)")),
    Case("markdown", "macros of a file", ["--macros", MACROS, "-m"],
         stdin=b"Let $\\tr A = \\norm{v}$.\n",
         stdout=b"Let tr(A) = ||v||.\n"),
    Case("latex", "a macro that calls itself", ["-l"],
         stdin=b"\\def\\a{x\\a} y + \\a\nz\n",
         stdout=b"syntax error at column 17: macro expansion too deep\n" + drawing("z")),
    # A macro file that cannot be read or holds a fault ends the program
    # before any input is read.
    Case("latex", "macro file missing", ["--macros", MISSING_MACROS, "-l", "x"],
         stderr=b"vornix: " + MISSING_MACROS.encode() + b": No such file or directory\n",
         status=1),
    Case("latex", "macro file with a fault", ["-l", "--macros", BAD_MACROS],
         stdin=b"x\n",
         stderr=b"vornix: " + BAD_MACROS.encode() + b": line 2, column 1: "
         b"illegal parameter number in the definition of \\half\n",
         status=1),

    Case("markdown", "standard input", ["-m"], stdin=b"a $x^2$ b\n$5 and $6\n",
         stdout=b"a x^2 b\n$5 and $6\n"),
    Case("markdown", "an argument is a document", ["--markdown", "-u", "$\\frac{1}{2}$"],
         stdout=b"1/2"),
    Case("markdown", "VORNIX_MARKDOWN", [], stdin=b"$x_1$\n", env={"VORNIX_MARKDOWN": "1"},
         stdout=b"x_1\n"),
    Case("markdown", "VORNIX_MARKDOWN=0", [], stdin=b"x_1\n", env={"VORNIX_MARKDOWN": "0"},
         stdout=drawing("x", " 1")),
    # The place is the opening delimiter's; the reader's own column follows.
    Case("markdown", "a formula that does not draw", ["-m"],
         stdin=b"one\ntwo $\\frac{1}$\n", stdout=b"one\ntwo $\\frac{1}$\n",
         stderr=b"vornix: line 2, column 5: formula left as written: "
                b"syntax error at column 1: \\frac needs 2 arguments\n"),
    Case("markdown", "an unknown command still draws", ["-m"], stdin=b"$\\foo x$\n",
         stdout=b"\\foo x\n",
         stderr=b"vornix: line 1, column 1: unknown command \\foo\n"),
    # Longer than any span or line is held: it goes out as it came.
    Case("markdown", "unclosed display math on a long line", ["-m"],
         stdin=b"$$ " + b"x + " * 1000000 + b"\nend $x$\n",
         stdout=b"$$ " + b"x + " * 1000000 + b"\nend x\n"),
    Case("markdown", "write error", ["-m"], stdin=b"$x$ text\n" * 20000,
         stdout_path="/dev/full", stderr=WRITE_ERROR, status=2),

    # The drawings of a stream gather before they go out: in order with
    # messages, past the room they gather in, and one wider than all of it.
    Case("output", "many drawings and messages in order", [],
         stdin=b"x\n2x\n" * 20000, stdout=(drawing("x") + SYNTAX_ERROR) * 20000),
    Case("output", "a drawing wider than the output gathered at once", [],
         stdin=b"x\n[" + b"a," * 33000 + b"a]\n2x\ny\n",
         stdout=drawing("x") + drawing("( " + " ".join(["a"] * 33001) + " )") +
         SYNTAX_ERROR + drawing("y")),
    Case("output", "write error in argument mode", ["x"],
         stdout_path="/dev/full",
         stderr=WRITE_ERROR, status=2),
    Case("output", "write error on standard input", [], stdin=b"x\n",
         stdout_path="/dev/full",
         stderr=WRITE_ERROR, status=2),
    # Enough output to fill the stream's buffer before the end.
    Case("output", "write error in the middle of the output", [],
         stdin=b"x+1\n" * 20000, stdout_path="/dev/full",
         stderr=WRITE_ERROR, status=2),
    Case("output", "write error after an overflow", [MINUSES],
         stdout_path="/dev/full",
         stderr=WRITE_ERROR, status=2),
    Case("output", "write error printing the usage text", ["--help"],
         stdout_path="/dev/full", stderr=WRITE_ERROR, status=2),
    Case("output", "write error printing the version", ["--version"],
         stdout_path="/dev/full", stderr=WRITE_ERROR, status=2),
]


def shorten(text, limit=60):
    text = repr(text)
    return text if len(text) <= limit else text[:limit] + "..."


def first_difference(expected, actual):
    """Describes the first line where two outputs differ."""
    want, got = expected.split(b"\n"), actual.split(b"\n")
    for i, (w, g) in enumerate(zip(want, got)):
        if w != g:
            return f"line {i + 1}: expected {shorten(w)}, got {shorten(g)}"
    if len(want) != len(got):
        extra = got[len(want):] if len(got) > len(want) else want[len(got):]
        side = "got" if len(got) > len(want) else "expected"
        return (f"line {min(len(want), len(got)) + 1}: {side} "
                f"{len(extra)} more line(s), starting {shorten(extra[0])}")
    return "no difference"


def check_stderr(expected, actual):
    if isinstance(expected, AfterOneLine):
        head, tail = actual[:-len(expected.tail)], actual[-len(expected.tail):]
        lines = head.split(b"\n")
        if (tail == expected.tail and len(lines) == 2 and lines[0]
                and lines[1] == b""):
            return None
        return f"expected one diagnostic line then the usage text, got {shorten(actual, 300)}"
    if actual != expected:
        return first_difference(expected, actual)
    return None


def run_case(vornix, case):
    """Returns a list of failure descriptions, empty when the row passes."""
    out = open(case.stdout_path, "wb") if case.stdout_path else subprocess.PIPE
    try:
        env = dict(os.environ, **case.env) if case.env else None
        result = subprocess.run([vornix] + case.args, input=case.stdin,
                                stdout=out, stderr=subprocess.PIPE,
                                timeout=120, env=env)
    except subprocess.TimeoutExpired:
        return ["did not finish within 120 seconds"]
    finally:
        if case.stdout_path:
            out.close()
    failures = []
    if result.returncode != case.status:
        failures.append(f"status {result.returncode}, expected {case.status}")
    if not case.stdout_path and result.stdout != case.stdout:
        failures.append("stdout " + first_difference(case.stdout,
                                                     result.stdout))
    problem = check_stderr(case.stderr, result.stderr)
    if problem:
        failures.append("stderr " + problem)
    return failures


def main():
    vornix, group = sys.argv[1], sys.argv[2]
    cases = [case for case in CASES if case.group == group]
    if not cases:
        print(f"no cases in group {group!r}")
        return 1
    failed = 0
    for case in cases:
        failures = run_case(vornix, case)
        if failures:
            failed += 1
            command = " ".join(["vornix"] + [shorten(a, 40) for a in case.args])
            if case.stdin:
                command += " < " + shorten(case.stdin, 40)
            print(f"FAIL {case.name}: {command}")
            for failure in failures:
                print("    " + failure)
    print(f"{len(cases) - failed} of {len(cases)} cases passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
