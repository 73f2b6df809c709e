#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "api/vornix.hpp"
#include "language/language.h"
#include "language/latex_macros.h"
#include "language/latex_parser.h"
#include "language/test_source.h"

namespace {

std::string Draw(const std::string& text, bool latex, bool unicode = false) {
  vornix::Options options;
  options.latex = latex;
  options.unicode = unicode;
  vornix::Session session(options);
  return session.draw(text).text;
}

std::string Latex(const std::string& text, bool unicode = false) {
  return Draw(text, true, unicode);
}

// Whatever has a linear form draws exactly as that form does, in ASCII and
// in Unicode.
TEST(Latex, DrawsAsItsLinearForm) {
  struct {
    const char* latex;
    const char* linear;
  } cases[] = {
      // Atoms and Greek letters, as commands and as UTF-8.
      {"x", "x"},
      {"42 + 3.14", "42 + 3.14"},
      {"\\infty", "inf"},
      {"\\pi r^2", "pi*r^2"},
      {"\\nabla^2 u = 0", "nabla^2*u = 0"},
      {"a_1 + \\ldots + a_n", "a_1 + ... + a_n"},
      {"x_1 \\cdots x_n", "x_1*...*x_n"},
      {"\\alpha + \\beta_1 = \\Gamma(z)", "alpha + beta_1 = Gamma(z)"},
      {"\\varepsilon_0 \\mu_0 = \\frac{1}{c^2}", "epsilon_0*mu_0 = 1/c^2"},
      {"α + β ≤ π", "alpha + beta <= pi"},
      {"x ≥ ∞ · θ", "x >= inf*theta"},
      {"a − b", "a - b"},
      {"√{x}", "sqrt(x)"},
      // Operators: sums, products, relations, signs.
      {"a + b - c", "a + b - c"},
      {"a - (b + c)", "a - (b + c)"},
      {"a \\cdot b * c", "a*b*c"},
      {"ab", "a*b"},
      {"x^2y", "x^2*y"},
      {"(a+b)(a-b)", "(a + b)*(a - b)"},
      {"a = b < c > d", "a = b < c > d"},
      {"a \\le b \\leq c", "a <= b <= c"},
      {"a \\ge b + c", "a >= b + c"},
      {"-x^2", "-x^2"},
      {"-(a+b)", "-(a + b)"},
      {"-a \\cdot b", "-a*b"},
      {"a - -b", "a - -b"},
      {"n! + (n+1)! + n!!", "n! + (n + 1)! + n!!"},
      // Fractions and roots.
      {"\\frac{a+b}{c-d}", "(a+b)/(c-d)"},
      {"\\frac12 + \\dfrac{1}{x} - \\tfrac{1}{y}", "1/2 + 1/x - 1/y"},
      {"(a+b)/(c+d)", "(a + b)/(c + d)"},
      {"\\frac{\\frac{a}{b}}{c}", "(a/b)/c"},
      {"\\sqrt{x^2+1} + \\sqrt2", "sqrt(x^2 + 1) + sqrt(2)"},
      {"\\sqrt[3]{x+1}", "root(x+1, 3)"},
      {"\\sqrt[n]{\\frac{1}{2}}", "root(1/2, n)"},
      // Scripts, primes and decorations.
      {"x_{i+1}^2", "x_(i+1)^2"},
      {"x^2_i", "x_i^2"},
      {"a_{i_j}", "a_i_j"},
      {"x_1' + f''(x)", "x_1' + f''(x)"},
      {"f^{\\prime}(x)", "f'(x)"},
      {"e^{x+1} + 2^{10} + x^{-1}", "e^(x+1) + 2^10 + x^(-1)"},
      {"x^{y^z}", "x^y^z"},
      {"(x^2)^3 + {x^2}^3", "(x^2)^3 + (x^2)^3"},
      {"(a + b)^2", "(a + b)^2"},
      {"\\left(\\frac{a}{b}\\right)^2", "(a/b)^2"},
      {"z^* + (a+b)^*", "~z + ~(a + b)"},
      {"\\bar{z}^2 + \\overline{a+b}", "z\\^2 + (a+b)\\"},
      {"\\overline{z}_1^{*}", "~z_1\\"},
      // Sums, products, integrals and limits.
      {"\\sum_{k=1}^{n} k^2", "sum(k^2, k = 1 .. n)"},
      {"\\sum_k a_k b_k", "sum(a_k*b_k, k)"},
      {"\\sum_{k=1}^n k + 1", "sum(k, k = 1 .. n) + 1"},
      {"\\sum_k (a_k + b_k)", "sum(a_k + b_k, k)"},
      {"\\sum\\limits_{k=0}^{\\infty} \\frac{x^k}{k!}", "sum(x^k/k!, k = 0 .. inf)"},
      {"\\sum_{i=1}^n \\sum_{j=1}^m a_{ij}", "sum(sum(a_(i*j), j = 1 .. m), i = 1 .. n)"},
      {"\\prod_{k=1}^n k = n!", "prod(k, k = 1 .. n) = n!"},
      {"\\prod_p \\frac{1}{1 - p^{-s}}", "prod(1/(1 - p^(-s)), p)"},
      {"\\int_0^1 x^2\\,dx", "int(x^2, x = 0 .. 1)"},
      {"\\int f(x)\\,dx", "int(f(x), x)"},
      {"\\int x + 1 \\, dx", "int(x + 1, x)"},
      {"\\int \\sin x \\, dx", "int(sin(x), x)"},
      {"\\int \\frac{dx}{x}", "int(1/x, x)"},
      {"\\int \\frac{x\\,dx}{1+x^2}", "int(x/(1 + x^2), x)"},
      {"\\int dx\\, f(x)", "int(f(x), x)"},
      {"\\int_a^b f(t) \\mathrm{d}t", "int(f(t), t = a .. b)"},
      {"\\int_{-\\infty}^{\\infty} e^{-x^2} dx = \\sqrt{\\pi}",
       "int(e^(-x^2), x = -inf .. inf) = sqrt(pi)"},
      {"\\int_0^1 \\int_0^2 xy \\,dx\\,dy", "int(int(x*y, x = 0 .. 2), y = 0 .. 1)"},
      {"\\int_0^{2 \\cdot \\pi} d\\theta", "int(1, theta = 0 .. 2*pi)"},
      {"\\lim_{x \\to 0} \\frac{\\sin x}{x}", "lim(sin(x)/x, x -> 0)"},
      {"\\lim_{n \\to \\infty} \\left(1 + \\frac{1}{n}\\right)^n = e",
       "lim((1 + 1/n)^n, n -> inf) = e"},
      {"\\lim_{h\\rightarrow 0} \\frac{f(x+h)-f(x)}{h}", "lim((f(x + h) - f(x))/h, h -> 0)"},
      // Functions.
      {"\\sin x", "sin(x)"},
      {"\\sin^2 x + \\cos^2 x = 1", "sin(x)^2 + cos(x)^2 = 1"},
      {"\\sin(x)^2", "sin(x)^2"},
      {"\\sin(a + b) = \\sin a \\cos b", "sin(a + b) = sin(a)*cos(b)"},
      {"\\sin x y", "sin(x*y)"},
      {"\\sin\\left(\\frac{x}{2}\\right)", "sin(x/2)"},
      {"\\arctan\\frac{1}{x} + \\tanh x", "arctan(1/x) + tanh(x)"},
      {"\\operatorname{arcsinh} x + \\operatorname{sech}(x)", "arcsinh(x) + sech(x)"},
      {"\\log x + \\ln(a b) + \\exp(-x^2)", "log(x) + ln(a*b) + exp(-x^2)"},
      {"\\log_2 x", "log_2(x)"},
      {"\\max(a, b) + \\operatorname{gcd}(a, b)", "max(a, b) + gcd(a, b)"},
      {"f(x, y) + g(\\frac{1}{x}, y)", "f(x, y) + g(1/x, y)"},
      {"\\mathrm{Re}(z) + \\mathrm{e}^{i\\pi}", "Re(z) + e^(i*pi)"},
      // Bars.
      {"|x| + \\left|\\frac{x}{2}\\right|", "abs(x) + abs(x/2)"},
      {"|x - y| \\le |x| + |y|", "abs(x - y) <= abs(x) + abs(y)"},
      {"||x| - |y||", "abs(abs(x) - abs(y))"},
      // Matrices.
      {"\\begin{pmatrix} a & b \\\\ c & d \\end{pmatrix}", "[a, b; c, d]"},
      {"\\begin{vmatrix} a & b \\\\ c & d \\end{vmatrix}", "det[a, b; c, d]"},
      {"\\begin{vmatrix} a & b \\\\ c & d \\end{vmatrix} = ad - bc", "det[a, b; c, d] = a*d - b*c"},
      {"\\begin{pmatrix} x \\\\ y \\\\ \\end{pmatrix}", "[x; y]"},
      {"\\begin{pmatrix} 1 & 2 & 3 \\end{pmatrix}^2", "[1, 2, 3]^2"},
      {"\\begin{pmatrix} \\cos t & -\\sin t \\\\ \\sin t & \\cos t \\end{pmatrix}",
       "[cos(t), -sin(t); sin(t), cos(t)]"},
      // A table of one row draws as its formula: cells on one baseline,
      // a relation after & right after the cell before.
      {"\\begin{aligned} x &= 1 \\end{aligned}", "x = 1"},
      {"\\begin{equation} x^2 \\end{equation}", "x^2"},
      {"\\sum_{k=1}^{n} k &= \\frac{n^2 + n}{2}", "sum(k, k = 1 .. n) = (n^2 + n)/2"},
      {"\\begin{align*} \\frac{a}{b} &\\le c \\end{align*}", "a/b <= c"},
      // Spacing, styles, fonts and what stands around a formula.
      {"a\\,b\\;c\\!d\\quad e\\qquad f~g", "a*b*c*d*e*f*g"},
      // A skip by a length: the length goes with it, whatever its unit and
      // its stretch; without a length, nothing does.
      {"\\left(\\hskip -3pt x\\hskip.75pt' + 1\\right) \\kern2mu y", "(x' + 1)*y"},
      {"a \\hskip 1em plus 2fil minus 1,5pt b \\mskip x", "a*b*x"},
      {"\\displaystyle \\frac{1}{2}", "1/2"},
      // \mathbb{R} and the other letters with a double-struck glyph: see
      // latex_vocabulary.
      {"\\mathbf{x} + \\mathbb{E}", "x + E"},
      {"\\big( x + 1 \\big)^2", "(x + 1)^2"},
      {"$x^2$", "x^2"},
      {"$$ x^2 $$", "x^2"},
      {"\\(x^2\\)", "x^2"},
      {"\\[ x^2 \\] % the square", "x^2"},
      {"x^2 \\\\", "x^2"},
      {"x\n\ny\n", "x\n\ny\n"},
      // A line of spacing alone is an empty statement, as a blank line is;
      // a control space may end a formula.
      {"x\n\\,\n\\quad \\displaystyle\ny", "x\n\n\ny"},
      {"f\\ ", "f"},
      {"\\nabla f = ∇ f", "nabla*f = nabla*f"},
  };
  for (bool unicode : {false, true}) {
    for (const auto& c : cases) {
      std::string expected = Draw(c.linear, false, unicode);
      ASSERT_EQ(std::string::npos, expected.find("error")) << c.linear;
      EXPECT_EQ(expected, Latex(c.latex, unicode)) << c.latex << (unicode ? " (Unicode)" : "");
    }
  }
}

// Messages as the program prints them, and the status of each.
TEST(Latex, ErrorsNameTheirColumn) {
  struct {
    std::string latex;
    const char* message;
  } cases[] = {
      {"\\frac{a}", "syntax error at column 1: \\frac needs 2 arguments"},
      {"x + \\dfrac1", "syntax error at column 5: \\dfrac needs 2 arguments"},
      {"{a + b", "syntax error at column 1: unbalanced {"},
      {"a + b}", "syntax error at column 6: unbalanced }"},
      {"(a + b}", "syntax error at column 7: unbalanced }"},
      {"\\end{pmatrix}", "syntax error at column 1: \\end{pmatrix} without \\begin"},
      {"x \\begin{pmatrix} 1 & 2", "syntax error at column 3: \\begin{pmatrix} without \\end"},
      {"{\\begin{pmatrix} 1 }", "syntax error at column 2: \\begin{pmatrix} without \\end"},
      {"\\begin{pmatrix} 1 \\end{bmatrix}",
       "syntax error at column 19: \\end{bmatrix} does not close \\begin{pmatrix}"},
      {"\\begin{array} 1 \\end{array}", "syntax error at column 1: \\begin{array} needs {columns}"},
      {"\\begin{foo} 1 \\end{foo}", "syntax error at column 1: unknown environment foo"},
      {"\\begin{align} a &= b", "syntax error at column 1: \\begin{align} without \\end"},
      {"\\begin{aligned} a \\end{align}",
       "syntax error at column 19: \\end{align} does not close \\begin{aligned}"},
      {"a \\tag{1} \\\\ b \\tag{2} \\tag{3}", "syntax error at column 24: a row takes one \\tag"},
      {"x \\tag", "syntax error at column 3: \\tag needs {text}"},
      {"\\matrix{a & b", "syntax error at column 8: unbalanced {"},
      {"\\pmatrix x", "syntax error at column 1: \\pmatrix needs {rows}"},
      {"\\left( x", "syntax error at column 1: \\left( without \\right"},
      {"\\right) x", "syntax error at column 1: \\right) without \\left"},
      {"\\left( x \\right", "syntax error at column 10: \\right needs a bracket"},
      // Rows and columns stand outside any group only.
      {"{a & b}", "syntax error at column 4: & outside a matrix"},
      {"{a \\\\ b}", "syntax error at column 4: \\\\ outside a matrix"},
      {"x^", "syntax error at column 2: ^ needs an argument"},
      {"x^2^3", "syntax error at column 4: double superscript"},
      {"x'^2'", "syntax error at column 5: double superscript"},
      {"x_1_2", "syntax error at column 4: double subscript"},
      {"\\sqrt", "syntax error at column 1: \\sqrt needs an argument"},
      {"\\sin", "syntax error at column 1: \\sin needs an argument"},
      {"\\lim_{x} x", "syntax error at column 1: \\lim needs _{x \\to a}"},
      {"\\operatorname{f+g} x",
       "syntax error at column 1: \\operatorname needs a {name} of letters and digits"},
      // Columns count characters, not bytes.
      {"α + β + #", "syntax error at column 9: bad character '#'"},
      {"x $ y", "syntax error at column 3: bad character '$'"},
      {"x + \xc3\xa9", "syntax error at column 5: bad character '\\xc3'"},
      {"\\text{\xc3\xa9}", "syntax error at column 7: bad character '\\xc3'"},
      {"x \\", "syntax error at column 3: \\ without a command name"},
      // A bad character where a body or an argument starts is the fault.
      {"\\sum_{k=1}^n $", "syntax error at column 14: bad character '$'"},
      {"\\int # dx", "syntax error at column 6: bad character '#'"},
      {"\\sin $x", "syntax error at column 6: bad character '$'"},
      {"\\sum # k", "syntax error at column 6: bad character '#'"},
      {std::string("x + \0", 5), "syntax error at column 5: bad character '\\x00'"},
  };
  for (const auto& c : cases) {
    vornix::Session session(vornix::Options{false, false, true, 0});
    vornix::Result result = session.draw(c.latex);
    EXPECT_EQ(vornix::Status::input, result.status) << c.latex;
    EXPECT_EQ(std::string(c.message) + "\n", result.text) << c.latex;
  }
  // The line after a bad one is drawn as usual; each has its line number.
  vornix::Session session(vornix::Options{false, false, true, 0});
  vornix::Result result = session.draw("x^2^\ny\n\\frac1");
  EXPECT_EQ(
      "syntax error at column 4: double superscript\n"
      "y\n"
      "syntax error at column 1: \\frac needs 2 arguments\n",
      result.text);
  ASSERT_EQ(2u, result.errors.size());
  EXPECT_EQ(1, result.errors[0].line);
  EXPECT_EQ(3, result.errors[0].column);
  EXPECT_EQ(3, result.errors[1].line);
}

// A period or a comma at the end of a formula or of a cell is the
// sentence's, drawn after it: it is no operand.
TEST(Latex, FinalPunctuation) {
  EXPECT_EQ("ln(2).\n", Latex("\\ln 2."));
  EXPECT_EQ(
      "/ 0,   x = 0\n"
      "<\n"
      "\\ 1,  x != 0\n",
      Latex("\\begin{cases} 0, & x = 0 \\\\ 1, & x \\ne 0 \\end{cases}"));
  EXPECT_EQ("x = 1.\n", Latex("\\begin{matrix} x = 1. \\end{matrix}"));
}

// A line's rows, definitions and macros are looked for only where a first
// pass over the line saw a sign of them; the comment hides its own.
TEST(Latex, CommentsRowsAndMacrosOfALine) {
  struct {
    const char* line;
    const char* drawn;
  } cases[] = {
      {"a & b % c & d", "a b\n"},
      {"a + b % c & d \\\\ e", "a + b\n"},
      {"a \\\\ b % \\\\ c", "a\nb\n"},
      {"a \\\\% b", "a\n"},  // \\ then the comment, not \%
      {"a \\% b % c", "a % b\n"},
      {"x = 1 \\tag{2} % \\tag{3}", "x = 1  (2)\n"},
      {"\\def\\f{y}\\f + 1 % \\f", "y + 1\n"},
      {"\\iint f % \\iiint",
       "  /   /\n"
       " |   |\n"
       " |   | f\n"
       " |   |\n"
       "/   /\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.drawn, Latex(c.line)) << c.line;
}

// The first pass reads a line many bytes at a time: each sign is found
// wherever it stands, before, across and after each block's edge.
TEST(Latex, FirstPassFindsSignsAnywhere) {
  latex::Macros none;
  for (size_t size = 1; size <= 40; ++size) {
    for (size_t at = 0; at < size; ++at) {
      std::string line(size, 'x');
      auto facts_with = [&](const std::string& sign) {
        std::string text = line;
        size_t n = std::min(sign.size(), size - at);
        text.replace(at, n, sign, 0, n);
        return latex::read_line(text, none, nullptr);
      };
      std::string where = std::to_string(size) + " bytes, at " + std::to_string(at);
      latex::LineFacts plain = latex::read_line(line, none, nullptr);
      EXPECT_EQ(size, plain.end) << where;
      EXPECT_FALSE(plain.rows || plain.macros) << where;
      EXPECT_EQ(at, facts_with("%").end) << where;
      EXPECT_EQ(size, facts_with("\\%").end) << where;  // \% is a percent sign
      EXPECT_TRUE(facts_with("&").rows) << where;
      EXPECT_EQ(at + 2 <= size, facts_with("\\\\").rows) << where;
      EXPECT_EQ(at + 4 <= size, facts_with("\\tag ").rows) << where;
      EXPECT_EQ(at + 4 <= size, facts_with("\\def ").macros) << where;
    }
  }
}

// ASCII draws a pair of floors as the linear floor(x) and never as a
// bracket it could be read as; Unicode draws the signs.
TEST(Latex, FloorsAndCeilings) {
  EXPECT_EQ(Draw("floor(x/2)", false), Latex("\\left\\lfloor \\frac{x}{2} \\right\\rfloor"));
  EXPECT_EQ("lfloor(x)rceil + [x)rfloor\n", Latex("\\lfloor x \\rceil + [x \\rfloor"));
  EXPECT_EQ("⌊x⌋ + ⌈y⌉\n", Latex("⌊x⌋ + \\lceil y \\rceil", true));
}

// Forms written loosely draw as their tidy forms do.
TEST(Latex, LooseFormsDrawAsTidyOnes) {
  struct Case {
    const char* loose;
    const char* tidy;
  };
  const Case cases[] = {
      {"x_1\\cdot\\cdot\\cdot x_n", "x_1 \\cdots x_n"},
      {"s_{J_{\\max}} + {\\det}^{-1}", "s_{J_{\\mathrm{max}}} + {\\mathrm{det}}^{-1}"},
      // bar_at looks past the bar: the sign after it must not end the term.
      {"q|-x|", "q\\left|-x\\right|"},
      {"|a> + |b> = |x > 0|", "|a\\rangle + |b\\rangle = \\left|x > 0\\right|"},
      {"\\{a\\}_* + g^>_n", "\\{a\\}_{\\text{*}} + g^{\\text{>}}_n"},
      {"\\rule[-1pt]{0pt}{5pt} a\\>b\\hfill c", "a b c"},
      {"a_{\\parallel,\\perp}", "a_{{\\parallel},{\\perp}}"},
  };
  for (const Case& c : cases) {
    for (bool unicode : {false, true}) {
      EXPECT_EQ(Latex(c.tidy, unicode), Latex(c.loose, unicode)) << c.loose;
    }
  }
}

// An unknown command is drawn as written and gets a warning, which the
// text of vornix_draw does not show.
TEST(Latex, UnknownCommandsAreDrawnAsWritten) {
  vornix::Session session(vornix::Options{false, false, true, 0});
  vornix::Result result = session.draw("\\quux\\omega + \\foo^2");
  EXPECT_EQ(vornix::Status::ok, result.status);
  EXPECT_EQ(
      "                  2\n"
      "\\quux omega + \\foo\n",
      result.text);
  ASSERT_EQ(2u, result.warnings.size());
  EXPECT_EQ("unknown command \\quux", result.warnings[0].message);
  EXPECT_EQ(0, result.warnings[0].column);
  EXPECT_EQ("unknown command \\foo", result.warnings[1].message);
  EXPECT_EQ(14, result.warnings[1].column);

  vornix_options options{VORNIX_LATEX, 0, nullptr, 0};
  int status = -1;
  char* text = vornix_draw("\\foo", 4, &options, &status);
  EXPECT_STREQ("\\foo\n", text);
  EXPECT_EQ(VORNIX_OK, status);
  vornix_free(text);
}

// Signs, brackets and matrices that only LaTeX writes, in Unicode.
TEST(Latex, UnicodeSigns) {
  EXPECT_EQ("a ≠ b ± c × d ÷ e ∓ f\n",
            Latex("a \\ne b \\pm c \\times d \\div e \\mp f", true));
  EXPECT_EQ("x ≈ y ≡ z ∼ w → v ⇒ u ∈ S\n",
            Latex("x \\approx y \\equiv z \\sim w \\to v \\Rightarrow u \\in S", true));
  EXPECT_EQ("±x + ‖v‖ + ⟨a⟩\n", Latex("\\pm x + \\|v\\| + \\langle a \\rangle", true));
  const char* column = "\\begin{matrix} 1 \\\\ 2 \\end{matrix}";
  EXPECT_EQ(
      "⎡1⎤   ⎧1⎫   ⎛1⎤   │1   ‖1‖   ╱1╲\n"
      "⎢ ⎥ + ⎨ ⎬ + ⎜ ⎥ + │  + ‖ ‖ + ⟨ ⟩\n"
      "⎣2⎦   ⎩2⎭   ⎝2⎦   │2   ‖2‖   ╲2╱\n",
      Latex(std::string("\\left[") + column + "\\right] + \\left\\{" + column +
                "\\right\\} + \\left(" + column + "\\right] + \\left|" + column +
                "\\right. + \\|" + column + "\\| + \\left\\langle" + column + "\\right\\rangle",
            true));
  EXPECT_EQ(
      "⎡ 1 x ⎤\n"
      "⎢     ⎥\n"
      "⎣ 0   ⎦\n",
      Latex("\\begin{bmatrix} 1 & x \\\\ 0 \\end{bmatrix}", true));
}

// The source as the parser reads it: lines spanning reads, what stands
// around a formula, and the lines that are not statements.
using Chunked = ChunkedText;

// What the listener hears, one entry a line: "draw L", "empty L",
// "error L: message", "warning L: message".
class Events : public Listener {
 public:
  void statement(Owned<>, int line) override { add("draw " + std::to_string(line)); }
  void empty_statement(int line) override { add("empty " + std::to_string(line)); }
  void error(Status, std::string_view message, int line, int) override {
    add("error " + std::to_string(line) + ": " + std::string(message));
  }
  void warning(std::string_view message, int line, int) override {
    add("warning " + std::to_string(line) + ": " + std::string(message));
  }
  void add(const std::string& event) {
    if (!text.empty()) text += ", ";
    text += event;
  }
  std::string text;
};

std::string Read(const std::string& input, size_t chunk, bool* quit = nullptr) {
  LatexParser parser;
  Chunked source(input, chunk);
  Events events;
  bool ended = parser.parse(source, events);
  if (quit != nullptr) *quit = ended;
  return events.text;
}

TEST(LatexParser, ReadsLines) {
  struct {
    const char* input;
    const char* events;
  } cases[] = {
      {"x\r\n\n% a comment\n  \t\n$$ $$\ny", "draw 1, empty 2, empty 3, empty 4, empty 5, draw 6"},
      // Blanks or a comment alone on a last line without its newline are
      // no statement.
      {"x\n  % c", "draw 1"},
      {"x\n  ", "draw 1"},
      {"x\n\\foo\n\\frac",
       "draw 1, warning 2: unknown command \\foo, draw 2, "
       "error 3: syntax error at column 1: \\frac needs 2 arguments"},
      {"x\nquit\ny\n", "draw 1"},
      {"\\% x 100\\%\n", "draw 1"},
  };
  for (const auto& c : cases) {
    for (size_t chunk : {1, 3, 8192}) {
      EXPECT_EQ(c.events, Read(c.input, chunk)) << c.input << " in reads of " << chunk;
    }
  }
  bool quit = false;
  Read("x\nquit\n", 2, &quit);
  EXPECT_TRUE(quit);
  Read("x\nquit2\n", 2, &quit);
  EXPECT_FALSE(quit);
}

// A listener that stops the parse at its first statement.
class Stopper : public Events {
 public:
  explicit Stopper(LatexParser& parser) : parser_(parser) {}
  void statement(Owned<> tree, int line) override {
    Events::statement(std::move(tree), line);
    parser_.stop();
  }

 private:
  LatexParser& parser_;
};

TEST(LatexParser, StopsWhenAsked) {
  LatexParser parser;
  Chunked source("\\frac\nx\ny\n", 1);
  Stopper stopper(parser);
  EXPECT_FALSE(parser.parse(source, stopper));
  EXPECT_EQ("error 1: syntax error at column 1: \\frac needs 2 arguments, draw 2", stopper.text);
  // The next input is read again.
  Chunked next("z\n", 1);
  Events events;
  parser.parse(next, events);
  EXPECT_EQ("draw 1", events.text);
}

// A line longer than the longest a drawing can take is dropped as it
// comes, without holding it.
class Endless : public Source {
 public:
  explicit Endless(size_t length) : left_(length) {}
  size_t read(char* buf, size_t size) override {
    if (left_ == 0) {
      if (done_) return 0;
      done_ = true;
      std::memcpy(buf, "\ny\n", 3);
      return 3;
    }
    size_t n = std::min(size, left_);
    std::memset(buf, 'x', n);
    left_ -= n;
    return n;
  }

 private:
  size_t left_;
  bool done_ = false;
};

TEST(LatexParser, OverlongLineIsTooLarge) {
  LatexParser parser;
  Endless source(static_cast<size_t>(kMaxLatexLine) + 100000);
  Events events;
  parser.parse(source, events);
  EXPECT_EQ("error 1: drawing too large, draw 2", events.text);
}

// Hostile lines end in a message, not in a crash or a long wait.
TEST(Latex, HostileInput) {
  auto nested = [](const std::string& open, const std::string& close, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += open;
    s += "x";
    for (int i = 0; i < n; ++i) s += close;
    return s;
  };
  const char* too_large = "drawing too large\n";
  EXPECT_EQ(too_large, Latex(std::string(1 << 20, '{')));
  EXPECT_EQ(too_large, Latex(nested("{", "}", 100000)));
  EXPECT_EQ(too_large, Latex(nested("x^{", "}", 100000)));
  EXPECT_EQ(too_large, Latex(nested("\\sqrt", "", 100000)));
  EXPECT_EQ(too_large, Latex(nested("\\frac{", "}{y}", 100000)));
  EXPECT_EQ(too_large, Latex(nested("\\left(", "\\right)", 100000)));
  EXPECT_EQ(too_large, Latex(nested("\\sin ", "", 100000)));
  EXPECT_EQ(too_large, Latex(nested("-", "", 100000)));
  // Each bar looks ahead to the closing bracket, past all the brackets
  // nested in it: the statement's cost runs out while the relation that
  // a bar makes is being looked for.
  EXPECT_EQ(too_large, Latex(nested("\\langle a | ", " \\rangle", 1000)));
  EXPECT_EQ(too_large, Latex(nested("\\begin{aligned}", "\\end{aligned}", 100000)));
  EXPECT_EQ(too_large, Latex(nested("\\begin{array}{c|c}", "\\end{array}", 100000)));
  // Shallow nesting draws.
  EXPECT_EQ("x\n", Latex(nested("{", "}", 200)));
  // A column template that repeats nothing, deeply, is read once.
  EXPECT_EQ("a  b\n", Latex("\\begin{array}{*{999}{*{999}{*{999}{*{999}{}}}}} a & b \\end{array}"));

  // Every byte value, alone and between names.
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    if (b == '\n') continue;
    bytes += "x";
    bytes += static_cast<char>(b);
    bytes += "y\n";
  }
  vornix::Session session(vornix::Options{false, false, true, 0});
  vornix::Result result = session.draw(bytes);
  EXPECT_EQ(255u, result.drawings.size() + result.errors.size());
}

}  // namespace
