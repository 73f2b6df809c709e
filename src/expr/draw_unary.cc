// Negation, square root, factorial, conjugate, overbar and absolute value.
#include "expr/drawing.h"

int radical_stroke_width(const Style& style, int height) {
  return style.wide_radicals ? height : 1;
}

//       _          _
//      /1         |1
//     / -         |-
//   \/  2       \|2
void draw_radical(const Style& style, Canvas& canvas, const Canvas& radicand, int m) {
  Extent e = radicand.extent();
  int g = radical_stroke_width(style, e.height);
  canvas[e.descent][m] = '\\';
  if (style.wide_radicals) {
    for (int k = 0; k < e.height; ++k) canvas[e.descent - k][m + 1 + k] = '/';
  } else {
    canvas.vertical_line(-e.ascent, m + 1, e.height, '|');
  }
  canvas.paste(radicand, 0, g + m + 1, ALIGN_BASELINE);
  canvas.fill(-e.ascent - 1, g + m + 1, e.width, '_');
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
  draw_radical(cx.style, *c, *arg->render(cx), 0);
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

// The operand between bars as tall as it:
//   | 2|
//   |x |
CanvasRef Abs::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->paste_bracketed(*arg->render(cx), 0, 0, true, cx.style.bars());
  return c;
}
