// Sums, products and integrals: big signs with their variable, range or
// bounds, then the body.
#include <algorithm>

#include "expr/drawing.h"

namespace {

// A sign of five rows: two above its middle one, two below.
constexpr SignSpan kFixedSpan{2, 2};

bool grows(const BigSign& sign, const Style& style) {
  return sign.pieces.size() > 0 && !style.fixed_signs;
}

}  // namespace

// A growing sum's strokes take two rows a column, half of them falling
// and half rising, as deep as the rule's width less one column allows,
// over at least the body's rows; they meet at the top of the body's
// baseline row where the body's rows allow. A body taller than the
// deepest strokes gets upright strokes beyond them. The rules are one row
// beyond all those:
//   _____     _____
//   ╲         ╲
//    ╲         ╲        1
//    ╱    k     ╲   ─────────
//   ╱            ╲        1
//   ‾‾‾‾‾        ╱  1 + ─────
//               ╱           1
//              ╱        1 + ─
//             ╱             k
//             ‾‾‾‾‾
namespace {

struct SumStrokes {
  int depth;  // columns the strokes go deep, and rows of each half
  int top;    // the row of the first falling stroke
};

// The strokes of a growing sum whose rows between its rules are those of
// span less one at either end.
SumStrokes sum_strokes(const BigSign& sign, SignSpan span) {
  int rows = span.above + span.below - 1;
  int depth = std::min(rows / 2, sign.rows[0].size() - 1);
  int top = std::clamp(-depth, -span.above + 1, span.below - 2 * depth);
  return {depth, top};
}

}  // namespace

SignSpan SumSymbol::span(const Style& style, const Extent& e) const {
  const BigSign& sign = style.glyphs->sum;
  if (!grows(sign, style)) return kFixedSpan;
  int rows = e.ascent + e.descent + 1;
  int depth = std::clamp((rows + 1) / 2, 2, sign.rows[0].size() - 1);
  int low = std::min(-e.ascent, e.descent - 2 * depth + 1);
  int high = std::max(-e.ascent, e.descent - 2 * depth + 1);
  int top = std::clamp(-depth, low, high);
  return {-std::min(top, -e.ascent) + 1, std::max(top + 2 * depth - 1, e.descent) + 1};
}

void SumSymbol::draw(Canvas& canvas, int r, int c, SignSpan span, const Style& style) const {
  const BigSign& sign = style.glyphs->sum;
  if (!grows(sign, style)) {
    canvas.put_rows(sign.rows, r - 2, c);
    return;
  }
  std::string_view pieces = sign.pieces;
  int width = sign.rows[0].size();
  canvas.fill(r - span.above, c, width, pieces[0]);
  canvas.fill(r + span.below, c, width, pieces[4]);
  SumStrokes strokes = sum_strokes(sign, span);
  char falling = pieces[1], upright = pieces[2], rising = pieces[3];
  for (int i = 0; i < strokes.depth; ++i) {
    canvas[r + strokes.top + i][c + i] = falling;
    canvas[r + strokes.top + strokes.depth + i][c + strokes.depth - 1 - i] = rising;
  }
  canvas.vertical_line(r - span.above + 1, c, strokes.top + span.above - 1, upright);
  int below_strokes = strokes.top + 2 * strokes.depth;
  canvas.vertical_line(r + below_strokes, c, span.below - below_strokes, upright);
}

// A growing product's bar is one row over the body, its legs down to the
// body's last row; it is never shorter than the sign of five rows.
SignSpan ProductSymbol::span(const Style& style, const Extent& e) const {
  if (!grows(style.glyphs->product, style)) return kFixedSpan;
  return {std::max(e.ascent, 1) + 1, std::max(e.descent, 2)};
}

void ProductSymbol::draw(Canvas& canvas, int r, int c, SignSpan span, const Style& style) const {
  const BigSign& sign = style.glyphs->product;
  if (!grows(sign, style)) {
    canvas.put_rows(sign.rows, r - 2, c);
    return;
  }
  canvas.put_text(sign.rows[0], r - span.above, c);
  for (int i = -span.above + 1; i <= span.below; ++i) canvas.put_text(sign.rows[1], r + i, c);
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
  Drawn drawn(cx, *body);
  CanvasRef c = render_sign(cx, symbol, symbol.span(cx.style, drawn.extent()));
  int sign_width = c->extent().width;
  drawn.paste_bracketed_on(*c, 0, sign_width + 1, body->needs_parens(), cx.style.parens());
  if (cx.layout) {
    cx.layout->note(*this, Placement::one(*body, sign_width + 1, drawn.width(),
                                          body->needs_parens()));
  }
  return c;
}

// The variable is centred under the sign's middle column; a wide one moves
// the sign right.
CanvasRef SumOrProduct::render_sign(const RenderContext& cx, const OpSymbol& symbol,
                                    SignSpan span) const {
  CanvasRef c = cx.canvas();
  Drawn var(cx, *variable);
  int h = var.width() / 2;
  int col = std::max(h - 2, 0);
  symbol.draw(*c, 0, col, span, cx.style);
  var.paste_on(*c, span.below + 1, col + 2 - h, ALIGN_TOP);
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
CanvasRef SumOrProductOverInterval::render_sign(const RenderContext& cx, const OpSymbol& symbol,
                                                SignSpan span) const {
  CanvasRef c = cx.canvas();
  Drawn var(cx, *variable);
  Drawn low(cx, *lower);
  Drawn up(cx, *upper);
  Extent v = var.extent();
  Extent l = low.extent();
  int up_width = up.width();
  int n = v.width + l.width + 3;
  int col = std::max(std::max(n, up_width) / 2 - 2, 0);
  symbol.draw(*c, 0, col, span, cx.style);
  int b = span.below + 1 + std::max(v.ascent, l.ascent);
  int s = col + 2 - n / 2;
  var.paste_on(*c, b, s, ALIGN_BASELINE);
  (*c)[b][s + v.width + 1] = '=';
  low.paste_on(*c, b, s + v.width + 3, ALIGN_BASELINE);
  up.paste_on(*c, -span.above - 1, col + 2 - up_width / 2, ALIGN_BOTTOM);
  return c;
}

namespace {

// A sign of the symbol table, one row high: \bigcup as its cup.
class RowSymbol : public OpSymbol {
 public:
  explicit RowSymbol(Sign sign) : sign_(sign) {}
  SignSpan span(const Style&, const Extent&) const override { return {0, 0}; }
  void draw(Canvas& canvas, int r, int c, SignSpan, const Style& style) const override {
    put_sign(style, canvas, sign_, r, c);
  }

 private:
  Sign sign_;
};

}  // namespace

CanvasRef ScriptedBigOperator::render(const RenderContext& cx) const {
  if (shape == sum) return render_with_symbol(cx, SumSymbol());
  if (shape == product) return render_with_symbol(cx, ProductSymbol());
  return render_with_symbol(cx, RowSymbol(sign));
}

// Each script centred on the sign's middle column, under and over it; a
// wide one moves the sign right:
//   =====       U
//   \          i in I
//    >
//   /
//   =====
//   i < j
CanvasRef ScriptedBigOperator::render_sign(const RenderContext& cx, const OpSymbol& symbol,
                                           SignSpan span) const {
  CanvasRef sign = cx.canvas();
  symbol.draw(*sign, 0, 0, span, cx.style);
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

// Three columns in ASCII, one in Unicode, as tall in both; a closed
// contour marked on the baseline row:
//   /      ⌠       /     ⌠
//  |       ⎮      |      ⎮
//  |       ⎮      o      ∮
//  |       ⎮      |      ⎮
// /        ⌡     /       ⌡
void Integral::draw_sign(Canvas& canvas, int r, int c, SignSpan span, const Style& style) const {
  const IntegralSign& sign = style.glyphs->integral;
  canvas[r - span.above - 1][c + sign.top_col] = sign.top;
  canvas.vertical_line(r - span.above, c + sign.middle_col, span.above + span.below + 1, sign.middle);
  canvas[r + span.below + 1][c + sign.bottom_col] = sign.bottom;
  if (closed) canvas[r][c + sign.middle_col] = sign.contour;
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
  if (lower) Drawn(cx, *lower).paste_on(*c, span.below + 2, sign.lower_col, ALIGN_TOP);
  if (upper) Drawn(cx, *upper).paste_on(*c, -span.above - 2, sign.upper_col, ALIGN_BOTTOM);
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
  auto inner = body->category == BIG_OPERATOR ? dynamic_cast<const Integral*>(body.get()) : nullptr;
  Drawn integrand = inner ? Drawn(inner->render_nested(cx, span)) : Drawn(cx, *body);
  if (!inner) span = sign_span(cx.style, integrand.extent());
  CanvasRef c = render_sign(cx, span);
  int sign_width = c->extent().width;
  int col = inner ? sign_width + 1 : cx.style.glyphs->integral.body_col;
  // Without a differential, nothing ends the integrand but the formula:
  // it is drawn as written.
  bool brackets = body->needs_parens() && variable;
  integrand.paste_bracketed_on(*c, 0, col, brackets, cx.style.parens());
  if (cx.layout) {
    cx.layout->note(*this, Placement::one(*body, col, integrand.width(), brackets));
  }
  // An integral written without its differential draws none.
  if (!variable) return c;
  int d = col + integrand.width() + (brackets ? 2 : 0) + 1;
  (*c)[0][d] = 'd';
  Drawn(cx, *variable).paste_bracketed_on(*c, 0, d + 1, variable->needs_parens(), cx.style.parens());
  return c;
}
