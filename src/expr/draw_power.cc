// Powers of bases that cannot carry their exponent themselves, and roots
// with an index.
#include <algorithm>

#include "expr/drawing.h"

/*
          3
     / 2\
     \x /
*/
CanvasRef Pow::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  Drawn base(cx, *left);
  Extent e = base.extent();
  bool brackets = base_needs_brackets(*left);
  base.paste_bracketed_on(*c, 0, 0, brackets, cx.style.parens());
  int col = brackets ? e.width + 2 : e.width;
  Drawn(cx, *right).paste_on(*c, -e.ascent - 1, col, ALIGN_BOTTOM);
  if (cx.layout) cx.layout->note(*this, Placement::one(*left, 0, e.width, brackets));
  return c;
}

namespace {

// The one-character sign that holds the index, as ∛ and ∜ do, for a
// radicand that √ alone would stand before; 0 for none.
char indexed_sign(const Style& style, const Expression& radicand, const Expression& index,
                  const Extent& e) {
  if (!radical_sign(style, radicand, e).alone) return 0;
  auto* literal = dynamic_cast<const Integer*>(&index);
  if (literal == nullptr) return 0;
  const RadicalPieces& pieces = style.glyphs->radical;
  return literal->lexeme == "3" ? pieces.cube_root : literal->lexeme == "4" ? pieces.fourth_root : 0;
}

}  // namespace

// The index sits in the notch, over the top of the stroke or over √ alone;
// a wide one pushes the sign m columns right:
//   n + 1_     n + 1
//       /1         √x     ∛x
//      / -
//    \/  2
CanvasRef Root::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  CanvasRef radicand = left->render(radicand_context(cx));
  if (char sign = indexed_sign(cx.style, *left, *right, radicand->extent())) {
    (*c)[0][0] = sign;
    c->paste(*radicand, 0, 1, ALIGN_BASELINE);
    return c;
  }
  Drawn index(cx, *right);
  Extent e = radicand->extent();
  int x = index.width();
  RadicalSign sign = radical_sign(cx.style, *left, e);
  int m = std::max(x - sign.stroke - 1, 0);
  draw_radical(cx.style, sign, *c, *radicand, m);
  index.paste_on(*c, -e.ascent - 1, sign.stroke + m - x + 1, ALIGN_BOTTOM);
  return c;
}

// Subscript and exponent start right after the base, under and over it:
//      2
//   |x|
//      p
CanvasRef Subscripted::render(const RenderContext& cx) const {
  CanvasRef c = base->render(cx);
  Extent e = c->extent();
  Drawn(cx, *subscr).paste_on(*c, e.descent + 1, e.width, ALIGN_TOP);
  if (expn) Drawn(cx, *expn).paste_on(*c, -e.ascent - 1, e.width, ALIGN_BOTTOM);
  return c;
}
