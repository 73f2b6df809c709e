// Limits: "lim" over the approach line, then the body.
#include <algorithm>

#include "expr/drawing.h"

//        1
//  lim   -
//        x
// x -> 0
CanvasRef Limit::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  CanvasRef var = variable->render(cx);
  CanvasRef to = point->render(cx);
  Extent v = var->extent();
  Extent t = to->extent();
  int n = v.width + t.width + 4;
  c->put_text("lim", 0, n / 2 - 2);
  int b = 2 + std::max(v.ascent, t.ascent);
  c->paste(*var, b, 0, ALIGN_BASELINE);
  c->put_text("->", b, v.width + 1);
  c->paste(*to, b, v.width + 4, ALIGN_BASELINE);
  c->paste_bracketed(*body->render(cx), 0, n + 1, body->needs_parens(), cx.style.parens());
  return c;
}
