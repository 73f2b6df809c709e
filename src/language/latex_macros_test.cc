#include <gtest/gtest.h>

#include <string>

#include "api/vornix.hpp"
#include "language/language.h"
#include "language/latex_macros.h"
#include "language/test_source.h"

namespace {

vornix::Result Draw(const std::string& text, const std::string& macros = "",
                    bool markdown = false) {
  vornix::Options options;
  options.latex = true;
  options.markdown = markdown;
  options.macros = macros;
  vornix::Session session(options);
  return session.draw(text);
}

std::string Latex(const std::string& text, const std::string& macros = "") {
  return Draw(text, macros).text;
}

// A formula with macros draws as the formula they stand for.
TEST(LatexMacros, ExpandAsWrittenOut) {
  struct {
    const char* with_macros;
    const char* written_out;
  } cases[] = {
      {"\\newcommand{\\R}{\\mathbb{R}} x \\in \\R", "x \\in \\mathbb{R}"},
      {"\\newcommand\\R{\\mathbb{R}}\\R^2", "\\mathbb{R}^2"},
      {"\\newcommand*{\\half}{\\frac12} \\half x", "\\frac12 x"},
      {"\\newcommand{\\sq}[1]{#1^2} \\sq{a+b} + \\sq x", "a+b^2 + x^2"},
      {"\\newcommand{\\f}[2]{\\frac{#2}{#1}} \\f{a}{b+1}", "\\frac{b+1}{a}"},
      // An optional first argument, left out and given.
      {"\\newcommand{\\p}[2][n]{#1^{#2}} \\p{x} + \\p[m]{y}", "n^{x} + m^{y}"},
      {"\\providecommand{\\p}[2][{[a]}]{#1 #2} \\p{x}", "{[a]} x"},
      {"\\def\\f#1#2{\\frac{#1}{#2}} \\f12 + \\f{a}{b}", "\\frac12 + \\frac{a}{b}"},
      {"\\gdef\\e{e^x} \\e", "e^x"},
      // Macros in bodies and in arguments; a body that takes its
      // arguments from the text after it.
      {"\\def\\a{x}\\def\\b{\\a+\\a} \\b", "x+x"},
      {"\\newcommand\\sq[1]{{#1}^2}\\def\\a{y} \\sq{\\sq\\a}", "{{y}^2}^2"},
      {"\\newcommand\\c[1]{[#1]}\\def\\b{\\c} \\b{x}", "[x]"},
      // A command put before a letter keeps its name.
      {"\\newcommand\\y[1]{#1x} \\y{\\alpha}", "\\alpha x"},
      {"\\def\\a{\\alpha} \\a x", "\\alpha x"},
      {"\\newcommand\\b{\\beta}\\newcommand\\t[1]{#1}\\t\\b y", "\\beta y"},
      // Redefinitions take over from where they stand.
      {"\\def\\a{1} \\a + \\renewcommand{\\a}{2} \\a", "1 + 2"},
      {"\\def\\a{1} \\providecommand{\\a}{2} \\a", "1"},
      {"\\providecommand{\\frac}{2} \\frac{a}{b}", "\\frac{a}{b}"},
      {"\\newcommand{\\frac}{2} \\frac", "2"},
      {"\\def\\a{1}\\let\\b\\a\\def\\a{2} \\a\\b", "21"},
      {"\\let\\b=\\beta \\b", "\\beta"},
      {"\\DeclareMathOperator{\\tr}{tr} \\tr A", "\\operatorname{tr} A"},
      {"\\DeclareMathOperator*{\\argmax}{arg\\,max} \\argmax_x f",
       "\\operatorname*{arg\\,max}_x f"},
      {"\\def\\hash{\\#}\\newcommand\\two[1]{##1} \\hash", "\\#"},
      {"\\ensuremath{x^2}", "x^2"},
      {"\\iint_D f\\,dA", "\\int\\int_D f\\,dA"},
      {"\\iiint_V \\rho\\,dV", "\\int\\int\\int_V \\rho\\,dV"},
  };
  for (const auto& c : cases) {
    vornix::Result r = Draw(c.with_macros);
    EXPECT_EQ(Latex(c.written_out), r.text) << c.with_macros;
    EXPECT_TRUE(r.warnings.empty()) << c.with_macros;
  }
}

// What goes wrong in a definition or an expansion is reported at the
// definition's or the macro's column, and nothing is drawn.
TEST(LatexMacros, ErrorsNameTheirColumn) {
  // Each level makes ten of the level below: 10^7 bytes in the end.
  std::string exponential = "\\def\\a{xxxxxxxxxx}";
  std::string empty_tree = "\\def\\a{}";
  for (char level = 'b'; level <= 'h'; ++level) {
    std::string below(1, static_cast<char>(level - 1));
    exponential += std::string("\\def\\") + level + "{";
    for (int i = 0; i < 10; ++i) exponential += "\\" + below;
    exponential += "}";
    empty_tree += std::string("\\def\\") + level + "{\\" + below + "\\" + below + "\\" + below + "}";
  }
  // 3^20 expansions that write nothing.
  for (char level = 'i'; level <= 'u'; ++level) {
    std::string below(1, static_cast<char>(level - 1));
    empty_tree += std::string("\\def\\") + level + "{\\" + below + "\\" + below + "\\" + below + "}";
  }
  std::string too_deep = ": macro expansion too deep\n";
  struct {
    std::string latex;
    std::string message;
  } cases[] = {
      {"\\newcommand\\a{\\a}\\a", "syntax error at column 18" + too_deep},
      // \let makes a macro of a lone #, which names no parameter.
      {"\\let\\s# x\\s", "syntax error at column 10: bad character '#'\n"},
      {"x + \\def\\a{x\\a}1+\\a", "syntax error at column 18" + too_deep},
      {"\\def\\a{\\a\\a} \\a", "syntax error at column 14" + too_deep},
      {"\\newcommand\\a[1]{\\a{#1#1}} \\a{x}", "syntax error at column 28" + too_deep},
      {exponential + "\\h", "syntax error at column " +
                                std::to_string(exponential.size() + 1) + too_deep},
      {empty_tree + "\\u", "syntax error at column " +
                               std::to_string(empty_tree.size() + 1) + too_deep},
      // A fault in a body is the macro's.
      {"\\newcommand\\f{\\frac{a}} x + \\f",
       "syntax error at column 29: \\frac needs 2 arguments\n"},
      {"\\newcommand\\f[2]{#1} x + \\f{a}", "syntax error at column 26: \\f needs 2 arguments\n"},
      {"\\newcommand\\f[1]{#1} \\f}", "syntax error at column 22: \\f needs an argument\n"},
      {"\\newcommand\\f[1]{#1} \\f{x", "syntax error at column 24: unbalanced {\n"},
      {"\\newcommand\\f[1][x]{#1} \\f[x", "syntax error at column 27: unbalanced [\n"},
      // Definitions that do not read.
      {"\\newcommand{x}{y}", "syntax error at column 12: \\newcommand needs a \\name to define\n"},
      {"x + \\renewcommand", "syntax error at column 18: \\renewcommand needs a \\name to define\n"},
      {"\\newcommand{\\f}[a]{x}",
       "syntax error at column 1: \\newcommand{\\f} needs [n] of 0 to 9 arguments\n"},
      {"\\newcommand{\\f}[10]{x}",
       "syntax error at column 1: \\newcommand{\\f} needs [n] of 0 to 9 arguments\n"},
      {"\\newcommand{\\f}[1]{#2}",
       "syntax error at column 1: illegal parameter number in the definition of \\f\n"},
      {"\\def\\f#1{#1#}", "syntax error at column 1: illegal parameter number in the definition of \\f\n"},
      {"\\newcommand{\\f}", "syntax error at column 1: \\newcommand needs a body\n"},
      {"\\def\\f#1.{#1}", "syntax error at column 1: \\def\\f takes #1 to #9 in order, then {body}\n"},
      {"\\def\\f#2{#1}", "syntax error at column 1: \\def\\f takes #1 to #9 in order, then {body}\n"},
      {"\\newcommand{\\f}{x", "syntax error at column 16: unbalanced {\n"},
      {"\\let\\f", "syntax error at column 1: \\let\\f needs what it stands for\n"},
      {"\\DeclareMathOperator{\\f}", "syntax error at column 1: \\DeclareMathOperator{\\f} needs {text}\n"},
  };
  for (const auto& c : cases) {
    vornix::Result r = Draw(c.latex);
    EXPECT_EQ(c.message, r.text) << c.latex;
    EXPECT_EQ(vornix::Status::input, r.status) << c.latex;
  }
}

// An input's definitions hold for the rest of it, and no further; the
// options' macros hold for every input.
TEST(LatexMacros, HoldForTheirInput) {
  vornix::Options options;
  options.latex = true;
  options.macros = "\\newcommand{\\R}{\\mathbb{R}}";
  vornix::Session session(options);
  EXPECT_EQ(Latex("y\n\\mathbb{R}\n2\ny"),
            session.draw("\\def\\a{y}\\a\n\\R\n\\renewcommand\\R{2}\\R\n\\a").text);
  vornix::Result next = session.draw("\\R + \\a");
  EXPECT_EQ(Latex("\\mathbb{R} + \\a"), next.text);
  ASSERT_EQ(1u, next.warnings.size());
  EXPECT_EQ("unknown command \\a", next.warnings[0].message);
  EXPECT_EQ(5, next.warnings[0].column);

  // A line of definitions alone draws nothing.
  LatexParser parser;
  ChunkedText source("\\newcommand\\x{1}\n\\x\n", 3);
  struct : Listener {
    void statement(Owned<>, int line) override { events += "draw " + std::to_string(line) + ";"; }
    void empty_statement(int line) override { events += "empty " + std::to_string(line) + ";"; }
    void error(Status, std::string_view, int line, int) override {
      events += "error " + std::to_string(line) + ";";
    }
    std::string events;
  } events;
  parser.parse(source, events);
  EXPECT_EQ("empty 1;draw 2;", events.events);
}

// In a Markdown document, a formula's definitions hold for the formulas
// after it, and a formula of definitions alone stays as written.
TEST(LatexMacros, HoldForTheirDocument) {
  vornix::Result r = Draw("$\\def\\a{x^2}$ and $\\a$\n\nthen $\\b$\n", "\\def\\b{y}", true);
  EXPECT_EQ("$\\def\\a{x^2}$ and x^2\n\nthen y\n", r.text);
  EXPECT_TRUE(r.warnings.empty());
  vornix::Options options;
  options.markdown = true;
  vornix::Session session(options);
  session.draw("$\\def\\a{x}$\n");
  EXPECT_EQ("\\a\n", session.draw("$\\a$\n").text);
}

// A file of definitions: over several lines, with comments; a fault is
// reported with its line and column, and leaves every input undrawn.
TEST(LatexMacros, FileOfDefinitions) {
  const char* file =
      "% the book's macros\n"
      "\\newcommand{\\ds}{\\displaystyle} % styles are nothing\n"
      "\\newcommand{\\norm}[1]{\n"
      "  \\left\\| #1 \\right\\|}\n"
      "\\DeclareMathOperator{\\sech}{sech}\n"
      "\\newcommand{\\cut}[1]\n"
      "\\def\\pct{50\\%}\n";
  std::string message;
  EXPECT_TRUE(vornix::check_macros(file, &message)) << message;
  EXPECT_EQ(Latex("\\left\\| x \\right\\| + \\operatorname{sech} y + 50\\%"),
            Latex("\\ds\\norm{x} + \\sech y + \\cut{z}\\pct", file));

  struct {
    const char* text;
    const char* message;
  } faults[] = {
      {"\\def\\a{1}\n  x", "line 2, column 3: not a definition"},
      {"\\def\\a{1}\n\\newcommand{\\b}[1]{#2}",
       "line 2, column 1: illegal parameter number in the definition of \\b"},
      {"\\newcommand{\\a}{\n\n  1", "line 1, column 16: unbalanced {"},
      {"% a\n\\def\\a{é}\\newcommand{é}{1}", "line 2, column 21: \\newcommand needs a \\name to define"},
      {"\\newcommand\\a", "line 1, column 1: \\newcommand needs a body"},
  };
  for (const auto& f : faults) {
    EXPECT_FALSE(vornix::check_macros(f.text, &message)) << f.text;
    EXPECT_EQ(f.message, message) << f.text;
    vornix::Result r = Draw("x", f.text);
    EXPECT_EQ(std::string("macros: ") + f.message + "\n", r.text);
    EXPECT_EQ(vornix::Status::input, r.status);
  }
  // The linear language has no macros to fail.
  vornix::Options options;
  options.macros = faults[0].text;
  EXPECT_EQ(vornix::Status::ok, vornix::Session(options).draw("x").status);
}

}  // namespace
