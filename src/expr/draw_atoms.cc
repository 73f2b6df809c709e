// Numbers, names and the named constants.
#include <string>

#include "expr/drawing.h"

CanvasRef Literal::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->put_text(lexeme, 0, 0);
  return c;
}

CanvasRef Ellipsis::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->put_text("...", 0, 0);
  return c;
}

CanvasRef Infinity::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->put_text("oo", 0, 0);
  return c;
}

// Pi, and nabla with "\/" for the bars; an exponent starts after the
// underscores, on their row:
//   __2
//   ||
CanvasRef GlyphConstant::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->put_text("__", -1, 0);
  c->put_text(glyph_, 0, 0);
  if (expn) c->paste(*expn->render(cx), -1, 2, ALIGN_BOTTOM);
  return c;
}

// Subscript, star and exponent all start right after the name's letters,
// whatever the prime marks:
//    *2
//   x'
//    1
CanvasRef Symbol::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  int n = static_cast<int>(name.size());
  c->put_text(name, 0, 0);
  if (overbar) c->fill(-1, 0, n, '_');
  if (subscr) c->paste(*subscr->render(cx), 1, n, ALIGN_TOP);
  for (int i = 0; i < primes; ++i) (*c)[0][n + i] = '\'';
  int col = n;
  if (starred) {
    (*c)[-1][n] = '*';
    col = n + 1;
  }
  if (expn) c->paste(*expn->render(cx), -1, col, ALIGN_BOTTOM);
  return c;
}
