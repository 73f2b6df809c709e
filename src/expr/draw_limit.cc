// Limits: "lim" over the approach line, then the body.
#include <algorithm>
#include <string_view>

#include "expr/drawing.h"

// In Unicode the arrow is one character, "lim" stands in the middle and
// the approach line right under it:
//        1              1
//  lim   -       lim   ─
//        x      x → 0  x
// x -> 0
CanvasRef Limit::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  Drawn var(cx, *variable);
  Drawn to(cx, *point);
  Extent v = var.extent();
  Extent t = to.extent();
  const GlyphSet& glyphs = *cx.style.glyphs;
  GlyphText arrow = glyphs.arrow;
  int n = v.width + arrow.size() + 2 + t.width;
  c->put_text("lim", 0, centred(n, glyphs.lim_width));
  int b = glyphs.lim_gap + std::max(v.ascent, t.ascent);
  var.paste_on(*c, b, 0, ALIGN_BASELINE);
  c->put_text(arrow, b, v.width + 1);
  to.paste_on(*c, b, v.width + arrow.size() + 2, ALIGN_BASELINE);
  Drawn drawn(cx, *body);
  drawn.paste_bracketed_on(*c, 0, n + 1, body->needs_parens(), cx.style.parens());
  if (cx.layout) {
    cx.layout->note(*this, Placement::one(*body, n + 1, drawn.width(), body->needs_parens()));
  }
  return c;
}
