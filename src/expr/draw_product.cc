// Products by juxtaposition and stacked fractions.
#include <algorithm>

#include "expr/drawing.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// One blank between the factors, measured from the left factor's full
// width (and its closing bracket). A bare left factor's canvas becomes the
// drawing, so that a long product is not copied at every factor. Where the
// blank parts two numbers, or parts factors in a matrix's cell, it holds
// the style's product dot, if it has one:
//   2 x     2⋅3     [1  2⋅x]
CanvasRef Mul::render(const RenderContext& cx) const {
  CanvasRef l = left->render(cx);
  int w = l->extent().width;
  bool bracket_left = left->needs_parens();
  CanvasRef c = l;
  if (bracket_left) {
    c = cx.canvas();
    c->paste_bracketed(*l, 0, 0, true, cx.style.parens());
  }
  int col = bracket_left ? w + 3 : w + 1;
  Drawn r(cx, *right);
  bool bracket_right = right->needs_parens();
  char dot = cx.style.glyphs->product_dot;
  if (dot != ' ') {
    std::string_view before = (*c)[0].text();
    std::string_view after = r.baseline();
    bool numbers = !bracket_left && !bracket_right && !before.empty() && !after.empty() &&
                   static_cast<int>(before.size()) == w && is_digit(before.back()) &&
                   is_digit(after.front());
    if (cx.style.in_cell || numbers) (*c)[0][col - 1] = dot;
  }
  r.paste_bracketed_on(*c, 0, col, bracket_right, cx.style.parens());
  if (cx.layout) {
    cx.layout->note(*this, Placement::two(Joint::product, placed(*left, 0, w, bracket_left),
                                          placed(*right, col, r.width(), bracket_right),
                                          col - 1, 0));
  }
  return c;
}

// Numerator over a bar as wide as the wider operand, of dashes in ASCII
// and of ─ in Unicode, of ━ over or under a fraction as wide:
//    1      a      a
//   --      ─      ━
//   22      b      b
//           ━      ─
//           c      c
CanvasRef Div::render(const RenderContext& cx) const {
  Drawn num(cx, *left);
  Drawn den(cx, *right);
  int p = num.width();
  int q = den.width();
  int m = std::max(p, q);
  bool on_numerator = centred(m, p) == 0;
  // A fraction counts a canvas of its own, also when it is drawn on its
  // numerator's.
  if (on_numerator) cx.pool.charge(1);
  CanvasRef c = on_numerator ? num.canvas() : cx.canvas();
  if (on_numerator) {
    // The numerator's own canvas becomes the drawing, with an empty row
    // under it renumbered as row 0 for the bar, so that a / b / c / ... is
    // not copied at every level.
    int bar = c->first_row() + c->nrows();
    c->ensure_rows(bar, bar);
    c->renumber(c->first_row() - bar);
  } else {
    num.paste_on(*c, -1, centred(m, p), ALIGN_BOTTOM);
  }
  // Over or under a fraction as long, this bar is the main one: the
  // style's heavier rule tells it apart.
  auto is_fraction = [](const Expression& side) { return side.category == BINARY && is<Div>(side); };
  const GlyphSet& glyphs = *cx.style.glyphs;
  bool main = (p == m && is_fraction(*left)) || (q == m && is_fraction(*right));
  c->fill(0, 0, m, main ? glyphs.main_bar : glyphs.fraction_bar);
  den.paste_on(*c, 1, centred(m, q), ALIGN_TOP);
  return c;
}

// The number's own canvas with what follows it right after: 2x, 3(a + b).
CanvasRef Juxtaposed::render(const RenderContext& cx) const {
  CanvasRef c = left->render(cx);
  int w = c->extent().width;
  Drawn(cx, *right).paste_on(*c, 0, w, ALIGN_BASELINE);
  return c;
}
