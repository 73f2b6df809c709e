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
  bool unicode = cx.style.glyphs->unicode_symbols;
  CanvasRef c = draw_infix(cx, *left, unicode ? unicode_ : sign_, *right, right->needs_parens(), sign_col);
  if (!unicode) (*c)[1][sign_col] = '-';
  return c;
}

namespace {

struct SignForm {
  const char* ascii;
  unsigned char glyph;  // 0: the ASCII text in Unicode too
};

// In the order of enum Sign.
constexpr SignForm kSignForms[] = {
    {"+", 0},         {"+-", GLYPH_PLUS_MINUS}, {"-+", GLYPH_MINUS_PLUS},
    {"x", GLYPH_TIMES}, {"/", GLYPH_DIVIDE},  {"!=", GLYPH_NOT_EQUAL},
    {"~~", GLYPH_APPROX}, {"==", GLYPH_EQUIV}, {"~", GLYPH_SIMILAR},
    {"->", GLYPH_ARROW}, {"=>", GLYPH_IMPLIES}, {"in", GLYPH_ELEMENT_OF},
};

}  // namespace

int sign_columns(const Style& style, Sign sign) {
  const SignForm& form = kSignForms[static_cast<int>(sign)];
  return style.glyphs->unicode_symbols && form.glyph != 0 ? 1 : static_cast<int>(std::string_view(form.ascii).size());
}

int put_sign(const Style& style, Canvas& canvas, Sign sign, int row, int col) {
  const SignForm& form = kSignForms[static_cast<int>(sign)];
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
  if (product && left->needs_parens()) {
    CanvasRef bracketed = cx.canvas();
    bracketed->paste_bracketed(*c, 0, 0, true, cx.style.parens());
    c = bracketed;
  }
  int w = c->extent().width;
  int n = put_sign(cx.style, *c, sign, 0, w + 1);
  c->paste_bracketed(*right->render(cx), 0, w + n + 2, !relation && right->needs_parens(),
                     cx.style.parens());
  return c;
}
