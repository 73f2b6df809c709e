// Negation, square root, factorial, conjugate, overbar and absolute value.
#include "expr/drawing.h"

RadicalSign radical_sign(const Style& style, const Expression& radicand, const Extent& e) {
  if (style.unicode && radicand.category <= SYMBOL_CATEGORY && e.height == 1) return {true, 0};
  return {false, style.wide_radicals ? e.height : 1};
}

// A stroke rising over the radicand's rows, or with -r an upright one; in
// Unicode of box-drawing pieces, or √ alone before a name or number:
//       _          _          _
//      /1         |1         ╱1
//     / -         |-        ╱ ─
//   \/  2       \|2       ╲╱  2       √x
void draw_radical(const Style& style, const RadicalSign& sign, Canvas& canvas,
                  const Canvas& radicand, int m) {
  Extent e = radicand.extent();
  bool unicode = style.unicode;
  int col = m + sign.stroke + 1;
  if (sign.alone) {
    canvas[0][m] = glyph("√");
  } else {
    canvas[e.descent][m] = unicode ? glyph("╲") : '\\';
    if (style.wide_radicals) {
      canvas.rising_line(e.descent, m + 1, e.height, unicode ? glyph("╱") : '/');
    } else {
      canvas.vertical_line(-e.ascent, m + 1, e.height, unicode ? glyph("│") : '|');
    }
  }
  canvas.paste(radicand, 0, col, ALIGN_BASELINE);
  if (!sign.alone) canvas.fill(-e.ascent - 1, col, e.width, '_');
}

// A name or number follows the sign at once; anything else after a blank.
CanvasRef Neg::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  CanvasRef operand = arg->render(cx);
  (*c)[0][0] = '-';
  int col = arg->category <= SYMBOL_CATEGORY ? 1 : 2;
  c->paste_bracketed(*operand, 0, col, arg->needs_parens(), cx.style.parens());
  return c;
}

CanvasRef Sqrt::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  CanvasRef radicand = arg->render(cx);
  draw_radical(cx.style, radical_sign(cx.style, *arg, radicand->extent()), *c, *radicand, 0);
  return c;
}

CanvasRef Fact::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  CanvasRef operand = arg->render(cx);
  int w = operand->extent().width;
  bool brackets = arg->category >= UNARY;
  c->paste_bracketed(*operand, 0, 0, brackets, cx.style.parens());
  (*c)[0][brackets ? w + 2 : w] = '!';
  return c;
}

// The star stands on row -1 after the operand's full width:
//   /1\*        *
//   |-|        5
//   \2/
CanvasRef Conj::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  CanvasRef operand = arg->render(cx);
  int w = operand->extent().width;
  bool brackets = arg->category == SYMBOL_CATEGORY ? is_symbol_with_exponent(*arg)
                                                   : arg->category != CONSTANT;
  c->paste_bracketed(*operand, 0, 0, brackets, cx.style.parens());
  (*c)[-1][brackets ? w + 2 : w] = '*';
  return c;
}

// The operand's own canvas, with a line over it.
CanvasRef Bar::render(const RenderContext& cx) const {
  CanvasRef c = arg->render(cx);
  Extent e = c->extent();
  c->fill(-e.ascent - 1, 0, e.width, '_');
  return c;
}

// The operand between bars as tall as it, | in ASCII and │ in Unicode:
//   | 2|
//   |x |
CanvasRef Abs::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->paste_bracketed(*arg->render(cx), 0, 0, true, cx.style.bars());
  return c;
}
