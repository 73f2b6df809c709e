#include "markdown/markdown.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "api/vornix.hpp"

namespace {

// Writes each inline formula as [tex] and each display formula as the rows
// <tex> and ==; "bad" does not draw.
class Marks : public markdown::Formulas {
 public:
  bool display(std::string_view tex, int width, markdown::Place at,
               std::vector<std::string>& rows) override {
    if (tex.find("bad") != std::string_view::npos) return false;
    widths.push_back(width);
    places.push_back(at);
    rows = {"<" + std::string(tex) + ">", "=="};
    return true;
  }
  bool inline_math(std::string_view tex, markdown::Place at, std::string& row) override {
    if (tex.find("bad") != std::string_view::npos) return false;
    places.push_back(at);
    row = "[" + std::string(tex) + "]";
    return true;
  }
  void write(std::string_view bytes) override { out.append(bytes); }

  std::string out;
  std::vector<int> widths;
  std::vector<markdown::Place> places;
};

std::string Scan(std::string_view text, int width = 0, size_t piece = 0) {
  Marks marks;
  markdown::Scanner scanner(marks, width);
  if (piece == 0) piece = text.size() + 1;
  for (size_t i = 0; i < text.size(); i += piece) scanner.feed(text.substr(i, piece));
  scanner.finish();
  return marks.out;
}

struct Case {
  const char* text;
  const char* scanned;
};

// Inline spans: what opens and closes them, and what is only text.
TEST(Markdown, InlineSpans) {
  const Case cases[] = {
      {"a $x$ b\n", "a [x] b\n"},
      {"$x^2$\n", "[x^2]\n"},
      // Prices: a blank before the closing dollar is no span.
      {"$5 and $10\n", "$5 and $10\n"},
      {"$ x$ and $x $\n", "$ x$ and $x $\n"},
      // A digit after the closing dollar: no span either.
      {"$x$5\n", "$x$5\n"},
      {"$x$-th\n", "[x]-th\n"},
      {"\\$x\\$ and \\\\$y$\n", "\\$x\\$ and \\\\[y]\n"},
      {"$a\\$b$\n", "[a\\$b]\n"},
      {"$\\text{a $b$ c}$\n", "[\\text{a $b$ c}]\n"},
      {"\\(a + b\\) and \\(c\\)\n", "[a + b] and [c]\n"},
      {"$`a $ b`$\n", "[a $ b]\n"},
      {"a $b\nc$ d\n", "a [b c] d\n"},
      // An empty line ends every span.
      {"a $b\n\nc$ d\n", "a $b\n\nc$ d\n"},
      {"$x", "$x"},
      {"end $x$", "end [x]"},
      {"a lone $ sign\n", "a lone $ sign\n"},
      {"$bad$ stays\n", "$bad$ stays\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.scanned, Scan(c.text)) << c.text;
}

// Code is never math, whatever it holds.
TEST(Markdown, Code) {
  const Case cases[] = {
      {"`$x$` and $y$\n", "`$x$` and [y]\n"},
      {"``a ` $x$`` $y$\n", "``a ` $x$`` [y]\n"},
      // Backticks that never close are text, and math after them counts.
      {"`a $x$\n", "`a [x]\n"},
      {"```\n$x$\n```\n$y$\n", "```\n$x$\n```\n[y]\n"},
      {"~~~~ tex\n$x$\n~~~\n$y$\n~~~~\n", "~~~~ tex\n$x$\n~~~\n$y$\n~~~~\n"},
      {"    $x$ indented\n", "    $x$ indented\n"},
      // A paragraph's next line is no code, however far it is indented.
      {"a\n    $x$\n", "a\n    [x]\n"},
      {"<div>\n$x$\n</div>\n\n$y$\n", "<div>\n$x$\n</div>\n\n[y]\n"},
      {"<!-- $x$\n\n$y$ -->\n$z$\n", "<!-- $x$\n\n$y$ -->\n[z]\n"},
      {"> ```\n> $x$\n\n$y$\n", "> ```\n> $x$\n\n[y]\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.scanned, Scan(c.text)) << c.text;
}

// A display formula is a block of its own, behind its container's prefix,
// with an empty line before and after where the text has none.
TEST(Markdown, DisplayBlocks) {
  const Case cases[] = {
      {"$$x$$\n", "<x>\n==\n"},
      {"a\n$$x$$\nb\n", "a\n\n<x>\n==\n\nb\n"},
      {"a $$x$$ b\n", "a \n\n<x>\n==\n\n b\n"},
      {"a\n\n$$\nx +\ny\n$$\n\nb\n", "a\n\n< x + y >\n==\n\nb\n"},
      {"\\[x\\]\n", "<x>\n==\n"},
      {"> q\n> $$x$$\n", "> q\n> \n> <x>\n> ==\n"},
      {"> $$a\n> b$$\n", "> <a b>\n> ==\n"},
      {"- item\n\n  $$x$$\n", "- item\n\n  <x>\n  ==\n"},
      {"1. $$x$$\n", "1. <x>\n   ==\n"},
      {"```math\nx\n```\n", "<x\n>\n==\n"},
      {"> ```math\n> a\n> ```\nb\n", "> <a\n>\n> ==\n>\nb\n"},
      {"```math\nbad\n```\n", "```math\nbad\n```\n"},
      {"```math\nx\n", "```math\nx\n"},
      {"$$bad$$ b\n", "$$bad$$ b\n"},
      {"$$x\n\ny$$\n", "$$x\n\ny$$\n"},
      {"a $$x", "a $$x"},
      {"$$x$$\r\nb\r\n", "<x>\r\n==\r\n\r\nb\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.scanned, Scan(c.text)) << c.text;
}

// Fed a byte at a time, a document comes out as it does in one piece.
TEST(Markdown, PiecesMakeNoDifference) {
  const char* text =
      "# T\n\na $x$ b $5 and $6\n> $$y\n> z$$\n- `$c$` \\(d\\)\n\n```math\ne\n```\n$f";
  EXPECT_EQ(Scan(text), Scan(text, 0, 1));
  EXPECT_EQ(Scan(text), Scan(text, 0, 3));
}

// Display formulas fit the width less their prefix; each formula's place
// is its opening delimiter's.
TEST(Markdown, WidthAndPlace) {
  Marks marks;
  markdown::Scanner scanner(marks, 40);
  scanner.feed("$$a$$\n> - $$b$$\n\nx\n  y $z$\n");
  scanner.finish();
  EXPECT_EQ((std::vector<int>{40, 36}), marks.widths);
  ASSERT_EQ(3u, marks.places.size());
  EXPECT_EQ(2, marks.places[1].line);
  EXPECT_EQ(4, marks.places[1].column);
  EXPECT_EQ(5, marks.places[2].line);
  EXPECT_EQ(4, marks.places[2].column);
}

// A span held open past the bound is text, and the input after it is
// scanned as usual.
TEST(Markdown, HeldSpansAreBounded) {
  std::string text = "$$" + std::string(markdown::kMaxHeld + 10, 'x') + "\n$y$\n";
  std::string scanned = Scan(text, 0, 4096);
  EXPECT_EQ("$$" + std::string(markdown::kMaxHeld + 10, 'x') + "\n[y]\n", scanned);
}

// Over generated documents, through the library: taking the formulas out
// of the input and their drawings out of the output leaves the same text;
// each display block is what -l draws of its formula, and each inline one
// is one line. The text after each formula starts with a § that no
// drawing holds, so that the output can be cut back into its pieces.
TEST(Markdown, GeneratedDocuments) {
  const std::vector<std::string> formulas = {
      "x^2", "\\frac{a+b}{c-d}", "\\sqrt{x+1}", "\\sum_{k=1}^n k", "\\int_0^1 f(x)\\,dx",
      "x_i", "\\alpha + \\beta", "\\lim_{x \\to 0} \\frac{\\sin x}{x}",
      "\\begin{pmatrix} a & b \\\\ c & d \\end{pmatrix}", "e^{i\\pi}", "\\pi r^2",
      "\\sqrt[3]{\\frac{1}{x}}", "\\left( \\frac{a}{b} \\right)^2"};
  const std::vector<std::string> words = {"the", "prices", "5$", "and", "code", "`$x$`",
                                          "of", "n-th", "\\$", "a,", "$"};
  struct Piece {
    enum { prose, inline_math, display } kind;
    std::string text;
  };
  std::mt19937 random(20);
  for (int width : {0, 24}) {
    for (bool unicode : {false, true}) {
      vornix::Options options;
      options.unicode = unicode;
      options.width = width;
      options.markdown = true;
      vornix::Session document(options);
      options.markdown = false;
      options.latex = true;
      vornix::Session latex(options);
      for (int n = 0; n < 100; ++n) {
        std::vector<Piece> pieces{{Piece::prose, "Start "}};
        for (int k = 1 + static_cast<int>(random() % 12); k > 0; --k) {
          const std::string& f = formulas[random() % formulas.size()];
          bool display = random() % 4 == 0;
          pieces.push_back({display ? Piece::display : Piece::inline_math, f});
          std::string after = display ? "\n\n§" : " §";
          for (int w = static_cast<int>(random() % 5); w > 0; --w)
            after += words[random() % words.size()] + (random() % 5 == 0 ? "\n" : " ");
          pieces.push_back({Piece::prose, after + (random() % 2 == 0 ? "\n\n" : "")});
        }
        std::string input;
        for (const Piece& p : pieces) {
          input += p.kind == Piece::prose ? p.text
                   : p.kind == Piece::display ? "$$" + p.text + "$$"
                                              : "$" + p.text + "$";
        }
        vornix::Result result = document.draw(input);
        ASSERT_TRUE(result.warnings.empty()) << input;
        const std::string& out = result.text;
        size_t at = 0;
        for (size_t i = 0; i < pieces.size(); ++i) {
          const Piece& p = pieces[i];
          if (p.kind == Piece::prose) {
            ASSERT_EQ(p.text, out.substr(at, p.text.size())) << input;
            at += p.text.size();
            continue;
          }
          std::string next = p.kind == Piece::display ? "\n\n§" : " §";
          size_t end = out.find(next, at);
          ASSERT_NE(std::string::npos, end) << input;
          std::string drawn = out.substr(at, end - at);
          at = end;
          if (p.kind == Piece::inline_math) {
            EXPECT_FALSE(drawn.empty()) << p.text;
            EXPECT_EQ(std::string::npos, drawn.find('\n')) << p.text;
            continue;
          }
          // After inline text, the block starts on a line of its own after
          // an empty one.
          if (drawn.compare(0, 3, " \n\n") == 0) drawn.erase(0, 3);
          else if (drawn.compare(0, 2, "\n\n") == 0) drawn.erase(0, 2);
          else if (drawn.compare(0, 1, "\n") == 0) drawn.erase(0, 1);
          std::string rows;
          vornix::Result formula = latex.draw(p.text);
          ASSERT_EQ(1u, formula.drawings.size()) << p.text;
          for (const std::string& row : formula.drawings[0].rows) {
            if (!rows.empty()) rows += "\n";
            rows += row;
          }
          EXPECT_EQ(rows, drawn) << p.text;
        }
        EXPECT_EQ(out.size(), at) << input;
      }
    }
  }
}

}  // namespace
