// Products by juxtaposition and stacked fractions.
#include <algorithm>

#include "expr/drawing.h"

// One blank between the factors, measured from the left factor's full
// width (and its closing bracket). A bare left factor's canvas becomes the
// drawing, so that a long product is not copied at every factor.
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
  c->paste_bracketed(*right->render(cx), 0, col, right->needs_parens(), cx.style.parens());
  return c;
}

// Numerator over a bar as wide as the wider operand, of dashes in ASCII
// and of ─ in Unicode:
//    1
//   --
//   22
CanvasRef Div::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  CanvasRef num = left->render(cx);
  CanvasRef den = right->render(cx);
  int p = num->extent().width;
  int q = den->extent().width;
  int m = std::max(p, q);
  if (centred(m, p) == 0) {
    // The numerator's own canvas becomes the drawing, with an empty row
    // under it renumbered as row 0 for the bar, so that a / b / c / ... is
    // not copied at every level.
    c = num;
    int bar = c->first_row() + c->nrows();
    c->ensure_rows(bar, bar);
    c->renumber(c->first_row() - bar);
  } else {
    c->paste(*num, -1, centred(m, p), ALIGN_BOTTOM);
  }
  c->fill(0, 0, m, cx.style.glyphs->fraction_bar);
  c->paste(*den, 1, centred(m, q), ALIGN_TOP);
  return c;
}

// The number's own canvas with what follows it right after: 2x, 3(a + b).
CanvasRef Juxtaposed::render(const RenderContext& cx) const {
  CanvasRef c = left->render(cx);
  int w = c->extent().width;
  c->paste(*right->render(cx), 0, w, ALIGN_BASELINE);
  return c;
}
