// Labels, braces, arrows and boxes: rows of their own over, under or round
// the operand, every cell one column wide.
//    def           a + b          f
//     =       \_____v_____/    ----->    +---+
//                   n                    | x |
//                                        +---+
#include <algorithm>

#include "expr/drawing.h"

namespace {

// The pieces of a brace row: its two ends, its run and its tip, which is
// two cells in Unicode (the stems of └ and ┘ meet in the middle).
struct BracePieces {
  char left, fill, right;
  GlyphText tip;
};

constexpr BracePieces kAsciiOver{'/', '~', '\\', "^"};
constexpr BracePieces kAsciiUnder{'\\', '_', '/', "v"};
constexpr BracePieces kUnicodeOver{glyph("┌"), glyph("─"), glyph("┐"), "┘└"};
constexpr BracePieces kUnicodeUnder{glyph("└"), glyph("─"), glyph("┘"), "┐┌"};

// A brace as wide as the operand on the given row; one or two columns wide
// it is its run alone.
void draw_brace(Canvas& c, const BracePieces& p, int row, int width) {
  c.fill(row, 0, width, p.fill);
  int tip = static_cast<int>(static_cast<std::string_view>(p.tip).size());
  if (width < tip + 2) return;
  c[row][0] = p.left;
  c[row][width - 1] = p.right;
  c.put_text(p.tip, row, centred(width, tip));
}

}  // namespace

CanvasRef Decoration::render(const RenderContext& cx) const {
  bool unicode = cx.style.glyphs->unicode_symbols;
  CanvasRef operand = arg->render(cx);
  Extent e = operand->extent();
  CanvasRef c = cx.canvas();
  switch (kind) {
    case DecorationKind::over:
    case DecorationKind::under: {
      // The label centred over or under the operand, the wider of them
      // from column 0.
      CanvasRef small = label->render(cx);
      Extent l = small->extent();
      int width = std::max(e.width, l.width);
      c->paste(*operand, 0, centred(width, e.width), ALIGN_BASELINE);
      if (kind == DecorationKind::over) {
        c->paste(*small, -e.ascent - 1, centred(width, l.width), ALIGN_BOTTOM);
      } else {
        c->paste(*small, e.descent + 1, centred(width, l.width), ALIGN_TOP);
      }
      return c;
    }
    case DecorationKind::over_brace:
    case DecorationKind::under_brace: {
      bool over = kind == DecorationKind::over_brace;
      CanvasRef small = label ? label->render(cx) : cx.canvas();
      Extent l = small->extent();
      int width = std::max(e.width, l.width);
      int col = centred(width, e.width);
      c->paste(*operand, 0, col, ALIGN_BASELINE);
      int row = over ? -e.ascent - 1 : e.descent + 1;
      CanvasRef brace = cx.canvas();
      draw_brace(*brace, unicode ? (over ? kUnicodeOver : kUnicodeUnder)
                                 : (over ? kAsciiOver : kAsciiUnder),
                 0, e.width);
      c->paste(*brace, row, col, ALIGN_BASELINE);
      if (label) {
        c->paste(*small, over ? row - 1 : row + 1, centred(width, l.width),
                 over ? ALIGN_BOTTOM : ALIGN_TOP);
      }
      return c;
    }
    case DecorationKind::right_arrow:
    case DecorationKind::left_arrow: {
      // The arrow two columns longer than what stands over and under it.
      CanvasRef below = label ? label->render(cx) : cx.canvas();
      Extent b = below->extent();
      int width = std::max(e.width, b.width) + 2;
      bool right = kind == DecorationKind::right_arrow;
      c->fill(0, 0, width, unicode ? glyph("─") : '-');
      (*c)[0][right ? width - 1 : 0] = right ? (unicode ? glyph("→") : '>')
                                             : (unicode ? glyph("←") : '<');
      if (e.width > 0) c->paste(*operand, -1, centred(width, e.width), ALIGN_BOTTOM);
      if (label) c->paste(*below, 1, centred(width, b.width), ALIGN_TOP);
      return c;
    }
    case DecorationKind::box: {
      // A frame one blank away from the operand on either side.
      int top = -e.ascent - 1;
      int bottom = e.descent + 1;
      int right = e.width + 3;
      char across = unicode ? glyph("─") : '-';
      char down = unicode ? glyph("│") : '|';
      c->paste(*operand, 0, 2, ALIGN_BASELINE);
      c->fill(top, 1, e.width + 2, across);
      c->fill(bottom, 1, e.width + 2, across);
      c->vertical_line(top + 1, 0, bottom - top - 1, down);
      c->vertical_line(top + 1, right, bottom - top - 1, down);
      (*c)[top][0] = unicode ? glyph("┌") : '+';
      (*c)[top][right] = unicode ? glyph("┐") : '+';
      (*c)[bottom][0] = unicode ? glyph("└") : '+';
      (*c)[bottom][right] = unicode ? glyph("┘") : '+';
      return c;
    }
  }
  return c;
}
