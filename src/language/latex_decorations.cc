// The LaTeX commands that set labels, braces, arrows and boxes over, under
// or round what they hold, and the stacked scripts of big operators.
#include <string>

#include "language/latex_parser.h"

namespace latex {

// \overset{label}{x}, \underset, \stackrel; \overbrace{x}^{label} and
// \underbrace{x}_{label}, whose label is the script after them;
// \xrightarrow[under]{over}; \boxed{x}.
Owned<> FormulaParser::handle_decoration(const Token& t, Arguments& a) {
  auto kind = static_cast<DecorationKind>(t.command->code);
  switch (kind) {
    case DecorationKind::over:
    case DecorationKind::under:
      return make<Decoration>(kind, a.math[1].release(), a.math[0].release());
    case DecorationKind::over_brace:
    case DecorationKind::under_brace: {
      Owned<> label;
      char script = kind == DecorationKind::over_brace ? '^' : '_';
      if (tokens_.peek().is(script)) {
        Token op = tokens_.next();
        label = parse_argument(op, 1);
        if (!label) return {};
      }
      return make<Decoration>(kind, a.math[0].release(), label.release());
    }
    case DecorationKind::right_arrow:
    case DecorationKind::left_arrow:
      return make<Decoration>(kind, a.math[0].release(), a.optional.release());
    case DecorationKind::box:
      return make<Decoration>(kind, a.math[0].release(), nullptr);
  }
  return {};
}

// \substack{i < m \\ j < n}: the lines one under another, each centred,
// the first on the baseline.
[[gnu::noinline]] Owned<> FormulaParser::handle_substack(const Token& t, Arguments&) {
  if (!tokens_.peek().is('{')) return missing_argument(t, 1);
  Token opening = tokens_.next();
  Owned<> stack;
  {
    Nested nested(*this);
    Open braces(open_braces_);
    Open lines(open_matrices_);
    for (;;) {
      Owned<> line = tokens_.peek().is('}') ? text("") : parse_list();
      if (!line) return {};
      stack = stack ? make<Decoration>(DecorationKind::under, stack.release(), line.release())
                    : std::move(line);
      if (!tokens_.peek().is(Kind::newline)) break;
      tokens_.next();
    }
  }
  if (!expect_closing(opening, [](const Token& k) { return k.is('}'); })) return {};
  return stack;
}

// \mathop{\rm Tr}: the letters and digits of its text, commands such as
// \rm left out, as a name; without any, the argument as it is.
Owned<> FormulaParser::handle_mathop(const Token& t, Arguments& a) {
  std::string name;
  for (size_t i = 0; i < a.text.size(); ++i) {
    if (a.text[i] == '\\') {
      while (i + 1 < a.text.size() && is_letter(a.text[i + 1])) ++i;
    } else if (is_letter(a.text[i]) || is_digit(a.text[i])) {
      name += a.text[i];
    }
  }
  if (!name.empty()) return make<Symbol>(name.data(), name.size());
  // Signs rather than a name, as in \mathop{{\prod}'}: the argument read
  // again as a formula.
  auto brace = static_cast<size_t>(a.text.data() - tokens_.line().data()) - 1;
  tokens_.reset(Tokenizer::Mark{brace, {t.offset, t.length, t.type}});
  return parse_argument(t, 1);
}

// \sideset{_a^b}{_c^d}\sum: a readable stand-in, the scripts of both
// sides as written before the sign.
Owned<> FormulaParser::handle_sideset(const Token&, Arguments& a) {
  return make<Juxtaposed>(a.math[0].release(), a.math[1].release());
}

}  // namespace latex
