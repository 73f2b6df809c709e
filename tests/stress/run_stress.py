#!/usr/bin/env python3
"""Runs vornix on hostile and huge input and checks that it holds: every
line gives its drawing or its message, the lines after it are drawn, and
nothing is written to standard error (where the sanitizers report).

    run_stress.py VORNIX GROUP [CASES_DIR]

GROUP is one of the functions listed in GROUPS; CASES_DIR, the folder of
golden cases, is needed by the groups that replay them. A group that cannot
run here exits with status 77, which ctest counts as skipped.
"""
import itertools
import pathlib
import shutil
import subprocess
import sys

SYNTAX_ERROR = b"syntax error\n"
OVERFLOW = b"yacc stack overflow\n"
TOO_LARGE = b"drawing too large\n"
MESSAGES = (SYNTAX_ERROR, OVERFLOW, TOO_LARGE)
# A line drawn after a hostile one shows that vornix went on with the input.
NEXT = b"y\n"
NEXT_DRAWN = b"\ny\n"
# A statement that no case draws: it separates the outputs of cases run in
# one process.
MARK = b"zzzMARKzzz"
MARK_DRAWN = b"\n" + MARK + b"\n"

# Bytes that cannot begin a token: the scanner reports each one.
BAD_BYTES = (set(range(0, 9)) | {11, 12} | set(range(14, 32))
             | set(b"\"$%&:?{|}@`") | set(range(127, 256)))

failures = []


def fail(case, message):
    failures.append(f"{case}: {message}")


def run(vornix, args=(), stdin=b""):
    return subprocess.run([vornix, *args], input=stdin, capture_output=True,
                          check=False)


def check_run(case, result, stdout=None, status=0):
    """Compares one run with the expected status and, unless stdout is None,
    the expected output; shows where the output first differs."""
    if result.stderr:
        fail(case, "standard error: " + result.stderr[:2000].decode(errors="replace"))
    if result.returncode != status:
        fail(case, f"exit status {result.returncode}, expected {status}")
    if stdout is not None and result.stdout != stdout:
        at = next((i for i, (a, b) in enumerate(zip(result.stdout, stdout)) if a != b),
                  min(len(result.stdout), len(stdout)))
        fail(case, f"output differs at byte {at}: got {result.stdout[at:at + 60]!r}, "
                   f"expected {stdout[at:at + 60]!r}")


def is_drawing(output):
    """An empty line and rows, none of them a message: what one statement
    prints when it is drawn (an empty statement prints the empty line
    alone)."""
    return output.startswith(b"\n") and not any(
        line + b"\n" in MESSAGES for line in output.split(b"\n"))


def bad_character(byte):
    shown = chr(byte) if 32 <= byte < 127 else f"\\x{byte:02x}"
    return f"bad character '{shown}'\n".encode()


def bytes_(vornix, cases_dir):
    """Every byte value, alone on a line and between two names, each line
    followed by a line that must be drawn. The cases run in one input,
    separated by a line no case can make, so that each starts where the
    recovery from the one before has left the parser."""
    cases = [(byte, line) for byte in range(256)
             for line in (bytes([byte]), b"x" + bytes([byte]) + b"y")]
    result = run(vornix, stdin=b"".join(line + b"\n" + NEXT + MARK + b"\n"
                                        for _, line in cases))
    check_run("every byte", result)
    outputs = result.stdout.split(MARK_DRAWN)
    if len(outputs) != len(cases) + 1 or outputs[-1] != b"":
        fail("every byte", f"{len(outputs) - 1} outputs for {len(cases)} lines")
        return
    for (byte, line), output in zip(cases, outputs):
        case = f"byte {byte} in {line!r}"
        if byte in BAD_BYTES:
            expected = bad_character(byte) + SYNTAX_ERROR + NEXT_DRAWN
            if output != expected:
                fail(case, f"got {output[:200]!r}, expected {expected!r}")
            continue
        # Any other byte is a token, a blank or the start of a comment:
        # the line is drawn or is a syntax error.
        head = output[:-len(NEXT_DRAWN)]
        if not output.endswith(NEXT_DRAWN) or not (head == SYNTAX_ERROR or is_drawing(head)):
            fail(case, f"neither a drawing nor a syntax error: {output[:200]!r}")


def long_tokens(vornix, cases_dir):
    """A name or number far longer than the scanner's buffer is one token.
    Scanning it must stay linear in its length: a scanner that moves the
    token's text once per fixed-size read would not end within the test's
    time limit."""
    # A row longer than the drawing limit.
    for token in (b"a" * 100_000_000, b"7" * 100_000_000):
        check_run(f"{len(token)} bytes of {token[:1]!r}",
                  run(vornix, stdin=token + b"\n" + NEXT), TOO_LARGE + NEXT_DRAWN)
    # Within the limit, the token is drawn whole, across many reads.
    for token in (b"b" * 3_000_001, b"1" * 16_385 + b".5e-7..."):
        check_run(f"{len(token)} bytes drawn", run(vornix, stdin=token + b"\n" + NEXT),
                  b"\n" + token + b"\n" + NEXT_DRAWN)


def long_lines(vornix, cases_dir):
    """A statement line of tens of megabytes takes memory bounded by the
    statement's cost limit, not by its length: it prints "drawing too
    large" and the next line is drawn. The tree of a 40 MB chain would take
    over 3 GB; the address space here is capped at 1 GiB (not under
    AddressSanitizer, whose shadow memory needs more)."""
    import resource
    sanitized = b"__asan_init" in subprocess.run(["nm", vornix], capture_output=True).stdout

    def cap():
        if not sanitized:
            resource.setrlimit(resource.RLIMIT_AS, (2**30, 2**30))

    # The last two drew before any limit: a 1 MiB line of single-byte
    # tokens, and the same with a comment of 100 MB after it.
    chain = b"x" + b"+x" * 20_000_000
    drawn = b"f(x" + b",x" * 524_000 + b")"
    drawing = b"\n" + drawn.replace(b",", b", ") + b"\n"
    for case, line, expected in [
            ("a 40 MB chain", chain, TOO_LARGE),
            ("a 40 MB product of names", b"ab" + b"*ab" * 13_000_000, TOO_LARGE),
            ("a 40 MB matrix", b"[" + b"x," * 20_000_000 + b"x]", TOO_LARGE),
            ("a 1 MiB list", drawn, drawing),
            ("a 1 MiB list and a 100 MB comment", drawn + b" #" + b"c" * 100_000_000,
             drawing)]:
        result = subprocess.run([vornix], input=line + b"\n" + NEXT, capture_output=True,
                                preexec_fn=cap, check=False)
        check_run(case, result, expected + NEXT_DRAWN)


# Each kind of node nested as deeply as the parse stack allows, and one
# level more. A level takes one, two or three stack entries (an opening
# bracket, a name and a bracket, an operand, an operator and a bracket), so
# the deepest nesting differs from kind to kind.
NESTINGS = [
    # name, opening, innermost, closing, deepest level that parses
    ("prefix minus", "-", "x", "", 9997),
    ("brackets", "(", "x", ")", 9996),
    ("fractions", "1/(", "x", ")", 3332),
    ("powers", "x^", "x", "", 4998),
    ("bracketed powers", "x^(", "x", ")", 3332),
    ("square roots", "sqrt(", "x", ")", 4998),
    ("roots", "root(", "x", ", 3)", 4997),
    ("absolute values", "abs(", "x", ")", 4998),
    ("sums", "sum(", "k", ", k)", 4997),
    ("sums over intervals", "sum(", "k", ", k = 1 .. n)", 4995),
    ("integrals", "int(", "x", ", x)", 4997),
    ("integrals over intervals", "int(", "x", ", x = 0 .. 1)", 4995),
    ("limits", "lim(", "x", ", x -> 0)", 4996),
    ("function calls", "f(", "x", ")", 4998),
    ("trigonometric functions", "sin(", "x", ")", 4998),
    ("subscripts", "x_(", "x", ")", 3332),
    ("matrices", "[", "x", "]", 9996),
    ("determinants", "det[", "x", "]", 4998),
    ("matrix rows", "[a, ", "x", "]", 3332),
]


def nesting(vornix, cases_dir, options=()):
    """At the deepest nesting the statement is drawn or too large, one level
    deeper the parse stack overflows, and either way the process survives
    and draws the next line; in ASCII, and with -u in the group
    nesting_unicode, each group a test of its own."""
    for name, opening, innermost, closing, deepest in NESTINGS:
        name = " ".join([name, *options])

        def line(depth):
            return (opening * depth + innermost + closing * depth + "\n").encode()
        result = run(vornix, options, stdin=line(deepest) + line(deepest + 1) + NEXT)
        # The overflowing parse ends the input's parse with status 1; the
        # driver resumes after the line.
        check_run(name, result, status=1)
        head = result.stdout[:-len(OVERFLOW + NEXT_DRAWN)]
        if not result.stdout.endswith(OVERFLOW + NEXT_DRAWN) or not (
                head == TOO_LARGE or is_drawing(head)):
            fail(name, f"expected a drawing or {TOO_LARGE!r}, then {OVERFLOW!r} and "
                       f"the next line: {result.stdout[:100]!r}...{result.stdout[-100:]!r}")


def chains(vornix, cases_dir):
    """Operators that chain without growing the parse stack build trees as
    deep as the longest line allows. At the deepest drawable depth the
    drawing recurses through every level and is drawn or too large; one
    level deeper the tree is refused before drawing; in ASCII and with -u."""
    deepest = 16384
    for (name, first, link), options in itertools.product(
            (("sums", "a", "+a"), ("products", "a", "*a"), ("fractions", "a", "/a"),
             ("subscripts", "x", "_x"), ("factorials", "x", "!")), ([], ["-u"])):
        name = " ".join([name, *options])

        def line(depth):
            return (first + link * (depth - 1) + "\n").encode()
        result = run(vornix, options, stdin=line(deepest) + NEXT)
        check_run(f"{name} {deepest} deep", result)
        head = result.stdout[:-len(NEXT_DRAWN)]
        if not result.stdout.endswith(NEXT_DRAWN) or not (
                head == TOO_LARGE or is_drawing(head)):
            fail(f"{name} {deepest} deep", f"neither drawn nor too large: {result.stdout[:100]!r}")
        check_run(f"{name} {deepest + 1} deep",
                  run(vornix, options, stdin=line(deepest + 1) + NEXT), TOO_LARGE + NEXT_DRAWN)


def statements(cases_dir):
    """Every statement of the golden cases, with the options it is drawn
    with."""
    for vx in sorted(pathlib.Path(cases_dir).glob("*.vx")):
        options = ["-r"] if vx.stem.endswith("_narrow") else []
        for line in vx.read_bytes().splitlines():
            yield vx.stem, options, line


def prefixes(vornix, cases_dir):
    """Every prefix of every golden statement, each an argument, draws or
    is a syntax error, and the exit status stays 0. The statements of one
    file run in one process; a mark no prefix can make separates the
    prefixes' outputs."""
    mark = MARK.decode()
    by_file = {}
    for stem, options, line in statements(cases_dir):
        by_file.setdefault((stem, tuple(options)), []).append(line.decode())
    for (stem, options), texts in by_file.items():
        args = [*options, "--"]
        for text in texts:
            for n in range(len(text) + 1):
                args += [text[:n], mark]
        result = run(vornix, args)
        check_run(f"{stem}: prefixes", result)
        outputs = result.stdout.split(MARK_DRAWN)
        count = sum(len(text) + 1 for text in texts)
        if len(outputs) != count + 1 or outputs[-1] != b"":
            fail(f"{stem}: prefixes", f"{len(outputs) - 1} outputs for {count} prefixes")
            continue
        prefixes = (text[:n] for text in texts for n in range(len(text) + 1))
        for prefix, output in zip(prefixes, outputs):
            if output != SYNTAX_ERROR and not is_drawing(output):
                fail(f"{stem}: prefix {prefix!r}", f"printed {output[:200]!r}")


def golden_runs(cases_dir):
    """Each golden file of statements with its options and its expected
    output: in ASCII, and with -u where NAME.unicode.out exists."""
    for vx in sorted(pathlib.Path(cases_dir).glob("*.vx")):
        options = ["-r"] if vx.stem.endswith("_narrow") else []
        yield vx, options, vx.with_suffix(".out")
        unicode_out = vx.with_suffix(".unicode.out")
        if unicode_out.exists():
            yield vx, options + ["-u"], unicode_out


def crlf(vornix, cases_dir):
    """Lines ended by a carriage return and a newline draw as lines ended
    by a newline."""
    for vx, options, out in golden_runs(cases_dir):
        text = vx.read_bytes().replace(b"\n", b"\r\n")
        check_run(f"{vx.name} {options} with CR LF", run(vornix, options, text),
                  out.read_bytes())


def valgrind(vornix, cases_dir):
    """The golden cases under valgrind's memcheck: no invalid access and no
    leak."""
    tool = shutil.which("valgrind")
    if tool is None:
        print("valgrind is not installed")
        sys.exit(77)
    for vx, options, out in golden_runs(cases_dir):
        result = subprocess.run(
            [tool, "-q", "--leak-check=full", "--errors-for-leak-kinds=definite,indirect",
             "--error-exitcode=1", vornix, *options],
            stdin=vx.open("rb"), capture_output=True, check=False)
        check_run(f"{vx.name} {options} under valgrind", result, out.read_bytes())


GROUPS = {"bytes": bytes_, "long_tokens": long_tokens, "long_lines": long_lines, "nesting": nesting,
          "nesting_unicode": lambda vornix, cases_dir: nesting(vornix, cases_dir, ["-u"]),
          "chains": chains, "prefixes": prefixes, "crlf": crlf, "valgrind": valgrind}


def main():
    vornix, group = sys.argv[1], sys.argv[2]
    cases_dir = sys.argv[3] if len(sys.argv) > 3 else None
    GROUPS[group](vornix, cases_dir)
    for failure in failures[:50]:
        print(failure)
    if len(failures) > 50:
        print(f"... and {len(failures) - 50} more")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
