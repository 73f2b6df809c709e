// Sums, differences, equations and relations: operands on one baseline
// with the sign between them, framed by one blank on each side.
#include <array>
#include <string_view>

#include "expr/drawing.h"

namespace {

// The longest right operand of one row that is written with its sign.
constexpr size_t kMaxJoined = 29;

// Draws left, the sign, then right, bracketed when asked; returns the
// sign's column in `sign_col`. The drawing goes onto the left operand's own
// canvas, so that a long chain a + b + c + ... is not copied at every link.
CanvasRef draw_infix(const RenderContext& cx, const Expression& node, Joint joint,
                     const Expression& left, char sign, const Expression& right,
                     bool bracket_right, int& sign_col, bool two_row_sign = false) {
  CanvasRef c = left.render(cx);
  int w = c->extent().width;
  sign_col = w + 1;
  Drawn r(cx, right);
  std::string_view text = r.baseline();
  if (r.is_flat() && !bracket_right && text.size() <= kMaxJoined) {
    // The sign and a right operand of one row go on in one write, as
    // pasting the operand would count it.
    std::array<char, 3 + kMaxJoined> joined{' ', sign, ' '};
    canvas_detail::copy_bytes(joined.data() + 3, text.data(), text.size());
    cx.pool.charge(text.empty() ? 1 : static_cast<long>(text.size()));
    c->put_text({joined.data(), text.empty() ? 2 : 3 + text.size()}, 0, w);
  } else {
    (*c)[0][sign_col] = sign;
    r.paste_bracketed_on(*c, 0, w + 3, bracket_right, cx.style.parens());
  }
  if (cx.layout) {
    Placement p = Placement::two(joint, placed(left, 0, w, false),
                                 placed(right, w + 3, r.width(), bracket_right), sign_col, 1);
    p.two_row_sign = two_row_sign;
    cx.layout->note(node, p);
  }
  return c;
}

}  // namespace

CanvasRef SimpleBinaryOp::render(const RenderContext& cx) const {
  int sign_col;
  Joint joint = op_char() == '+' ? Joint::additive : Joint::relation;
  return draw_infix(cx, *this, joint, *left, op_char(), *right, false, sign_col);
}

CanvasRef Sub::render(const RenderContext& cx) const {
  int sign_col;
  return draw_infix(cx, *this, Joint::additive, *left, '-', *right, right->needs_parens(),
                    sign_col);
}

// In ASCII the sign stands over a dash; in Unicode it is one character:
//   a > b      a ≥ b
//     -
CanvasRef RelationOrEqual::render(const RenderContext& cx) const {
  int sign_col;
  bool unicode = cx.style.glyphs->unicode_symbols;
  CanvasRef c = draw_infix(cx, *this, Joint::relation, *left, unicode ? unicode_ : sign_, *right,
                           right->needs_parens(), sign_col, !unicode);
  if (!unicode) (*c)[1][sign_col] = '-';
  return c;
}

int sign_columns(const Style& style, Sign sign) {
  const SymbolRow& form = sign_row(sign);
  return style.glyphs->unicode_symbols && form.glyph != 0 ? 1 : static_cast<int>(std::string_view(form.ascii).size());
}

int put_sign(const Style& style, Canvas& canvas, Sign sign, int row, int col) {
  const SymbolRow& form = sign_row(sign);
  if (style.glyphs->unicode_symbols && form.glyph != 0) {
    canvas[row][col] = static_cast<char>(form.glyph);
    return 1;
  }
  std::string_view text = form.ascii;
  canvas.put_text(text, row, col);
  return static_cast<int>(text.size());
}

// Relations take no brackets, +- and -+ bracket their right operand as -
// does, x and / both operands as a product does:
//   a != b + c    a +- (-b)    (a + b) x c
CanvasRef InfixOp::render(const RenderContext& cx) const {
  bool relation = is_relation();
  bool product = is_product();
  CanvasRef c = left->render(cx);
  int left_width = c->extent().width;
  bool bracket_left = product && left->needs_parens();
  if (bracket_left) {
    CanvasRef bracketed = cx.canvas();
    bracketed->paste_bracketed(*c, 0, 0, true, cx.style.parens());
    c = bracketed;
  }
  int w = c->extent().width;
  int n = put_sign(cx.style, *c, sign, 0, w + 1);
  bool bracket_right = !relation && right->needs_parens();
  Drawn r(cx, *right);
  r.paste_bracketed_on(*c, 0, w + n + 2, bracket_right, cx.style.parens());
  if (cx.layout) {
    Joint joint = relation ? Joint::relation : product ? Joint::product : Joint::additive;
    cx.layout->note(*this, Placement::two(joint, placed(*left, 0, left_width, bracket_left),
                                          placed(*right, w + n + 2, r.width(),
                                                 bracket_right),
                                          w + 1, n));
  }
  return c;
}
