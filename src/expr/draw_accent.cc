// Accents: a mark in a row of its own above the operand (below it for an
// underline and a cedilla), never a combining character, so that every cell stays one
// column wide:
//   ^      ---->    ~~~
//   x      a + b    abc
#include "expr/expr.h"

namespace {

// How a mark is drawn in one glyph set: alone, centred over the operand,
// and spanning it as a run of `fill` ended by `end` (0: nothing apart).
struct MarkPieces {
  GlyphText alone;
  char fill, end;
};

struct MarkRow {
  MarkPieces ascii, unicode;
};

// By enum AccentMark.
constexpr MarkRow kMarks[] = {
    {{"^", '^', 0}, {"^", '^', 0}},                                  // hat
    {{"v", 'v', 0}, {"v", 'v', 0}},                                  // check
    {{"~", '~', 0}, {"~", '~', 0}},                                  // tilde
    {{"->", '-', '>'}, {"→", glyph("─"), glyph("→")}},               // vec
    {{"<-", '-', '<'}, {"←", glyph("─"), glyph("←")}},               // left_arrow
    {{".", '.', 0}, {".", '.', 0}},                                  // dot
    {{"..", '.', 0}, {"..", '.', 0}},                                // ddot
    {{"'", '\'', 0}, {"'", '\'', 0}},                                // acute
    {{"`", '`', 0}, {"`", '`', 0}},                                  // grave
    {{"u", 'u', 0}, {"u", 'u', 0}},                                  // breve
    {{"-", '-', 0}, {"─", glyph("─"), 0}},                       // under_line
    {{",", ',', 0}, {",", ',', 0}},                                  // cedilla
};

}  // namespace

CanvasRef Accent::render(const RenderContext& cx) const {
  CanvasRef c = arg->render(cx);
  Extent e = c->extent();
  const MarkRow& row = kMarks[static_cast<int>(mark)];
  const MarkPieces& pieces = cx.style.glyphs->unicode_symbols ? row.unicode : row.ascii;
  bool below = mark == AccentMark::under_line || mark == AccentMark::cedilla;
  int at = below ? e.descent + 1 : -e.ascent - 1;
  int width = static_cast<std::string_view>(pieces.alone).size();
  if (!wide || e.width <= width) {
    c->put_text(pieces.alone, at, std::max(0, (e.width - width) / 2));
    return c;
  }
  c->fill(at, 0, e.width, pieces.fill);
  if (pieces.end != 0) {
    // An arrow's head ends the run: at its left end for a left arrow.
    (*c)[at][mark == AccentMark::left_arrow ? 0 : e.width - 1] = pieces.end;
  }
  return c;
}
