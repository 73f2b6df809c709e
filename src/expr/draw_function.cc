// Function applications and their argument lists.
#include "expr/drawing.h"

CanvasRef FunctionArgs::render_list(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  int col = 0;
  for (const Owned<>& item : items) {
    // Before every item but the first, after an empty one too: f({}, x).
    if (&item != &items.front()) {
      (*c)[0][col] = ',';
      col += 2;
    }
    Drawn drawn(cx, *item);
    drawn.paste_on(*c, 0, col, ALIGN_BASELINE);
    col += drawn.width();
  }
  return c;
}

/*
   The list always stands in brackets right after the name:
    /1      \
   g|-, y, z|
    \x      /
*/
CanvasRef MultivarFunction::render(const RenderContext& cx) const {
  CanvasRef c = fname->render(cx);
  int name_width = c->extent().width;
  CanvasRef list = arguments->render_list(cx);
  c->paste_bracketed(*list, 0, name_width, true, cx.style.parens());
  // One argument breaks inside the brackets as a bracketed term would.
  if (cx.layout && arguments->items.size() == 1) {
    cx.layout->note(*this, Placement::one(*arguments->items[0], name_width,
                                          list->extent().width, true));
  }
  return c;
}

// One blank after a bare name; a name's exponent stands over the blanks:
//    2
// sin x
CanvasRef TrigFunction::render(const RenderContext& cx) const {
  CanvasRef c = fname->render(cx);
  int w = c->extent().width;
  int col = fname->expn ? w : w + 1;
  Drawn operand(cx, *arg);
  operand.paste_bracketed_on(*c, 0, col, arg->needs_parens(), cx.style.parens());
  if (cx.layout) {
    cx.layout->note(*this, Placement::one(*arg, col, operand.width(), arg->needs_parens()));
  }
  return c;
}

CanvasRef Sequence::render(const RenderContext& cx) const { return items->render_list(cx); }
