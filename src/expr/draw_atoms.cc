// Numbers, names and the named constants.
#include <array>
#include <iterator>
#include <string>
#include <string_view>

#include "expr/drawing.h"

namespace {

// The name as drawn, by its row in the symbol table: in Unicode the glyph
// of a letter that has one (alpha is α), in ASCII the letter's ASCII form
// (\\partial is d).
std::string_view drawn_name(const std::string& name, const Style& style) {
  // Names of the linear language are drawn as they are in ASCII.
  if (name.size() < 2 || (!style.glyphs->unicode_symbols && name[0] != '\\')) return name;
  const SymbolRow* row = letter_row(name);
  if (row == nullptr) return name;
  if (style.glyphs->unicode_symbols && row->glyph != 0) return {reinterpret_cast<const char*>(&row->glyph), 1};
  return row->ascii;
}

}  // namespace

CanvasRef Literal::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->start_with(lexeme);
  return c;
}

CanvasRef Ellipsis::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->start_with(cx.style.glyphs->ellipsis);
  return c;
}

CanvasRef Infinity::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->start_with(cx.style.glyphs->infinity);
  return c;
}

// Pi, and nabla with "\/" for the bars; an exponent starts after the
// underscores, on their row. In Unicode the sign is one character, π or ∇:
//   __2      2
//   ||      π
CanvasRef GlyphConstant::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  int w = 1;
  if (cx.style.glyphs->unicode_symbols) {
    (*c)[0][0] = unicode_;
  } else {
    c->put_text("__", -1, 0);
    c->put_text(glyph_, 0, 0);
    w = 2;
  }
  if (expn) Drawn(cx, *expn).paste_on(*c, -1, w, ALIGN_BOTTOM);
  return c;
}

bool GlyphConstant::flat(const Style& style, std::string_view& text) const {
  if (!style.glyphs->unicode_symbols || expn) return false;
  text = {&unicode_, 1};
  return true;
}

// Subscript, star and exponent all start right after the name's letters,
// whatever the prime marks:
//    *2
//   x'
//    1
CanvasRef Symbol::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  std::string_view text = drawn_name(name, cx.style);
  int n = static_cast<int>(text.size());
  c->start_with(text);
  if (overbar) c->fill(-1, 0, n, '_');
  if (subscr) Drawn(cx, *subscr).paste_on(*c, 1, n, ALIGN_TOP);
  for (int i = 0; i < primes; ++i) (*c)[0][n + i] = '\'';
  int col = n;
  if (starred) {
    (*c)[-1][n] = '*';
    col = n + 1;
  }
  if (expn) Drawn(cx, *expn).paste_on(*c, -1, col, ALIGN_BOTTOM);
  return c;
}

bool Symbol::flat(const Style& style, std::string_view& text) const {
  if (subscr || expn || primes != 0 || starred || overbar) return false;
  text = drawn_name(name, style);
  return true;
}
