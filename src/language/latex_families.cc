// The LaTeX commands that take arguments or read what follows them:
// functions, fractions, roots, big operators, integrals, decorations and
// text.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "language/latex_parser.h"

namespace latex {

[[gnu::noinline]] Owned<> FormulaParser::parse_call(Owned<> name, bool trig) {
  Token opening = tokens_.next();
  bool left = opening.is(Kind::left);
  if (left) opening.length = tokens_.next().offset + 1 - opening.offset;
  auto args = new_list<FunctionArgs>();
  {
    Nested nested(*this);
    Open open(left ? open_lefts_ : open_brackets_);
    const Token& t = tokens_.peek();
    bool empty = left ? t.is(Kind::right) : t.is(')');
    if (!empty && !parse_items(*args)) return {};
  }
  if (left) {
    Token right = tokens_.peek();
    Delimiter d;
    if (!expect_closing(opening, [](const Token& k) { return k.is(Kind::right); })) return {};
    if (!read_delimiter(d)) return fail_at(right, "\\right needs a bracket");
  } else if (const Token& after = tokens_.peek();
             after.type == Type::end || (closes_enclosing(after) && !closes_bracket(after))) {
    // f(a + b left open where the formula or the group ends.
    Owned<> content = args->items.size() == 1 ? std::move(args->items[0])
                                              : make<Sequence>(args.release());
    Owned<> bracket = make<Bracketed>(Delimiter::paren, content.release(), Delimiter::none);
    return make<Juxtaposed>(name.release(), bracket.release());
  } else if (!expect_closing(opening, [](const Token& k) { return k.is(')'); })) {
    return {};
  }
  auto* fname = static_cast<Symbol*>(name.release());
  if (trig && args->items.size() == 1) return make<TrigFunction>(fname, args->items[0].release());
  return make<MultivarFunction>(fname, args.release());
}

// \sin, \log and the other functions, by the name their row gives.
Owned<> FormulaParser::handle_function(const Token& t, Arguments&) {
  const Command& c = *t.command;
  return parse_function(t, make<Symbol>(c.text.data(), c.text.size()), c.kind == Kind::trig);
}

// \operatorname{name} and \operatorname*{name}; spacing in the name, as in
// arg\,max, is dropped.
Owned<> FormulaParser::handle_operatorname(const Token& t, Arguments& a) {
  std::string name;
  for (size_t i = 0; i < a.text.size(); ++i) {
    if (a.text[i] == '\\' && i + 1 < a.text.size() && std::strchr(",;:! ", a.text[i + 1])) {
      ++i;
    } else if (!is_blank(a.text[i])) {
      name += a.text[i];
    }
  }
  if (name.empty() || !std::all_of(name.begin(), name.end(),
                                   [](char ch) { return is_letter(ch) || is_digit(ch); })) {
    return fail_at(t, "\\operatorname needs a {name} of letters and digits");
  }
  return parse_function(t, make<Symbol>(name.data(), name.size()), is_trig_name(name));
}

// \sin x, \sin^2 x, \log_2 x, \sin(x), \max(a, b): without brackets the
// argument is the product by juxtaposition that follows, up to the next
// function.
[[gnu::noinline]] Owned<> FormulaParser::parse_function(const Token& t, Owned<> name, bool trig) {
  name = parse_scripts(std::move(name));
  if (!name) return {};
  if (at_call()) return parse_call(std::move(name), trig);
  if (tokens_.peek().type == Type::bad) return unexpected(tokens_.peek());
  // A name alone in a group is a label: \lambda_{\max}, {\det}^{-1}.
  if (tokens_.peek().is('}') && open_braces_ > 0) return name;
  if (!starts_signed(tokens_.peek())) return fail_at(t, spelled(t) + " needs an argument");
  Owned<> arg = parse_signed();
  while (arg && starts_factor(tokens_.peek()) && !is_function(tokens_.peek()) &&
         !at_differential() && !at_final_punctuation()) {
    Owned<> factor = parse_factor();
    if (!factor) return {};
    arg = juxtapose(std::move(arg), std::move(factor));
  }
  if (!arg) return {};
  if (trig) return make<TrigFunction>(static_cast<Symbol*>(name.release()), arg.release());
  auto args = new_list<FunctionArgs>();
  args->append_item(arg.get());
  (void)arg.release();
  return make<MultivarFunction>(static_cast<Symbol*>(name.release()), args.release());
}

// The numerator of \frac in an integrand, which may hold the differential:
// \int \frac{dx}{x}, \int \frac{x\,dx}{1 + x^2}.
[[gnu::noinline]] Owned<> FormulaParser::parse_numerator() {
  Token opening = tokens_.next();
  Owned<> numerator;
  {
    Nested nested(*this);
    Open open(open_braces_);
    context_.integrand = true;
    if (at_differential()) {
      // The differential first, then what it multiplies: \frac{d\nu\,\nu}{...}.
      pending_variable_ = parse_differential();
      numerator = !pending_variable_ || tokens_.peek().is('}') ? make<Integer>("1") : parse_list();
    } else {
      numerator = tokens_.peek().is('}') ? text("") : parse_list();
      if (numerator && at_differential()) pending_variable_ = parse_differential();
    }
  }
  if (failed_ || !expect_closing(opening, [](const Token& k) { return k.is('}'); })) return {};
  return numerator;
}

// \frac{a}{b}, \frac12.
Owned<> FormulaParser::handle_frac(const Token&, Arguments& a) {
  return make<Div>(a.math[0].release(), a.math[1].release());
}

// \binom{n}{k} and the like.
Owned<> FormulaParser::handle_binom(const Token&, Arguments& a) {
  return stack(std::move(a.math[0]), std::move(a.math[1]), false);
}

// \pmod{n}: (mod n).
Owned<> FormulaParser::handle_pmod(const Token&, Arguments& a) {
  constexpr std::string_view kMod = "mod";
  Owned<> mod = make<Symbol>(kMod.data(), kMod.size());
  Owned<> product = make<Mul>(mod.release(), a.math[0].release());
  return make<Bracketed>(Delimiter::paren, product.release(), Delimiter::paren);
}

// \sqrt{x}, \sqrt[n]{x}.
Owned<> FormulaParser::handle_sqrt(const Token&, Arguments& a) {
  if (a.optional) return make<Root>(a.math[0].release(), a.optional.release());
  return make<Sqrt>(a.math[0].release());
}

// \sum, \prod, \int and \lim with their scripts. The body of a sum, a
// product or a limit is the product that follows; an integrand runs to its
// differential.
[[gnu::noinline]] Owned<> FormulaParser::handle_big_operator(const Token& t, Arguments&) {
  Owned<> lower, upper;
  for (;;) {
    const Token& s = tokens_.peek();
    if (!s.is('_') && !s.is('^')) break;
    Token op = tokens_.next();
    Owned<>& slot = op.is('_') ? lower : upper;
    if (slot) return fail_at(op, op.is('_') ? "double subscript" : "double superscript");
    int primes = 0;
    bool star = false;
    slot = parse_script(op, primes, star);
    if (!slot) return failed_ ? Owned<>() : fail_at(op, spelled(op) + " needs an argument");
  }
  // A bad character is the fault, not the body that it is not.
  if (tokens_.peek().type == Type::bad) return unexpected(tokens_.peek());
  Kind kind = t.command->kind;
  if (kind == Kind::integral) return parse_integral(t, std::move(lower), std::move(upper));
  if (kind == Kind::limit) {
    auto* to = dynamic_cast<InfixOp*>(lower.get());
    if (upper || to == nullptr || to->sign != Sign::to) {
      return fail_at(t, spelled(t) + " needs _{x \\to a}");
    }
  }
  // A sum written without its body, as in \sum_n \to \int dn, draws none.
  bool bodiless = kind != Kind::limit && at_operand_end();
  if (!bodiless && !starts_signed(tokens_.peek())) {
    return fail_at(t, spelled(t) + " needs a body");
  }
  Owned<> body = bodiless ? text("") : parse_term();
  if (!body) return {};
  // A sum over k, or over k = 1 to n, draws as the linear language's; any
  // other scripts, \sum_{i<j} or \sum^n, and the signs such as \bigcup,
  // stand under and over the sign as written.
  bool range = lower && (!upper || dynamic_cast<Equal*>(lower.get()) != nullptr);
  if (kind == Kind::big_sign || (kind != Kind::limit && !range)) {
    auto shape = kind == Kind::big_sign ? ScriptedBigOperator::row
                 : kind == Kind::sum    ? ScriptedBigOperator::sum
                                        : ScriptedBigOperator::product;
    return make<ScriptedBigOperator>(shape, static_cast<Sign>(t.command->code), body.release(),
                                     lower.release(), upper.release());
  }
  if (kind == Kind::limit) {
    auto& to = static_cast<InfixOp&>(*lower);
    return make<Limit>(body.release(), to.left.release(), to.right.release());
  }
  if (upper) {
    auto& range = static_cast<Equal&>(*lower);
    Expression* variable = range.left.release();
    Expression* from = range.right.release();
    if (kind == Kind::sum) {
      return make<SumOverInterval>(body.release(), variable, from, upper.release());
    }
    return make<ProductOverInterval>(body.release(), variable, from, upper.release());
  }
  if (kind == Kind::sum) return make<Sum>(body.release(), lower.release());
  return make<Product>(body.release(), lower.release());
}

[[gnu::noinline]] Owned<> FormulaParser::parse_integral(const Token& t, Owned<> lower,
                                                        Owned<> upper) {
  // This integral's own differential and fraction, whatever the enclosing
  // integrand had.
  struct Integrand {
    explicit Integrand(FormulaParser& p) : p(p), integrand(p.context_.integrand) {
      std::swap(held, p.pending_variable_);
      p.context_.integrand = true;
    }
    ~Integrand() {
      p.context_.integrand = integrand;
      std::swap(held, p.pending_variable_);
    }
    FormulaParser& p;
    bool integrand;
    Owned<> held;
  } scope(*this);
  Owned<> variable, body;
  if (at_differential()) {
    // The differential first: \int dx\, f(x).
    variable = parse_differential();
    context_.integrand = false;
    if (!variable) return {};
    body = starts_signed(tokens_.peek()) ? parse_term() : make<Integer>("1");
  } else {
    if (!starts_signed(tokens_.peek())) {
      return fail_at(t, spelled(t) + " needs an integrand and its differential");
    }
    body = parse_additive();
    if (body && at_differential()) {
      variable = parse_differential();
    } else if (body && pending_variable_) {
      variable = std::move(pending_variable_);
    }
  }
  // Without a differential that reads as one, the integrand is drawn as
  // written, d^2x or d^Dp in it: \int d^2x\, f(x).
  if (!body) return {};
  bool closed = t.command->code == 1;
  if (lower || upper) {
    // One bound alone stands where it is written: \int_0 f.
    return make<IntegralOnInterval>(body.release(), variable.release(), lower.release(),
                                    upper.release(), closed);
  }
  return make<Integral>(body.release(), variable.release(), closed);
}

// \mathbf{x} and the other fonts: the argument as it is.
Owned<> FormulaParser::handle_font(const Token&, Arguments& a) { return std::move(a.math[0]); }

// \mathbb{R}: the letter of its own in the symbol table, where there is
// one (drawn double-struck in Unicode); any other letter, or more, as a
// font.
Owned<> FormulaParser::handle_blackboard(const Token& t, Arguments& a) {
  auto* letter = dynamic_cast<Symbol*>(a.math[0].get());
  if (letter != nullptr && letter->name.size() == 1 && !letter->subscr && !letter->expn &&
      letter->primes == 0 && !letter->starred && !letter->overbar) {
    std::string name = "\\mathbb{" + letter->name + "}";
    if (letter_row(name) != nullptr) return make<Symbol>(name.data(), name.size());
  }
  return handle_font(t, a);
}

Owned<> FormulaParser::handle_overbar(const Token&, Arguments& a) {
  return decorate(overbar, a.math[0]);
}

// \hat{x}, \widetilde{ab}, \underline{x} and the other accents.
Owned<> FormulaParser::handle_accent(const Token& t, Arguments& a) {
  int code = t.command->code;
  return make<Accent>(a.math[0].release(), static_cast<AccentMark>(code / 2), code % 2 == 1);
}

// \text{...} as written, less its blanks at either end.
Owned<> FormulaParser::handle_text(const Token&, Arguments& a) { return plain_text(a.text, false); }

// \mathrm{...}: a word of letters and digits is a name, which may take
// scripts and arguments; anything else is text without its blanks.
// \mathrm x is the name x.
Owned<> FormulaParser::handle_mathrm(const Token& t, Arguments& a) {
  if (!a.has_text) {
    if (tokens_.peek().type == Type::letter) {
      Token letter = tokens_.next();
      return make<Symbol>(&letter.ch, 1);
    }
    return fail_at(t, spelled(t) + " needs {text}");
  }
  return plain_text(a.text, true);
}

Owned<> FormulaParser::plain_text(std::string_view raw, bool math) {
  size_t begin = static_cast<size_t>(raw.data() - tokens_.line().data());
  auto word_character = [](char c) { return is_letter(c) || is_digit(c); };
  if (math && !raw.empty() && std::all_of(raw.begin(), raw.end(), word_character)) {
    return make<Symbol>(raw.data(), raw.size());
  }
  // The blanks at either end of a text are those that a product puts
  // around it anyway: \text{if } x is "if x".
  while (!raw.empty() && is_blank(raw.front())) raw.remove_prefix(1), ++begin;
  while (!raw.empty() && is_blank(raw.back())) raw.remove_suffix(1);
  std::string shown;
  for (size_t i = 0; i < raw.size(); ++i) {
    auto c = static_cast<unsigned char>(raw[i]);
    // The byte after a backslash is checked too: it is shown as it is.
    bool escape = c == '\\' && i + 1 < raw.size() && !is_letter(raw[i + 1]);
    auto shown_byte = static_cast<unsigned char>(escape ? raw[i + 1] : c);
    if (shown_byte >= 128 || (shown_byte < 32 && shown_byte != '\t') || shown_byte == 127) {
      Token bad;
      bad.type = Type::bad;
      bad.offset = static_cast<int>(begin + i + (escape ? 1 : 0));
      return unexpected(bad);
    }
    if (escape) {
      // \{ \} \% and the like are those characters; \, \; \: \! and a
      // backslash before a blank or a tab are blanks.
      char escaped = raw[++i];
      shown += std::strchr(",;:! \t", escaped) != nullptr ? ' ' : escaped;
    } else if (!math || !is_blank(static_cast<char>(c))) {
      shown += c == '\t' ? ' ' : static_cast<char>(c);
    }
  }
  return text(shown);
}

}  // namespace latex
