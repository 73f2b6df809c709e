// Numbers, names and the named constants.
#include <array>
#include <iterator>
#include <string>
#include <string_view>

#include "expr/drawing.h"

namespace {

// The names drawn as Greek letters in Unicode, in the order of their glyphs
// from GLYPH_GREEK_FIRST.
constexpr std::string_view kGreekNames[] = {
    "alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta",
    "iota", "kappa", "lambda", "mu", "nu", "xi", "omicron", "pi", "rho",
    "sigma", "tau", "upsilon", "phi", "chi", "psi", "omega",
    "Gamma", "Delta", "Theta", "Lambda", "Xi", "Pi", "Sigma", "Phi", "Psi", "Omega",
};
static_assert(std::size(kGreekNames) == GLYPH_GREEK_LAST - GLYPH_GREEK_FIRST + 1);

// The glyph byte of each Greek letter, in the same order.
constexpr auto kGreekLetters = [] {
  std::array<char, std::size(kGreekNames)> letters{};
  for (size_t i = 0; i < letters.size(); ++i) letters[i] = static_cast<char>(GLYPH_GREEK_FIRST + i);
  return letters;
}();

// The name as drawn: in Unicode, the name of a Greek letter is the letter.
std::string_view drawn_name(const std::string& name, const Style& style) {
  if (!style.glyphs->unicode_symbols || name.size() < 2 || name.size() > 7) return name;
  for (size_t i = 0; i < std::size(kGreekNames); ++i) {
    if (kGreekNames[i][0] == name[0] && kGreekNames[i] == name) {
      return std::string_view(&kGreekLetters[i], 1);
    }
  }
  return name;
}

}  // namespace

CanvasRef Literal::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->put_text(lexeme, 0, 0);
  return c;
}

CanvasRef Ellipsis::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->put_text(cx.style.glyphs->ellipsis, 0, 0);
  return c;
}

CanvasRef Infinity::render(const RenderContext& cx) const {
  CanvasRef c = cx.canvas();
  c->put_text(cx.style.glyphs->infinity, 0, 0);
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
  if (expn) c->paste(*expn->render(cx), -1, w, ALIGN_BOTTOM);
  return c;
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
  c->put_text(text, 0, 0);
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
