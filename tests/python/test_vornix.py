"""The Python module: drawings, options, errors and threads."""
import threading

import pytest
import vornix


def test_draws_like_the_program():
    # The program prints an empty line before each drawing; the module
    # leaves out the first.
    assert vornix.draw("x^2/2") == " 2\nx\n--\n 2\n"
    assert vornix.draw("a\nb") == "a\n\nb\n"


def test_options():
    assert vornix.draw("sqrt(1/2)", narrow_roots=True) == "  _\n |1\n |-\n\\|2\n"
    with pytest.raises(TypeError):
        vornix.draw("x", True)  # options are keywords only
    # The modes: Unicode characters, LaTeX input, a width to fit.
    assert vornix.draw("pi <= inf", unicode=True) == "π ≤ ∞\n"
    assert vornix.draw("x/2", unicode=True, ambiguous_wide=True) == "x\n⎯\n2\n"
    assert vornix.draw(r"\frac{a}{b}", latex=True) == vornix.draw("a/b")
    fitted = vornix.draw("a + b + c + d + e + f + g + h", width=12)
    assert max(len(row) for row in fitted.splitlines()) <= 12
    assert fitted.replace(" ", "").replace("\n", "") == "a+b+c+d+e+f+g+h"


@pytest.mark.parametrize("text, message, line, column, status", [
    ("2x", "syntax error", 1, 1, 1),
    ("x\n|x|", "bad character '|'", 2, 0, 1),
    ("(" * 20000 + "x" + ")" * 20000, "yacc stack overflow", 1, None, 3),
])
def test_errors(text, message, line, column, status):
    with pytest.raises(vornix.Error) as caught:
        vornix.draw(text)
    error = caught.value
    assert isinstance(error, ValueError)
    assert str(error) == message
    assert (error.line, error.status) == (line, status)
    if column is not None:
        assert error.column == column


def test_macros():
    # The keyword takes the text of the definitions; a statement's own
    # hold for the rest of its text.
    book = "\\newcommand{\\norm}[1]{\\left\\| #1 \\right\\|}\n\\DeclareMathOperator{\\tr}{tr}\n"
    assert vornix.draw(r"\norm{x} + \tr A", latex=True, macros=book) == "||x|| + tr(A)\n"
    assert vornix.draw("\\def\\a{y}\\a\n\\a", latex=True) == "y\n\ny\n"
    assert vornix.draw("Let $\\tr A$.", markdown=True, macros=book) == "Let tr(A)."
    with pytest.raises(vornix.Error) as caught:
        vornix.draw("x", latex=True, macros="\\def\\a{1}\n\\def\\b#2{}")
    assert str(caught.value) == ("macros: line 2, column 1: "
                                 "\\def\\b takes #1 to #9 in order, then {body}")
    assert caught.value.line == 0 and caught.value.status == 1
    with pytest.raises(vornix.Error, match="macro expansion too deep") as caught:
        vornix.draw(r"\def\a{\a}\a", latex=True)
    assert caught.value.column == 10


def test_too_large():
    with pytest.raises(vornix.Error, match="drawing too large"):
        vornix.draw("x" * 70_000_000)


def test_threads_draw_at_once():
    statements = ["sum(k^2, k = 1 .. n)", "int(1/x, x = 1 .. e)",
                  "[cos(t), -sin(t); sin(t), cos(t)]", "lim((1 + 1/n)^n, n -> inf)",
                  "sqrt(x^2 + 1)", "root(a + b, 3)", "f''(x) = ~z", "det[a, b; c, d]"]
    expected = [vornix.draw(s) for s in statements]
    results = [[] for _ in statements]

    def work(i):
        for _ in range(200):
            results[i].append(vornix.draw(statements[i]))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(statements))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for i, drawn in enumerate(results):
        assert drawn == [expected[i]] * 200


def test_markdown():
    answer = "The area is $\\pi r^2$, and\n\n$$\\frac{a}{b}$$\n\nfor $5.\n"
    assert vornix.draw(answer, markdown=True) == \
        "The area is pi r^2, and\n\na\n-\nb\n\nfor $5.\n"
    assert vornix.draw("$x^2$ and $x_i$", markdown=True, unicode=True) == "x² and xᵢ"
    # A formula that does not draw stays as written and raises nothing.
    assert vornix.draw("$\\frac{1}$ stays", markdown=True) == "$\\frac{1}$ stays"


def test_version():
    assert vornix.__version__.count(".") >= 1
