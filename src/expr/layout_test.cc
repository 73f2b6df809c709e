// The layout record that renders write for fitting: every placement it
// holds tells where the child's own drawing stands in its parent's, and
// where the sign between two operands is.
#include "expr/layout.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "expr/expr.h"
#include "expr/glyphs.h"
#include "language/language.h"

namespace {

class Trees : public Listener {
 public:
  void statement(Owned<> tree, int) override { trees.push_back(std::move(tree)); }
  void empty_statement(int) override {}
  void error(Status, std::string_view message, int, int) override {
    ADD_FAILURE() << message;
  }
  std::vector<Owned<>> trees;
};

// The parsers own the memory of their trees, and outlive them.
Parser parser;
LatexParser latex_parser;

Owned<> Parse(const std::string& text, bool latex) {
  Trees trees;
  TextSource source(text);
  if (latex) {
    latex_parser.parse(source, trees);
  } else {
    parser.parse(source, trees);
  }
  EXPECT_EQ(trees.trees.size(), 1u) << text;
  return trees.trees.empty() ? nullptr : std::move(trees.trees[0]);
}

// Whether `part` stands in `whole` with its first column at col, row for
// row (blank cells of the part may hold anything).
bool Holds(const Canvas& whole, const Canvas& part, int col) {
  for (int r = part.first_row(); r < part.first_row() + part.nrows(); ++r) {
    std::string_view text = part[r].text();
    bool inside = r >= whole.first_row() && r < whole.first_row() + whole.nrows();
    std::string_view there = inside ? whole[r].text() : std::string_view{};
    for (size_t k = 0; k < text.size(); ++k) {
      if (text[k] == ' ') continue;
      size_t c = static_cast<size_t>(col) + k;
      if (c >= there.size() || there[c] != text[k]) return false;
    }
  }
  return true;
}

// Checks the placement of node, drawn at column col of `whole`, and of
// every node under it that the record places; counts the placements seen.
void CheckPlaced(const Canvas& whole, const Expression& node, int col,
                 const LayoutRecord& record, CanvasPool& pool, const Style& style, int& seen) {
  const Placement* p = record.find(node);
  if (p == nullptr) return;
  ++seen;
  for (const PlacedPart* part : {&p->first, &p->second}) {
    if (part->node == nullptr) continue;
    int at = col + part->col;
    pool.reset_budget();
    CanvasRef alone = part->node->render(RenderContext{pool, style});
    int inside = part->bracketed ? at + 1 : at;
    EXPECT_EQ(part->width, alone->extent().width + (part->bracketed ? 2 : 0));
    EXPECT_TRUE(Holds(whole, *alone, inside)) << "a child placed at column " << inside;
    CheckPlaced(whole, *part->node, inside, record, pool, style, seen);
  }
  if (p->joint == Joint::none) return;
  // The sign, or the blank between factors, stands between the operands.
  int sign = col + p->sign_col;
  EXPECT_EQ(col + p->first.col + p->first.width, sign - (p->sign_width == 0 ? 0 : 1));
  EXPECT_EQ(sign + (p->sign_width == 0 ? 1 : p->sign_width + 1), col + p->second.col);
  std::string_view baseline = whole[0].text();
  for (int c = sign; c < sign + p->sign_width; ++c) {
    EXPECT_NE(baseline.at(static_cast<size_t>(c)), ' ') << "sign column " << c;
  }
}

TEST(LayoutRecord, PlacementsTellWhereEachChildStands) {
  struct Case {
    const char* text;
    bool latex;
    int placements;  // nodes that place a child on the baseline; LaTeX's
                     // brackets are nodes of their own
  };
  const Case kCases[] = {
      {"a + b - (c + d) = e", false, 4},
      {"x >= y*(a + b) < 3", false, 4},
      {"-(a + b) + -x", false, 4},
      {"(a + b)! + ~(a + b) + abs(a + b)", false, 8},
      {"(a + b)^2 + sin(a + b) + f(a + b) + g(a, b)", false, 9},
      {"int(a + b, x) + int(a/b + c, x = 0 .. 1)", false, 5},
      {"int(int(a + b, x), y)", false, 3},
      {"sum(a + b, k = 1 .. n) + sum(k, k) + lim(a + b, x -> 0)", false, 7},
      {"a \\ne b \\times (c + d) \\pm e", true, 5},
      {"\\left[ a + b \\right) + \\left\\{ c \\right\\}", true, 4},
      {"\\pm (a + b)", true, 3},
  };
  CanvasPool pool;
  for (const GlyphSet* glyphs : {&kAsciiGlyphs, &kUnicodeGlyphs}) {
    Style style;
    style.glyphs = glyphs;
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(c.text) + (glyphs == &kAsciiGlyphs ? " in ASCII" : " in Unicode"));
      Owned<> tree = Parse(c.text, c.latex);
      ASSERT_NE(tree, nullptr);
      LayoutRecord record;
      pool.reset_budget();
      CanvasRef whole = tree->render(RenderContext{pool, style, &record});
      // The record changes nothing in the drawing.
      pool.reset_budget();
      std::string plain;
      std::string recorded;
      tree->render(RenderContext{pool, style})->append_to(plain);
      whole->append_to(recorded);
      EXPECT_EQ(plain, recorded);
      int seen = 0;
      CheckPlaced(*whole, *tree, 0, record, pool, style, seen);
      EXPECT_EQ(seen, c.placements);
    }
  }
}

}  // namespace
