// Sums, differences, equations and relations: operands on one baseline
// with the sign between them, framed by one blank on each side.
#include "expr/drawing.h"

namespace {

// Draws left, the sign, then right, bracketed when asked; returns the
// sign's column in `sign_col`. The drawing goes onto the left operand's own
// canvas, so that a long chain a + b + c + ... is not copied at every link.
CanvasRef draw_infix(const RenderContext& cx, const Expression& left, char sign,
                     const Expression& right, bool bracket_right,
                     int& sign_col) {
  CanvasRef c = left.render(cx);
  int w = c->extent().width;
  sign_col = w + 1;
  (*c)[0][sign_col] = sign;
  c->paste_bracketed(*right.render(cx), 0, w + 3, bracket_right, cx.style.parens());
  return c;
}

}  // namespace

CanvasRef SimpleBinaryOp::render(const RenderContext& cx) const {
  int sign_col;
  return draw_infix(cx, *left, op_char(), *right, false, sign_col);
}

CanvasRef Sub::render(const RenderContext& cx) const {
  int sign_col;
  return draw_infix(cx, *left, '-', *right, right->needs_parens(), sign_col);
}

// In ASCII the sign stands over a dash; in Unicode it is one character:
//   a > b      a ≥ b
//     -
CanvasRef RelationOrEqual::render(const RenderContext& cx) const {
  int sign_col;
  bool unicode = cx.style.unicode;
  CanvasRef c = draw_infix(cx, *left, unicode ? unicode_ : sign_, *right, right->needs_parens(), sign_col);
  if (!unicode) (*c)[1][sign_col] = '-';
  return c;
}
