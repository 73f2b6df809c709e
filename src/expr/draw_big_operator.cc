// Sums, products and integrals: big signs with their variable, range or
// bounds, then the body.
#include <algorithm>

#include "expr/drawing.h"

void SumSymbol::draw(Canvas& canvas, int r, int c, const Style& style) const {
  canvas.put_rows(style.glyphs->sum.rows, r - 2, c);
}

void ProductSymbol::draw(Canvas& canvas, int r, int c, const Style& style) const {
  canvas.put_rows(style.glyphs->product.rows, r - 2, c);
}

CanvasRef Sum::render(const RenderContext& cx) const { return render_with_symbol(cx, SumSymbol()); }
CanvasRef Product::render(const RenderContext& cx) const { return render_with_symbol(cx, ProductSymbol()); }
CanvasRef SumOverInterval::render(const RenderContext& cx) const { return render_with_symbol(cx, SumSymbol()); }
CanvasRef ProductOverInterval::render(const RenderContext& cx) const {
  return render_with_symbol(cx, ProductSymbol());
}

// The body follows one blank after the widest row of the sign and its
// variable or range.
CanvasRef SumOrProduct::render_with_symbol(const RenderContext& cx, const OpSymbol& symbol) const {
  CanvasRef c = render_sign(cx, symbol);
  int sign_width = c->extent().width;
  c->paste_bracketed(*body->render(cx), 0, sign_width + 1, body->needs_parens(), cx.style.parens());
  return c;
}

// The variable is centred under the sign's middle column; a wide one moves
// the sign right.
CanvasRef SumOrProduct::render_sign(const RenderContext& cx, const OpSymbol& symbol) const {
  CanvasRef c = cx.canvas();
  CanvasRef var = variable->render(cx);
  int h = var->extent().width / 2;
  int col = std::max(h - 2, 0);
  symbol.draw(*c, 0, col, cx.style);
  c->paste(*var, 3, col + 2 - h, ALIGN_TOP);
  return c;
}

// The range "variable = lower" under the sign and the upper bound over it,
// both centred on the sign's middle column:
//   n + 100
//    =====
//     | |
//     | |
//     | |
//     | |
//    k = 1
CanvasRef SumOrProductOverInterval::render_sign(const RenderContext& cx, const OpSymbol& symbol) const {
  CanvasRef c = cx.canvas();
  CanvasRef var = variable->render(cx);
  CanvasRef low = lower->render(cx);
  CanvasRef up = upper->render(cx);
  Extent v = var->extent();
  Extent l = low->extent();
  int up_width = up->extent().width;
  int n = v.width + l.width + 3;
  int col = std::max(std::max(n, up_width) / 2 - 2, 0);
  symbol.draw(*c, 0, col, cx.style);
  int b = 3 + std::max(v.ascent, l.ascent);
  int s = col + 2 - n / 2;
  c->paste(*var, b, s, ALIGN_BASELINE);
  (*c)[b][s + v.width + 1] = '=';
  c->paste(*low, b, s + v.width + 3, ALIGN_BASELINE);
  c->paste(*up, -3, col + 2 - up_width / 2, ALIGN_BOTTOM);
  return c;
}

namespace {

// A sign of the symbol table, one row high: \bigcup as its cup.
class RowSymbol : public OpSymbol {
 public:
  explicit RowSymbol(Sign sign) : sign_(sign) {}
  void draw(Canvas& canvas, int r, int c, const Style& style) const override {
    put_sign(style, canvas, sign_, r, c);
  }

 private:
  Sign sign_;
};

}  // namespace

CanvasRef ScriptedBigOperator::render(const RenderContext& cx) const {
  return render_with_symbol(cx, SumSymbol());
}

// Each script centred on the sign's middle column, under and over it; a
// wide one moves the sign right:
//   =====       U
//   \          i in I
//    >
//   /
//   =====
//   i < j
CanvasRef ScriptedBigOperator::render_sign(const RenderContext& cx, const OpSymbol&) const {
  CanvasRef sign = cx.canvas();
  if (shape == sum) {
    SumSymbol().draw(*sign, 0, 0, cx.style);
  } else if (shape == product) {
    ProductSymbol().draw(*sign, 0, 0, cx.style);
  } else {
    RowSymbol(this->sign).draw(*sign, 0, 0, cx.style);
  }
  Extent s = sign->extent();
  CanvasRef low = variable ? variable->render(cx) : cx.canvas();
  CanvasRef up = upper ? upper->render(cx) : cx.canvas();
  int middle = std::max({s.width / 2, low->extent().width / 2, up->extent().width / 2});
  CanvasRef c = cx.canvas();
  c->paste(*sign, 0, middle - s.width / 2, ALIGN_BASELINE);
  if (variable) c->paste(*low, s.descent + 1, middle - low->extent().width / 2, ALIGN_TOP);
  if (upper) c->paste(*up, -s.ascent - 1, middle - up->extent().width / 2, ALIGN_BOTTOM);
  return c;
}

// Three columns in ASCII, one in Unicode, as tall in both:
//   /      ⌠
//  |       ⎮
//  |       ⎮
//  |       ⎮
// /        ⌡
void Integral::draw_sign(Canvas& canvas, int r, int c, SignSpan span, const Style& style) {
  const IntegralSign& sign = style.glyphs->integral;
  canvas[r - span.above - 1][c + sign.top_col] = sign.top;
  canvas.vertical_line(r - span.above, c + sign.middle_col, span.above + span.below + 1, sign.middle);
  canvas[r + span.below + 1][c + sign.bottom_col] = sign.bottom;
}

// A sign that fits its body has its top on the integrand's top row and its
// foot on the bottom one, or just beyond a row that the integrand lacks:
//   ⌠         ⌠   1
//   ⎮ x dx    ⎮ ──── dx
//   ⌡         ⎮ ╲╱x
//             ⌡
SignSpan Integral::sign_span(const Style& style, const Extent& e) {
  if (style.glyphs->integral.fits_body) {
    return {std::max(e.ascent, 1) - 1, std::max(e.descent, 1) - 1};
  }
  int k = std::max(std::max(e.ascent, e.descent), 1);
  return {k, k};
}

CanvasRef Integral::render_sign(const RenderContext& cx, SignSpan span) const {
  CanvasRef c = cx.canvas();
  draw_sign(*c, 0, 0, span, cx.style);
  return c;
}

// The bounds under and over the sign: in ASCII the lower one under its
// middle column and the upper one after its top, in Unicode both from its
// column.
CanvasRef IntegralOnInterval::render_sign(const RenderContext& cx, SignSpan span) const {
  CanvasRef c = cx.canvas();
  const IntegralSign& sign = cx.style.glyphs->integral;
  draw_sign(*c, 0, 0, span, cx.style);
  // A bound that LaTeX leaves out is null.
  if (lower) c->paste(*lower->render(cx), span.below + 2, sign.lower_col, ALIGN_TOP);
  if (upper) c->paste(*upper->render(cx), -span.above - 2, sign.upper_col, ALIGN_BOTTOM);
  return c;
}

CanvasRef Integral::render(const RenderContext& cx) const {
  SignSpan span;
  return render_nested(cx, span);
}

// The body stands right of the sign, after a blank on its rows (an inner
// integral after the outer sign's bounds), then 'd' and the variable:
//    1    b        1 b
//   /    /         ⌠ ⌠
//  |    |          ⎮ ⎮
//  |    | f dx dy  ⎮ ⎮ f dx dy
//  |    |          ⎮ ⎮
// /    /           ⌡ ⌡
//  0    a          0 a
CanvasRef Integral::render_nested(const RenderContext& cx, SignSpan& span) const {
  auto inner = dynamic_cast<const Integral*>(body.get());
  CanvasRef integrand = inner ? inner->render_nested(cx, span) : body->render(cx);
  if (!inner) span = sign_span(cx.style, integrand->extent());
  CanvasRef c = render_sign(cx, span);
  int sign_width = c->extent().width;
  int col = inner ? sign_width + 1 : cx.style.glyphs->integral.body_col;
  // Without a differential, nothing ends the integrand but the formula:
  // it is drawn as written.
  bool brackets = body->needs_parens() && variable;
  c->paste_bracketed(*integrand, 0, col, brackets, cx.style.parens());
  // An integral written without its differential draws none.
  if (!variable) return c;
  int d = col + integrand->extent().width + (brackets ? 2 : 0) + 1;
  (*c)[0][d] = 'd';
  c->paste_bracketed(*variable->render(cx), 0, d + 1, variable->needs_parens(), cx.style.parens());
  return c;
}
