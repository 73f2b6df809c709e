#include "canvas/canvas.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// The pool of every canvas of these tests; a drawing budget that each test
// that measures it resets.
CanvasPool pool;

std::string Print(const Canvas& canvas) {
  std::ostringstream out;
  out << canvas;
  return out.str();
}

void Expect(const Canvas& canvas, const Extent& want) {
  Extent got = canvas.extent();
  EXPECT_EQ(want.height, got.height);
  EXPECT_EQ(want.width, got.width);
  EXPECT_EQ(want.ascent, got.ascent);
  EXPECT_EQ(want.descent, got.descent);
}

// Rows -1 to 1:  a / -- / bc
CanvasRef ThreeRowSource() {
  CanvasRef s(pool);
  s->put_text("a", -1, 0);
  s->put_text("--", 0, 0);
  s->put_text("bc", 1, 0);
  return s;
}

TEST(Canvas, FreshCanvasIsOneEmptyRow) {
  CanvasRef c(pool);
  Expect(*c, {1, 0, 0, 0});
  EXPECT_EQ("\n", Print(*c));
}

TEST(Canvas, WritesBeyondTheEdgesGrowTheCanvas) {
  CanvasRef c(pool);
  c->put_text("ab", 0, 0);
  (*c)[0][5] = 'z';
  (*c)[-2][3] = 'Q';
  Expect(*c, {3, 6, 2, 0});
  EXPECT_EQ(
"   Q\n"
"\n"
"ab   z\n", Print(*c));
}

TEST(Canvas, PasteAlignments) {
  struct {
    Alignment align;
    int first_row;
    const char* drawing;
  } cases[] = {
      {ALIGN_BOTTOM, -2,
"    a\n"
"    --\n"
"x = bc\n"},
      {ALIGN_TOP, 0,
"x = a\n"
"    --\n"
"    bc\n"},
      {ALIGN_BASELINE, -1,
"    a\n"
"x = --\n"
"    bc\n"},
  };
  for (const auto& test : cases) {
    CanvasRef target(pool);
    target->put_text("x = ", 0, 0);
    target->paste(*ThreeRowSource(), 0, 4, test.align);
    EXPECT_EQ(test.first_row, target->first_row()) << test.align;
    EXPECT_EQ(test.drawing, Print(*target)) << test.align;
  }
}

TEST(Canvas, PastedBlanksOverwriteAndTheRestStays) {
  CanvasRef target(pool);
  target->put_text("abcdef", 0, 0);
  CanvasRef source(pool);
  source->put_text(" X", 0, 0);
  target->paste(*source, 0, 1, ALIGN_BASELINE);
  EXPECT_EQ("a Xdef\n", Print(*target));
}

TEST(Canvas, PastingEmptyRowsStillCreatesThem) {
  CanvasRef source(pool);
  source->put_text("q", 0, 0);
  (*source)[2];
  CanvasRef target(pool);
  target->put_text("abc", 0, 0);
  target->paste(*source, 0, 5, ALIGN_TOP);
  Expect(*target, {3, 6, 0, 2});
  EXPECT_EQ("abc  q\n\n\n", Print(*target));
}

constexpr BracketShape kRoundBrackets{{'(', '/', '|', '\\', '|'}, {')', '\\', '|', '/', '|'}};
constexpr BracketShape kBars{{'|', '|', '|', '|', '|'}, {'|', '|', '|', '|', '|'}};
constexpr BracketShape kUnicodeRoundBrackets{
    {'(', glyph("⎛"), glyph("⎜"), glyph("⎝"), glyph("⎜")},
    {')', glyph("⎞"), glyph("⎟"), glyph("⎠"), glyph("⎟")}};
constexpr BracketShape kUnicodeBars{{glyph("│"), glyph("│"), glyph("│"), glyph("│"), glyph("│")},
                                    {glyph("│"), glyph("│"), glyph("│"), glyph("│"), glyph("│")}};
// No piece between: the sides lean to the point.
constexpr BracketShape kAngles{{'<', '/', '<', '\\', 0}, {'>', '\\', '>', '/', 0}};

TEST(Canvas, PasteBracketed) {
  CanvasRef one_row(pool);
  one_row->put_text("a+b", 0, 0);
  CanvasRef c1(pool);
  c1->paste_bracketed(*one_row, 0, 0, true, kRoundBrackets);
  EXPECT_EQ("(a+b)\n", Print(*c1));

  CanvasRef c3(pool);
  c3->paste_bracketed(*ThreeRowSource(), 0, 0, true, kRoundBrackets);
  c3->put_text(" + 1", 0, 4);
  EXPECT_EQ(
"/a \\\n"
"|--| + 1\n"
"\\bc/\n", Print(*c3));

  // The closing bracket follows the widest row, not the row it stands on.
  CanvasRef four_rows(pool);
  four_rows->put_text("1", -1, 0);
  four_rows->put_text("x", 0, 0);
  four_rows->put_text("-", 1, 0);
  four_rows->put_text("y", 2, 0);
  CanvasRef c4(pool);
  c4->paste_bracketed(*four_rows, 0, 0, true, kRoundBrackets);
  EXPECT_EQ(
"/1\\\n"
"|x|\n"
"|-|\n"
"\\y/\n", Print(*c4));

  // Two rows: corners only, no bars.
  CanvasRef two_rows(pool);
  two_rows->put_text(" 2", -1, 0);
  two_rows->put_text("x", 0, 0);
  CanvasRef c2(pool);
  c2->put_text("y", 0, 0);
  c2->paste_bracketed(*two_rows, 0, 1, true, kRoundBrackets);
  EXPECT_EQ(
" / 2\\\n"
"y\\x /\n", Print(*c2));

  CanvasRef plain(pool);
  plain->paste_bracketed(*one_row, 0, 2, false, kRoundBrackets);
  EXPECT_EQ("  a+b\n", Print(*plain));
}

std::string PrintGlyphs(const Canvas& canvas) {
  std::string out;
  canvas.append_to(out, true);
  return out;
}

// Brackets of every height in each shape, drawn over rows 0 to n - 1 in
// columns 0 and 2, around a column of x that reaches only the middle.
TEST(Canvas, BracketShapes) {
  struct {
    const BracketShape& shape;
    int n;
    const char* drawing;
  } cases[] = {
      {kRoundBrackets, 1, "(x)\n"},
      {kRoundBrackets, 2, "/x\\\n\\x/\n"},
      {kRoundBrackets, 3, "/x\\\n|x|\n\\x/\n"},
      {kBars, 1, "|x|\n"},
      {kBars, 3, "|x|\n|x|\n|x|\n"},
      {kUnicodeRoundBrackets, 1, "(x)\n"},
      {kUnicodeRoundBrackets, 2, "⎛x⎞\n⎝x⎠\n"},
      {kUnicodeRoundBrackets, 4, "⎛x⎞\n⎜x⎟\n⎜x⎟\n⎝x⎠\n"},
      {kUnicodeBars, 1, "│x│\n"},
      {kUnicodeBars, 2, "│x│\n│x│\n"},
      {kAngles, 1, "<x>\n"},
      {kAngles, 5, "/x\\\n/x\\\n<x>\n\\x/\n\\x/\n"},
  };
  for (const auto& test : cases) {
    CanvasRef c(pool);
    c->vertical_line(0, 1, test.n, 'x');
    c->brackets(0, 0, 2, test.n, test.shape);
    EXPECT_EQ(test.drawing, PrintGlyphs(*c)) << test.n;
  }
}

TEST(Canvas, VerticalLineAddsTheRowsItNeeds) {
  CanvasRef c(pool);
  c->vertical_line(-2, 3, 4, '|');
  c->vertical_line(5, 0, 0, '|');
  Expect(*c, {4, 4, 2, 1});
  EXPECT_EQ("   |\n   |\n   |\n   |\n", Print(*c));
}

// Glyph texts written in UTF-8 in the source become one byte a character,
// and come back as the same UTF-8 on output.
TEST(Glyphs, TextsRoundTrip) {
  constexpr GlyphText text("a─┬─b ⎛π");
  static_assert(text.size() == 8);
  static_assert(glyph("─") == static_cast<char>(GLYPH_BAR));
  static_assert(glyph("┬") == static_cast<char>(GLYPH_DOWN_HORIZONTAL));
  static_assert(glyph("x") == 'x');
  CanvasRef c(pool);
  c->put_rows(std::initializer_list<std::string_view>{text, "x"}, 0, 0);
  EXPECT_EQ("a─┬─b ⎛π\nx\n", PrintGlyphs(*c));
  const std::string cells{'a', glyph("─"), glyph("┬"), glyph("─"), 'b', ' ', glyph("⎛"), glyph("π")};
  EXPECT_EQ(cells + "\nx\n", Print(*c));
}

TEST(Canvas, EmptyTextStillFillsTheGap) {
  CanvasRef c(pool);
  c->put_text("", 0, 3);
  EXPECT_EQ("   \n", Print(*c));
  c->fill(0, 5, 0, '_');
  EXPECT_EQ("   \n", Print(*c));
}

// A row's text keeps what was written through gaps, overwrites, growth
// past its first storage and the move of every row when rows are added
// above beyond the spare ones.
TEST(Canvas, RowTextThroughGapsOverwritesAndMoves) {
  CanvasRef c(pool);
  c->put_text("ab", 0, 0);
  c->put_text("e", 0, 4);
  c->put_text("XYZ", 0, 1);
  (*c)[0][7] = 'q';
  EXPECT_EQ("aXYZe  q", (*c)[0].text());
  c->put_text("", 1, 2);
  c->put_text("s", 1, 0);
  EXPECT_EQ("s ", (*c)[1].text());
  const std::string long_text(70, 'l');
  c->put_text(long_text, 0, 2);
  (*c)[-9][1] = 't';
  c->fill(-1, 3, 2, '_');
  EXPECT_EQ("aX" + long_text, (*c)[0].text());
  EXPECT_EQ(" t", (*c)[-9].text());
  EXPECT_EQ("   __", (*c)[-1].text());
  EXPECT_EQ("s ", (*c)[1].text());
  Expect(*c, {11, 72, 9, 1});
}

// Short texts and gaps are copied by pieces that overlap; every length
// across the bounds of those pieces must land whole, touching no byte
// beside it.
TEST(Canvas, TextsAndGapsOfEveryShortLength) {
  const std::string letters = "abcdefghijklmnopqrstuvwxyz";
  for (size_t n = 0; n <= letters.size(); ++n) {
    CanvasRef c(pool);
    c->put_text("<", 0, 0);
    c->put_text(std::string_view(letters).substr(0, n), 0, static_cast<int>(n) + 1);
    c->put_text(">", 0, 2 * static_cast<int>(n) + 1);
    c->fill(1, 1, static_cast<int>(n), '_');
    c->put_text("|", 1, static_cast<int>(n) + 1);
    EXPECT_EQ("<" + std::string(n, ' ') + letters.substr(0, n) + ">", (*c)[0].text()) << n;
    EXPECT_EQ(" " + std::string(n, '_') + "|", (*c)[1].text()) << n;
  }
}

// Text written in place of a pasted canvas of one row reads and counts
// the same, so that a drawing is too large exactly where it was.
TEST(DrawingBudget, FlatTextCountsWhatItsCanvasWouldHold) {
  for (std::string_view text : {"", "x", "abc"}) {
    CanvasPool pasting, writing;
    CanvasRef pasted(pasting);
    pasted->put_text("a + ", 0, 0);
    {
      CanvasRef child(pasting);
      child->put_text(text, 0, 0);
      pasted->paste(*child, 1, 6, ALIGN_TOP);
    }
    CanvasRef written(writing);
    written->put_text("a + ", 0, 0);
    written->put_flat(text, 1, 6);
    EXPECT_EQ(Print(*pasted), Print(*written)) << text;
    EXPECT_EQ(pasting.drawing_size(), writing.drawing_size()) << text;
  }
}

TEST(DrawingBudget, StartingARowCountsWhatWritingItWould) {
  for (std::string_view text : {"", "x", "abc", "a longer text than most rows"}) {
    CanvasPool writing, starting;
    CanvasRef written(writing);
    written->put_text(text, 0, 0);
    CanvasRef started(starting);
    started->start_with(text);
    EXPECT_EQ(Print(*written), Print(*started)) << text;
    Expect(*started, written->extent());
    EXPECT_EQ(writing.drawing_size(), starting.drawing_size()) << text;
  }
}

TEST(Canvas, CenterBaselinePicksTheLowerMiddleRow) {
  for (int n = 1; n <= 5; ++n) {
    CanvasRef c(pool);
    c->put_text("x", n - 1, 0);
    c->center_baseline();
    EXPECT_EQ(-(n / 2), c->first_row()) << n;
    EXPECT_EQ(n, c->nrows());
  }
}

TEST(CanvasRef, SharesAndReleasesOnce) {
  CanvasRef a(pool);
  {
    CanvasRef b = a;
    EXPECT_EQ(2, a.share_count());
    CanvasRef c(pool);
    c = b;
    EXPECT_EQ(3, a.share_count());
    c = c;
    EXPECT_EQ(3, a.share_count());
    EXPECT_EQ(a.get(), c.get());
  }
  EXPECT_EQ(1, a.share_count());
}

TEST(CanvasRef, ReusesAReleasedCanvasFromItsOwnPool) {
  CanvasPool own;
  Canvas* first;
  {
    CanvasRef c(own);
    c->put_text(std::string(300, 'l'), 1, 0);
    c->put_text("abc", 2, 0);
    first = c.get();
  }
  CanvasRef again(own);
  EXPECT_EQ(first, again.get());
  // It comes back as a fresh canvas, and the rows it kept come back
  // empty, long or short, whether rows are added below or above.
  Expect(*again, {1, 0, 0, 0});
  again->put_text("x", 3, 1);
  again->put_text("y", -1, 0);
  EXPECT_EQ("y\n\n\n\n x\n", Print(*again));
  CanvasRef other(pool);
  EXPECT_NE(first, other.get());
}

// Rows added above a reused canvas come from the emptied rows that it
// kept below, which still hold their old text; what shows and what is
// counted is as on a new canvas.
TEST(CanvasRef, RowsAddedAboveAReusedCanvasComeBackEmpty) {
  CanvasPool reusing, fresh;
  {
    CanvasRef c(reusing);
    for (int i = 0; i < 12; ++i) c->put_text("old row " + std::to_string(i), i, 0);
  }
  reusing.reset_budget();
  auto draw = [](CanvasPool& p) {
    CanvasRef c(p);
    c->put_text("a", 0, 2);
    c->put_text("b", -5, 0);
    c->put_text("c", -9, 1);
    c->put_text("d", 2, 0);
    (*c)[-10][3] = 'e';
    return Print(*c);
  };
  std::string reused = draw(reusing);
  EXPECT_EQ("   e\n c\n\n\n\nb\n\n\n\n\n  a\n\nd\n", reused);
  EXPECT_EQ(draw(fresh), reused);
  EXPECT_EQ(fresh.drawing_size(), reusing.drawing_size());
}

TEST(DrawingBudget, StopsADrawingThatGrowsTooLarge) {
  pool.reset_budget();
  CanvasRef c(pool);
  EXPECT_NO_THROW(c->fill(0, 0, 1000, 'x'));
  EXPECT_THROW((*c)[0][static_cast<int>(kDrawingLimit)] = 'y', DrawingTooLarge);
  pool.reset_budget();
  // Each row counts at least one character, so many empty rows are too large.
  CanvasRef tall(pool);
  EXPECT_THROW((*tall)[static_cast<int>(kDrawingLimit) + 1], DrawingTooLarge);
  pool.reset_budget();
}

#ifdef VORNIX_ADDRESS_SANITIZER
// Released canvases wait in their pool for reuse, poisoned: a use of one
// through a stale pointer is still caught.
TEST(CanvasPoolDeathTest, ASpareCanvasIsPoisoned) {
  EXPECT_DEATH(
      {
        CanvasPool own;
        Canvas* stale;
        {
          CanvasRef c(own);
          stale = c.get();
        }
        std::printf("%d\n", stale->nrows());
      },
      "use-after-poison");
}
#endif

}  // namespace

