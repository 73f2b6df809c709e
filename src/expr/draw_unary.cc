// Negation, square root, factorial, conjugate, overbar and absolute value.
#include "expr/drawing.h"

RadicalSign radical_sign(const Style& style, const Expression& radicand, const Extent& e) {
  if (style.glyphs->radical.sign_alone && radicand.category <= SYMBOL_CATEGORY && e.height == 1) return {true, 0};
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
  const RadicalPieces& pieces = style.glyphs->radical;
  int col = m + sign.stroke + 1;
  if (sign.alone) {
    canvas[0][m] = glyph("√");
  } else {
    canvas[e.descent][m] = pieces.foot;
    if (style.wide_radicals) {
      canvas.rising_line(e.descent, m + 1, e.height, pieces.rising);
    } else {
      canvas.vertical_line(-e.ascent, m + 1, e.height, pieces.upright);
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
  if (cx.layout) {
    cx.layout->note(*this, Placement::one(*arg, col, operand->extent().width, arg->needs_parens()));
  }
  return c;
}

CanvasRef Sqrt::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  CanvasRef radicand = arg->render(radicand_context(cx));
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
  if (cx.layout) cx.layout->note(*this, Placement::one(*arg, 0, w, brackets));
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
  if (cx.layout) cx.layout->note(*this, Placement::one(*arg, 0, w, brackets));
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
  CanvasRef operand = arg->render(cx);
  c->paste_bracketed(*operand, 0, 0, true, cx.style.bars());
  if (cx.layout) cx.layout->note(*this, Placement::one(*arg, 0, operand->extent().width, true));
  return c;
}

// A sign other than the minus, spaced as the minus is: +x, +- (a + b).
CanvasRef Signed::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  int n = put_sign(cx.style, *c, sign, 0, 0);
  int col = arg->category <= SYMBOL_CATEGORY ? n : n + 1;
  CanvasRef operand = arg->render(cx);
  c->paste_bracketed(*operand, 0, col, arg->needs_parens(), cx.style.parens());
  if (cx.layout) {
    cx.layout->note(*this, Placement::one(*arg, col, operand->extent().width, arg->needs_parens()));
  }
  return c;
}

int delimiter_width(const Style& style, Delimiter d) {
  if (d == Delimiter::none) return 0;
  return d == Delimiter::double_bar ? style.glyphs->double_bar_width : 1;
}

// Tall brackets stand on every row of what they hold; an angle bracket's
// rows above its point lean one way, those below the other:
//   [1]   /1\   ||x||   / \   |
//   [-]   <-          <   >   |
//   [2]   \2/           \ /
void draw_delimiter(const Style& style, Canvas& canvas, Delimiter d, bool opening, int top,
                    int bottom, int col) {
  if (d == Delimiter::none) return;
  const GlyphSet& glyphs = *style.glyphs;
  const BracketShape& shape = d == Delimiter::brace && bottom - top < 2
                                  ? glyphs.low_braces
                                  : glyphs.delimiters[static_cast<int>(d)];
  canvas.bracket(opening ? shape.left : shape.right, top, bottom, col, delimiter_width(style, d));
}

// Round brackets on both sides are drawn as the linear language draws
// brackets; other brackets as written, each as tall as what it holds, and
// in ASCII floors and ceilings as round brackets with their words:
//   [0, 1)    /1 \     ||x||   floor(x)   lceil(x]
//             |- |
//             \2 ]
CanvasRef Bracketed::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  CanvasRef inner = arg->render(cx);
  if (opening == Delimiter::paren && closing == Delimiter::paren) {
    c->paste_bracketed(*inner, 0, 0, true, cx.style.parens());
    if (cx.layout) cx.layout->note(*this, Placement::one(*arg, 0, inner->extent().width, true));
    return c;
  }
  const BracketWords& open_words = cx.style.glyphs->delimiter_words[static_cast<int>(opening)];
  const BracketWords& close_words = cx.style.glyphs->delimiter_words[static_cast<int>(closing)];
  bool pair = opening == closing;
  std::string_view before = pair ? open_words.pair : open_words.left;
  std::string_view after = pair ? std::string_view() : close_words.right;
  c->put_text(before, 0, 0);
  int start = static_cast<int>(before.size());
  Extent e = inner->extent();
  int col = start + delimiter_width(cx.style, opening);
  c->paste(*inner, 0, col, ALIGN_BASELINE);
  draw_delimiter(cx.style, *c, opening, true, -e.ascent, e.descent, start);
  int end = col + e.width;
  draw_delimiter(cx.style, *c, closing, false, -e.ascent, e.descent, end);
  c->put_text(after, 0, end + delimiter_width(cx.style, closing));
  // Written brackets one column wide break as round ones do.
  if (cx.layout && col == start + 1 && delimiter_width(cx.style, closing) == 1 && after.empty()) {
    cx.layout->note(*this, Placement::one(*arg, start, e.width, true));
  }
  return c;
}
