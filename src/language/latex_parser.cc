// The parser core of the LaTeX reader: operands, operators, scripts,
// groups and brackets, and the errors of a formula. Commands are read by
// their rows (latex_commands.cc); their families have files of their own.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "language/latex_parser.h"

namespace latex {

constexpr std::string_view kTrigPrefixes[] = {"sin", "cos", "tan", "cot", "sec", "csc"};

// A name that the linear language draws as a trigonometric function.
bool is_trig_name(std::string_view name) {
  if (name.substr(0, 3) == "arc") name.remove_prefix(3);
  if (name.size() == 4 && name[3] == 'h') name.remove_suffix(1);
  return std::find(std::begin(kTrigPrefixes), std::end(kTrigPrefixes), name) !=
         std::end(kTrigPrefixes);
}

bool is_round(const Expression& e) {
  if (!is<Bracketed>(e)) return false;
  auto* b = static_cast<const Bracketed*>(&e);
  return b->opening == Delimiter::paren && b->closing == Delimiter::paren;
}

// What a round bracket holds, the bracket deleted.
Owned<> unwrap(Owned<> e) {
  auto& b = static_cast<Bracketed&>(*e);
  return Owned<>(b.arg.release());
}

bool is_number(const Expression& e) {
  if (is<Integer>(e) || is<Real>(e)) return true;
  return is<Neg>(e) && is_number(*static_cast<const Neg&>(e).arg);
}

// Whether a factor starts with a name, a bracket or a function, which a
// number before it joins without a blank.
bool starts_with_name(const Expression& e) {
  const Expression* first = &e;
  if (is<Pow>(*first)) first = static_cast<const Pow*>(first)->left.get();
  if (is<Subscripted>(*first)) first = static_cast<const Subscripted*>(first)->base.get();
  if (is<Fact>(*first)) first = static_cast<const Fact*>(first)->arg.get();
  if (is<Conj>(*first)) first = static_cast<const Conj*>(first)->arg.get();
  return first->category == SYMBOL_CATEGORY || first->category == FUNCTION ||
         dynamic_cast<const GlyphConstant*>(first) != nullptr ||
         is<Bracketed>(*first) || is<Abs>(*first);
}

bool closes_bar(const Token& t) {
  return delimiter_of(t) == Delimiter::bar && (role_of(t) & CLOSING) != 0;
}

bool closes_double_bar(const Token& t) {
  return delimiter_of(t) == Delimiter::double_bar && (role_of(t) & CLOSING) != 0;
}

bool is_function(const Token& t) {
  return t.is(Kind::trig) || t.is(Kind::function) || t.is(Kind::operatorname) ||
         t.is(Kind::sum) || t.is(Kind::prod) || t.is(Kind::integral) || t.is(Kind::limit) || t.is(Kind::big_sign);
}



[[gnu::noinline]] Owned<> FormulaParser::fail(int offset, const std::string& message) {
  if (failed_) return {};
  if (tokens_.too_large()) return too_large();
  failed_ = true;
  offset = source_offset(offset);
  listener_.error(Status::input, syntax_error(source_line(), offset, message), line_number_,
                  offset);
  return {};
}

// "syntax error at column C: message", C counted in characters from 1.
std::string syntax_error(std::string_view line, int offset, std::string_view message) {
  int column = 1;
  for (int i = 0; i < offset && i < static_cast<int>(line.size()); ++i) {
    if ((static_cast<unsigned char>(line[i]) & 0xc0) != 0x80) ++column;
  }
  return "syntax error at column " + std::to_string(column) + ": " + std::string(message);
}

Owned<> FormulaParser::too_large() {
  if (failed_) return {};
  failed_ = true;
  listener_.error(Status::too_large, status_message(Status::too_large), line_number_, -1);
  return {};
}

std::string FormulaParser::spelled(const Token& t, bool through_last) const {
  int end = through_last ? tokens_.last().offset + tokens_.last().length : t.offset + t.length;
  return std::string(tokens_.line().substr(t.offset, end - t.offset));
}

// A token that ends a construct that is open around the current one.
bool FormulaParser::closes_enclosing(const Token& t) const {
  return (open_brackets_ > 0 && closes_bracket(t)) || (open_braces_ > 0 && t.is('}')) ||
         (open_lefts_ > 0 && t.is(Kind::right)) ||
         (open_matrices_ > 0 && (t.is('&') || t.is(Kind::newline) || t.is(Kind::end))) ||
         (context_.open_bars > 0 && closes_bar(t)) ||
         (context_.open_double_bars > 0 && closes_double_bar(t));
}

// A token where an operand should start.
[[gnu::noinline]] Owned<> FormulaParser::unexpected(const Token& t) {
  if (t.type == Type::bad) {
    auto byte = static_cast<unsigned char>(tokens_.line()[t.offset]);
    if (byte == '\\') return fail_at(t, "\\ without a command name");
    char shown[16];
    if (byte >= 32 && byte < 127) {
      std::snprintf(shown, sizeof shown, "'%c'", byte);
    } else {
      std::snprintf(shown, sizeof shown, "'\\x%02x'", byte);
    }
    return fail_at(t, std::string("bad character ") + shown);
  }
  const Tokenizer::Last& last = tokens_.last();
  if (t.type == Type::end || closes_enclosing(t)) {
    if (last.type == Type::end) return fail_at(t, "missing formula");
    return fail_at(t, "missing operand after " +
                          std::string(tokens_.line().substr(last.offset, last.length)));
  }
  if (report_stray(t)) return {};
  if (t.is(Kind::negation)) return fail_at(t, "\\not needs = or \\in after it");
  return fail_at(t, "missing operand before " + spelled(t));
}

// Reports a closing token that closes nothing; false for any other token.
[[gnu::noinline]] bool FormulaParser::report_stray(Token t) {
  if (t.is('}') || closes_bracket(t)) {
    fail_at(t, "unbalanced " + spelled(t));
  } else if (t.is('&')) {
    fail_at(t, "& outside a matrix");
  } else if (t.is(Kind::newline)) {
    fail_at(t, "\\\\ outside a matrix");
  } else if (t.is(Kind::right)) {
    tokens_.next();
    Delimiter d;
    fail_at(t, spelled(t, read_delimiter(d)) + " without \\left");
  } else if (t.is(Kind::end)) {
    tokens_.next();
    std::string_view name;
    if (read_environment(name)) {
      fail_at(t, "\\end{" + std::string(name) + "} without \\begin");
    } else {
      fail_at(t, "\\end without \\begin");
    }
  } else {
    return false;
  }
  return true;
}

// What is missing where opening should close. At the end, or before a
// token that closes an enclosing construct, the opening is the fault;
// before another closing token, that token.
[[gnu::noinline]] void FormulaParser::report_unclosed(const Token& opening) {
  const Token& t = tokens_.peek();
  if (t.type == Type::end || closes_enclosing(t)) {
    if (opening.is(Kind::left)) {
      fail_at(opening, spelled(opening) + " without \\right");
    } else if (opening.is(Kind::begin)) {
      fail_at(opening, spelled(opening) + " without \\end");
    } else {
      fail_at(opening, "unbalanced " + spelled(opening));
    }
  } else if (!report_stray(t)) {
    unexpected(t);
  }
}

// ---- Operands ----

// Whether a bracket command starts an operand: an opening one does, and
// after an operand a bar only when none of its kind is open.
bool FormulaParser::delimiter_starts_factor(const Token& t, bool after_operand) const {
  int role = t.command->code & 3;
  if (role != EITHER) return role == OPENING;
  bool bar = delimiter_of(t) == Delimiter::bar;
  return !after_operand || (bar ? context_.open_bars : context_.open_double_bars) == 0;
}

// Whether a round bracket follows, as the argument list of a name:
// ( or \left(.
[[gnu::noinline]] bool FormulaParser::at_call() {
  const Token& t = tokens_.peek();
  if (t.is('(')) return true;
  if (!t.is(Kind::left)) return false;
  Tokenizer::Mark m = tokens_.mark();
  tokens_.next();
  bool round = tokens_.peek().is('(');
  tokens_.reset(m);
  return round;
}

// Whether the formula or a cell ends right after the punctuation mark
// that comes next.
[[gnu::noinline]] bool FormulaParser::punctuation_ends() {
  Tokenizer::Mark m = tokens_.mark();
  tokens_.next();
  const Token& after = tokens_.peek();
  bool last = after.type == Type::end ||
              (open_matrices_ > 0 && (after.is('&') || after.is(Kind::newline) ||
                                      after.is(Kind::end)));
  tokens_.reset(m);
  return last;
}

// The formula e with the punctuation that at_final_punctuation found,
// drawn right after it as in a sentence.
Owned<> FormulaParser::punctuated(Owned<> e) {
  Token mark = tokens_.next();
  // The mark is made first: a failure then leaves e owned.
  Owned<> punctuation = text(std::string_view(&mark.ch, 1));
  return make<Juxtaposed>(e.release(), punctuation.release());
}

// In an integrand, whether its differential comes next: d, \mathrm{d} or
// \operatorname{d}, then a letter or a Greek one.
[[gnu::noinline]] bool FormulaParser::differential_follows() {
  const Token& first = tokens_.peek();
  bool d = first.type == Type::letter && first.ch == 'd';
  if (!d && !first.is(Kind::mathrm) && !first.is(Kind::operatorname) && !first.is(Kind::text)) {
    return false;
  }
  Tokenizer::Mark m = tokens_.mark();
  tokens_.next();
  size_t begin, end;
  bool found =
      d || (tokens_.braced_text(begin, end) && tokens_.line().substr(begin, end - begin) == "d");
  if (found) {
    const Token& var = tokens_.peek();
    found = var.type == Type::letter || var.is(Kind::name);
  }
  tokens_.reset(m);
  return found;
}

// The variable of the differential that at_differential found.
Owned<> FormulaParser::parse_differential() {
  Token d = tokens_.next();
  if (d.type == Type::command) {
    size_t begin, end;
    tokens_.braced_text(begin, end);
  }
  Token var = tokens_.next();
  Owned<> name = var.type == Type::letter
                     ? make<Symbol>(&var.ch, 1)
                     : make<Symbol>(var.command->text.data(), var.command->text.size());
  return parse_scripts(std::move(name));
}

// Where an operand would start, but the formula, the group or the list
// ends, or a relation follows: a fragment such as "a +" or "L_{+}" has no
// operand there and draws none.
bool FormulaParser::operand_ends_at(const Token& t) const {
  // A bar may open an operand as well as close one: |x| - |y|.
  if (role_of(t) == EITHER) return false;
  return t.type == Type::end || closes_enclosing(t) || closes_bracket(t) || t.is(',') ||
         t.is(Kind::over) || (relation_of(t) >= 0 && !t.is('|'));
}

// A closing bracket that closes nothing: the right end of a bracket whose
// left end the formula leaves out, as in "b)" or \nu] of an index [\mu ... \nu].
bool FormulaParser::stray_closing(const Token& t) const {
  return closes_bracket(t) && !closes_enclosing(t) && context_.open_bars == 0 &&
         context_.open_double_bars == 0;
}

// What a bar after an operand is, when no bars are open: the bar of an
// evaluation, f|_{x=0}; a bar that closes, as in the bra \langle a| or
// where nothing follows it; or the start of an operand.
[[gnu::noinline]] FormulaParser::Bar FormulaParser::bar_at() {
  if (!is_single_bar(tokens_.peek()) || context_.open_bars > 0) return Bar::none;
  Tokenizer::Mark m = tokens_.mark();
  tokens_.next();
  const Token& after = tokens_.peek();
  Bar bar = after.is('_') || after.is('^') ? Bar::evaluation
            : after.type == Type::end || closes_enclosing(after) || closes_bracket(after) ||
                    after.is(',') || (relation_of(after) >= 0 && !after.is('|'))
                ? Bar::closing
            // A sign after it starts what the bars hold, q|-x| and q|\pm>,
            // unless a bracket is open: the bra of <a| + |b>.
            : is_sign(after) && open_brackets_ == 0 ? Bar::opening
                                                    : Bar::none;
  tokens_.reset(m);
  return bar;
}

// The left operand with the closing bracket or bar that ends it.
// Scripts after it go to the whole, as in A_{[\mu}B_{\nu]_+}.
[[gnu::noinline]] Owned<> FormulaParser::close_one_side(Owned<> left) {
  Token closing = tokens_.next();
  Owned<> closed = make<Bracketed>(Delimiter::none, left.release(), delimiter_of(closing));
  if (!closed) return {};
  return parse_scripts(std::move(closed));
}

// f|_{x=0}^{1}: the bar with its scripts right after the operand.
[[gnu::noinline]] Owned<> FormulaParser::parse_evaluation_bar(Owned<> left) {
  tokens_.next();
  Owned<> bar = parse_scripts(text("|"));
  if (!bar) return {};
  return make<Juxtaposed>(left.release(), bar.release());
}

Owned<> FormulaParser::parse(std::string_view line, size_t begin, size_t end, bool may_hold_rows,
                             bool& empty) {
  tokens_.start(line, begin, end);
  // Spacing and styles alone write no formula.
  empty = tokens_.peek().type == Type::end && !tokens_.too_large();
  if (empty) return {};
  bool columns = false;
  Owned<> e;
  if (may_hold_rows && has_rows(line.substr(begin, end - begin), columns)) {
    e = parse_top_rows(columns);
  } else {
    e = parse_list_here();
    if (e && tokens_.peek().is(Kind::over)) e = parse_over(std::move(e));
    if (e && at_final_punctuation()) e = punctuated(std::move(e));
  }
  if (e && tokens_.peek().type != Type::end) {
    const Token& t = tokens_.peek();
    if (!report_stray(t)) unexpected(t);
    e.reset();
  }
  if (tokens_.too_large()) {
    // The rest of the line was never read.
    e.reset();
    too_large();
  }
  if (!e && !failed_) fail(static_cast<int>(begin), "not a formula");
  return e;
}

// list: relation (',' relation)*
Owned<> FormulaParser::parse_list() { return parse_list_here(); }

[[gnu::always_inline]] inline Owned<> FormulaParser::parse_list_here() {
  Open level(depth_);
  if (depth_ > max_depth_) return too_large();
  Owned<> first = tokens_.peek().is(',') ? text("") : parse_relation();
  if (!first || !tokens_.peek().is(',')) return first;
  return parse_sequence(std::move(first));
}

// The functions that the parser's recursion passes through keep their
// frames small: what only some lines need is in functions of its own.
[[gnu::noinline]] Owned<> FormulaParser::parse_sequence(Owned<> first) {
  if (at_final_punctuation()) return first;
  auto items = new_list<FunctionArgs>();
  // A list takes an item only once it has room for it.
  items->append_item(first.get());
  (void)first.release();
  while (tokens_.peek().is(',') && !at_final_punctuation()) {
    tokens_.next();
    // An item may start with its relation, as in \delta_{\parallel,\perp}.
    Owned<> item = at_operand_end() && relation_at() < 0 ? text("") : parse_relation();
    if (!item) return {};
    items->append_item(item.get());
    (void)item.release();
  }
  return make<Sequence>(items.release());
}

// The items of an argument list.
bool FormulaParser::parse_items(FunctionArgs& items) {
  for (;;) {
    Owned<> item = (at_operand_end() && relation_at() < 0) || tokens_.peek().is(',')
                       ? text("")
                       : parse_relation();
    if (!item) return false;
    items.append_item(item.get());
    (void)item.release();
    if (!tokens_.peek().is(',')) return true;
    tokens_.next();
  }
}

// The relation that \not, a bar or a > between bars makes, or -1: \not=
// and \not\in, a bar that separates, as in P(A|B), and a > that does not
// end a ket.
[[gnu::noinline]] int FormulaParser::relation_after_mark() {
  const Token& t = tokens_.peek();
  if (t.is('|')) return at_mid() ? relation_code(Sign::divides) : -1;
  if (t.is('>') && context_.open_bars > 0) return at_ket_end() ? -1 : relation_code(GREATER);
  if (!t.is(Kind::negation)) return relation_of(t);
  Tokenizer::Mark m = tokens_.mark();
  tokens_.next();
  int code = relation_of(tokens_.peek());
  tokens_.reset(m);
  if (code == relation_code(EQUAL)) return relation_code(Sign::not_equal);
  if (code == relation_code(Sign::element_of)) return relation_code(Sign::not_element_of);
  return -1;
}

// Whether a bar after an operand separates what a bracket holds, as in
// P(A|B) and \langle a|b \rangle: no bar closes it before the bracket does.
[[gnu::noinline]] bool FormulaParser::at_mid() {
  if (open_brackets_ == 0 || context_.open_bars > 0) return false;
  Tokenizer::Mark m = tokens_.mark();
  tokens_.next();
  int depth = 0;
  bool mid = false;
  for (;;) {
    const Token& t = tokens_.peek();
    if (t.type == Type::end || t.type == Type::bad || (depth == 0 && t.is('|'))) break;
    if (closes_bracket(t) || t.is('}') || t.is(Kind::right)) {
      if (depth-- == 0) {
        mid = closes_bracket(t);
        break;
      }
    } else if (role_of(t) == OPENING || t.is('{') || t.is(Kind::left)) {
      ++depth;
    }
    tokens_.next();
  }
  tokens_.reset(m);
  return mid;
}

// Whether the > that comes next ends a ket written |a>: no operand
// follows it, or a sign and another ket, as in |a> = |b>, |\pm>, |a> + |b>.
[[gnu::noinline]] bool FormulaParser::at_ket_end() {
  Tokenizer::Mark m = tokens_.mark();
  tokens_.next();
  bool end = !starts_signed(tokens_.peek()) || at_final_punctuation();
  if (is_sign(tokens_.peek())) {
    // A sum of kets: |a> + |b>.
    tokens_.next();
    end = tokens_.peek().is('|');
  }
  tokens_.reset(m);
  return end;
}

// relation: additive (REL additive)*, grouped to the right. It is taken
// into each list, the one place of the recursion that it would add a frame.
[[gnu::always_inline]] inline Owned<> FormulaParser::parse_relation() {
  // A fragment such as "> 0" starts with its relation.
  bool starts_with_relation = relation_at() >= 0 && !tokens_.peek().is('|');
  Owned<> first = starts_with_relation ? text("") : parse_sum();
  if (!first || relation_at() < 0) return first;
  return parse_relations(std::move(first));
}

[[gnu::noinline]] Owned<> FormulaParser::parse_relations(Owned<> first) {
  std::vector<Owned<>> operands;
  std::vector<int> codes;
  for (int code; (code = relation_at()) >= 0;) {
    if (tokens_.next().is(Kind::negation)) tokens_.next();
    // A relation last in a cell or a fragment has an empty operand on its
    // right: a = & b, a =.
    Owned<> operand = at_operand_end() || at_cell_end() ? text("") : parse_sum();
    if (!operand) return {};
    if (codes.empty()) {
      // One relation, the usual case, needs no lists.
      if (relation_at() < 0) return relation(code, std::move(first), std::move(operand));
      operands.push_back(std::move(first));
    }
    codes.push_back(code);
    operands.push_back(std::move(operand));
  }
  // A look ahead that ran out of the statement's cost takes back the
  // relation that the caller saw: the line is too large, and said so.
  if (codes.empty()) return first;
  Owned<> right = std::move(operands.back());
  for (size_t i = codes.size(); i-- > 0;) {
    right = relation(codes[i], std::move(operands[i]), std::move(right));
  }
  return right;
}

Owned<> FormulaParser::relation(int code, Owned<> left, Owned<> right) {
  Expression* l = left.release();
  Expression* r = right.release();
  switch (code) {
    case EQUAL: return make<Equal>(l, r);
    case LESS: return make<Less>(l, r);
    case GREATER: return make<Greater>(l, r);
    case LESS_EQUAL: return make<LessOrEqual>(l, r);
    case GREATER_EQUAL: return make<GreaterOrEqual>(l, r);
    default: return make<InfixOp>(static_cast<Sign>(code - OTHER_RELATION), l, r);
  }
}

// additive: term (('+' | '-' | \pm | \mp) term)*
Owned<> FormulaParser::parse_additive(Owned<> left) {
  if (!left) left = parse_term();
  while (left && is_sign(tokens_.peek())) {
    Token op = tokens_.next();
    // A sign last in a cell or a fragment, as in a + & b, has an empty
    // operand after it.
    Owned<> right = at_operand_end() || at_cell_end() ? text("") : parse_term();
    if (!right) return {};
    if (op.is('+')) {
      left = make<Add>(left.release(), right.release());
    } else if (op.is('-')) {
      left = make<Sub>(left.release(), right.release());
    } else {
      left = make<InfixOp>(static_cast<Sign>(op.command->code), left.release(), right.release());
    }
  }
  return left;
}

// term: signed (('*' | \cdot | \times | \div | '/') signed | factor)*, a
// factor with no operator before it a product by juxtaposition.
Owned<> FormulaParser::parse_term() {
  // A fragment such as "\cdot b" starts with its operator.
  const Token& first = tokens_.peek();
  if ((first.type == Type::letter || first.type == Type::number) && depth_ + 2 <= max_depth_) {
    // A letter or a number, most often alone before a sign, a relation or
    // the end, takes the short way past the factor and the primary; the
    // depth that they count would stop nothing here.
    Owned<> left;
    {
      Open level(depth_);
      left = parse_leaf();
      if (ends_lone_operand(tokens_.peek())) return left;
      left = factor_rest(std::move(left));
    }
    return term_rest(std::move(left));
  }
  if (first.product >= 0 || is_sign(first)) {
    return term_rest(first.product >= 0 ? text("") : parse_signs());
  }
  // The factor, read here rather than through parse_factor: most terms
  // that do not start with a letter or a number start with a command.
  Owned<> left;
  {
    Open level(depth_);
    if (depth_ > max_depth_) return too_large();
    left = factor_rest(parse_primary());
  }
  return term_rest(std::move(left));
}

[[gnu::always_inline]] inline Owned<> FormulaParser::term_rest(Owned<> left) {
  auto product_at = [](const Token& t) { return t.product; };
  while (left) {
    const Token& t = tokens_.peek();
    int product = product_at(t);
    if (product < 0) {
      if (ends_lone_operand(t)) break;
      if (closes_bracket(t) && stray_closing(t)) {
        left = close_one_side(std::move(left));
        continue;
      }
      Bar bar = is_single_bar(t) && context_.open_bars == 0 ? bar_at() : Bar::none;
      if (bar == Bar::evaluation) {
        left = parse_evaluation_bar(std::move(left));
        continue;
      }
      if (bar == Bar::closing && open_brackets_ == 0) {
        left = close_one_side(std::move(left));
        continue;
      }
      if (bar == Bar::opening) {
        Owned<> right = parse_factor();
        if (!right) return {};
        left = juxtapose(std::move(left), std::move(right));
        continue;
      }
      if (!starts_factor(t) || at_differential() || at_final_punctuation() ||
          (t.is('|') && at_mid()) || bar == Bar::closing) {
        break;
      }
      Owned<> right = parse_factor();
      if (!right) return {};
      left = juxtapose(std::move(left), std::move(right));
      continue;
    }
    if (product == DOT && at_dotted_ellipsis()) {
      Owned<> dots = make<Ellipsis>();
      left = make<Mul>(left.release(), dots.release());
      continue;
    }
    tokens_.next();
    Owned<> right = at_operand_end()            ? text("")
                    : is_sign(tokens_.peek()) ? parse_signs()
                                              : parse_factor();
    if (!right) return {};
    switch (product) {
      case DOT:
        left = make<Mul>(left.release(), right.release());
        break;
      case SLASH:
        // A stacked fraction shows the grouping that round brackets around
        // its operands wrote.
        if (is_round(*left)) left = unwrap(std::move(left));
        if (is_round(*right)) right = unwrap(std::move(right));
        left = make<Div>(left.release(), right.release());
        break;
      default:
        left = make<InfixOp>(product == CROSS ? Sign::times : Sign::divide, left.release(),
                             right.release());
    }
  }
  return left;
}

// Whether three \cdot or more come next, an ellipsis written dot by dot;
// they are taken when they do.
[[gnu::noinline]] bool FormulaParser::at_dotted_ellipsis() {
  auto is_cdot = [](const Token& t) { return t.is(Kind::product) && t.command->text.empty() &&
                                             t.command->code == DOT; };
  Tokenizer::Mark m = tokens_.mark();
  int dots = 0;
  while (is_cdot(tokens_.peek())) {
    tokens_.next();
    ++dots;
  }
  if (dots < 3) tokens_.reset(m);
  return dots >= 3;
}

Owned<> FormulaParser::juxtapose(Owned<> left, Owned<> right) {
  if (is_number(*left) && starts_with_name(*right)) {
    return make<Juxtaposed>(left.release(), right.release());
  }
  return make<Mul>(left.release(), right.release());
}

// signed: ('-' | '+' | \pm | \mp)* factor; a sign binds as the linear
// language's minus does, tighter than products and looser than powers.
Owned<> FormulaParser::parse_signed() {
  if (!is_sign(tokens_.peek())) return parse_factor();
  return parse_signs();
}

[[gnu::noinline]] Owned<> FormulaParser::parse_signs() {
  std::vector<Token> signs;
  while (is_sign(tokens_.peek())) signs.push_back(tokens_.next());
  // A sign alone, as in L_{+} or a + (-), is drawn as written.
  Owned<> e = at_operand_end() ? text("") : parse_factor();
  for (; e && !signs.empty(); signs.pop_back()) {
    const Token& sign = signs.back();
    if (sign.is('-')) {
      // Round brackets that the minus draws anyway are not doubled.
      if (is_round(*e) && static_cast<Bracketed&>(*e).arg->needs_parens()) {
        e = unwrap(std::move(e));
      }
      e = make<Neg>(e.release());
    } else {
      Sign s = sign.is('+') ? Sign::plus : static_cast<Sign>(sign.command->code);
      e = make<Signed>(s, e.release());
    }
  }
  return e;
}

// factor: primary, then its scripts, primes and factorials, and after a
// name its argument list.
Owned<> FormulaParser::parse_factor() {
  Open level(depth_);
  if (depth_ > max_depth_) return too_large();
  return factor_rest(parse_primary());
}

[[gnu::always_inline]] inline Owned<> FormulaParser::factor_rest(Owned<> e) {
  while (e) {
    if (starts_script(tokens_.peek())) {
      e = parse_scripts(std::move(e));
      if (!e) return {};
    }
    if (e->category == SYMBOL_CATEGORY && static_cast<Symbol&>(*e).expn == nullptr &&
        may_call(tokens_.peek()) && at_call()) {
      e = parse_call(std::move(e), false);
      continue;
    }
    if (!tokens_.peek().is('!')) break;
    tokens_.next();
    e = make<Fact>(e.release());
  }
  return e;
}

// Subscript, superscript and primes, in any order and at most one of each
// script. A subscript goes to a name as its own, to anything else as a
// Subscripted; a superscript * conjugates, one of primes adds them.
Owned<> FormulaParser::parse_scripts(Owned<> base) {
  Owned<> sub, sup;
  int primes = 0;
  bool star = false;
  bool raised = false;
  bool lowered = false;
  Token prime;
  for (;;) {
    const Token& t = tokens_.peek();
    if (t.is('\'') || t.is(Kind::prime)) {
      if (raised) return fail_at(t, "double superscript");
      if (primes++ == 0) prime = t;
      tokens_.next();
    } else if (t.is('^')) {
      if (raised) return fail_at(t, "double superscript");
      raised = true;
      Token op = tokens_.next();
      if (primes == 0) prime = op;
      sup = parse_script(op, primes, star);
      if (failed_) return {};
    } else if (t.is('_')) {
      if (lowered) return fail_at(t, "double subscript");
      lowered = true;
      Token op = tokens_.next();
      int no_primes = 0;
      bool no_star = false;
      sub = parse_script(op, no_primes, no_star);
      if (!sub) return {};
    } else {
      break;
    }
  }
  // An empty group writes no script: x^{} is x.
  auto empty = [](const Owned<>& e) {
    return e != nullptr && is<Text>(*e) && static_cast<const Text&>(*e).lexeme.empty();
  };
  if (empty(sub)) sub.reset();
  if (empty(sup)) sup.reset();
  if (sub) {
    auto* name = base->category == SYMBOL_CATEGORY ? static_cast<Symbol*>(base.get()) : nullptr;
    if (name != nullptr && name->subscr == nullptr && name->expn == nullptr) {
      name->set_subscr(sub.release());
    } else {
      base = make<Subscripted>(base.release(), sub.release());
    }
  }
  if (primes > 0) {
    // An accented name takes its primes under the accent: \hat{f}'(x).
    Expression* marked = base.get();
    while (auto* accent = dynamic_cast<Accent*>(marked)) marked = accent->arg.get();
    auto* name = marked->category == SYMBOL_CATEGORY ? static_cast<Symbol*>(marked) : nullptr;
    if (name != nullptr && name->expn != nullptr) {
      return fail_at(prime, "a prime needs a name before it");
    }
    if (name != nullptr) {
      for (int i = 0; i < primes; ++i) name->add_prime();
    } else {
      // (\cosh x)', {}': the marks right after what they mark.
      Owned<> marks = text(std::string(static_cast<size_t>(primes), '\''));
      base = make<Juxtaposed>(base.release(), marks.release());
    }
  }
  if (star) base = decorate(conjugate, base);
  if (sup) base = decorate(raise, base, sup);
  return base;
}

// The argument of ^ or _: a group or one token, a digit being one. A
// superscript of primes or a star marks the base instead and is null.
[[gnu::noinline]] Owned<> FormulaParser::parse_script(const Token& op, int& primes, bool& star) {
  auto mark = [&](const Token& t) {
    if (t.is(Kind::prime) || t.is('\'')) {
      ++primes;
      return true;
    }
    if (t.is('*') || (t.is(Kind::product) && t.command->text == "*")) {
      star = true;
      return true;
    }
    return false;
  };
  const Token& t = tokens_.peek();
  if (op.is('^') && mark(t)) {
    tokens_.next();
    return {};
  }
  if (op.is('^') && t.is(Kind::additive) && t.command->code == static_cast<int>(Sign::ring)) {
    // x^\circ: x degrees.
    tokens_.next();
    constexpr std::string_view kDegree = "\\degree";
    return make<Symbol>(kDegree.data(), kDegree.size());
  }
  // A sign, a relation or a bracket alone is a script as written: G_+,
  // g^>_n, \{a, b\}_*.
  static constexpr auto kAlone = [] {
    std::array<bool, 256> alone{};
    for (unsigned char c : std::string_view("+-<>=*()[]/!?;:.")) alone[c] = true;
    return alone;
  }();
  if (t.type == Type::character && kAlone[static_cast<unsigned char>(t.ch)]) {
    Token sign = tokens_.next();
    return text(std::string_view(&sign.ch, 1));
  }
  if (t.is(Kind::product) && t.command->text == "*") {
    tokens_.next();
    return text("*");
  }
  bool relation_sign = t.is(Kind::relation) && t.command->code >= OTHER_RELATION;
  if (t.is(Kind::additive) || relation_sign) {
    // G_\pm, k_\perp: the sign alone.
    Token sign = tokens_.next();
    int code = sign.command->code - (relation_sign ? OTHER_RELATION : 0);
    Owned<> blank = text("");
    return make<Signed>(static_cast<Sign>(code), blank.release());
  }
  if (t.is('{') && op.is('^')) {
    // {\prime\prime} and {*} mark the base too.
    Tokenizer::Mark m = tokens_.mark();
    int primes_before = primes;
    Token brace = tokens_.next();
    bool marked = false;
    while (mark(tokens_.peek())) {
      tokens_.next();
      marked = true;
    }
    // An ordinary group: its first token is read already.
    if (!marked) return parse_group_here(brace);
    if (tokens_.peek().is('}')) {
      tokens_.next();
      return {};
    }
    primes = primes_before;
    star = false;
    tokens_.reset(m);
  }
  return parse_argument(op, 1);
}

// An argument: a group, a digit, a letter or a command with its own
// arguments.
Owned<> FormulaParser::parse_argument(const Token& command, int count) {
  const Token& t = tokens_.peek();
  if (t.is('{')) return parse_group_here(tokens_.next());
  if (t.type == Type::number) {
    Token digit = tokens_.next_digit();
    return make<Integer>(digit.text.data(), digit.text.size());
  }
  if (t.type == Type::letter || (t.type == Type::command && starts_factor(t, false))) {
    return parse_primary();
  }
  if (t.type == Type::bad) return unexpected(t);
  return missing_argument(command, count);
}

// Out of line: the message is made only when it is needed, and its frame
// is not on the recursion's path.
[[gnu::noinline]] Owned<> FormulaParser::missing_argument(const Token& command, int count) {
  std::string need = count > 1 ? " needs " + std::to_string(count) + " arguments"
                               : std::string(" needs an argument");
  return fail_at(command, spelled(command) + need);
}

// A group after its opening brace: what it holds, or a blank when empty.
Owned<> FormulaParser::parse_group(const Token& opening) { return parse_group_here(opening); }

[[gnu::always_inline]] inline Owned<> FormulaParser::parse_group_here(const Token& opening) {
  // A letter or a number alone, as in \frac{1}{2} or x^{10}, is what the
  // group holds, without the descent through a list to its leaf; the
  // depth that the descent counts would stop nothing.
  const Token& first = tokens_.peek();
  if ((first.type == Type::letter || first.type == Type::number) && tokens_.brace_after(first) &&
      depth_ + 3 <= max_depth_) {
    Owned<> leaf = parse_leaf();
    tokens_.next();
    return leaf;
  }
  Owned<> content;
  {
    Nested nested(*this);
    Open open(open_braces_);
    // A bracket opened outside the group is not closed inside it: there,
    // A_{C]}, a closing bracket closes what comes before it in the group.
    int outside = std::exchange(open_brackets_, 0);
    content = tokens_.peek().is('}') ? text("") : parse_list_here();
    if (content && tokens_.peek().is(Kind::over)) content = parse_over(std::move(content));
    open_brackets_ = outside;
  }
  if (!content || !expect_closing(opening, [](const Token& t) { return t.is('}'); })) return {};
  return content;
}

// {a \over b}, {n \choose k}: what stands before the command in the group
// over what follows it.
[[gnu::noinline]] Owned<> FormulaParser::parse_over(Owned<> numerator) {
  Token over = tokens_.next();
  Owned<> denominator = parse_list();
  if (!denominator) return {};
  int code = over.command->code;
  return stack(std::move(numerator), std::move(denominator), code == 0,
               code == 1 ? Delimiter::paren : Delimiter::none);
}

// A fraction, or without its bar the two in a column: a binomial between
// round brackets, \atop without any.
Owned<> FormulaParser::stack(Owned<> top, Owned<> bottom, bool bar, Delimiter brackets) {
  if (bar) return make<Div>(top.release(), bottom.release());
  auto* array = new (pool_) Array(brackets, brackets);
  Owned<> made(array);
  array->rows.reserve(2);
  for (Owned<>* cell : {&top, &bottom}) {
    auto row = new_list<Matrix::Row>();
    row->append_item(cell->get());
    (void)cell->release();
    array->add_row(row.get());
    (void)row.release();
  }
  return made;
}

Owned<> FormulaParser::parse_primary() {
  if (depth_ >= max_depth_) return too_large();
  const Token& next = tokens_.peek();
  // Letters and numbers first: they are most operands, and hold none.
  if (next.type == Type::letter || next.type == Type::number) return parse_leaf();
  Open level(depth_);
  // Scripts or primes with no base, as in _a x or {}^\circ written
  // without its braces, stand on an empty one.
  if (starts_script(next)) return text("");
  if (next.is('/') || next.is(Kind::negation)) return parse_slashed();
  if (!starts_factor(next, false)) return unexpected(next);
  Token t = tokens_.next();
  switch (t.type) {
    case Type::character:
      switch (t.ch) {
        case '(':
          return parse_bracket(t, Delimiter::paren);
        case '[':
          return parse_bracket(t, Delimiter::square);
        case '{':
          return parse_group(t);
        case '|':
          return parse_bars(t, Delimiter::bar);
        default:
          return text(std::string_view(&t.ch, 1));
      }
    default:
      return parse_command(t);
  }
}

Owned<> FormulaParser::parse_leaf() {
  const Token& t = tokens_.peek();
  if (t.type == Type::letter) {
    char letter = t.ch;
    tokens_.next();
    return make<Symbol>(&letter, 1);
  }
  std::string_view digits = t.text;
  bool point = t.ch == '.';
  tokens_.next();
  if (point) return make<Real>(digits.data(), digits.size());
  return make<Integer>(digits.data(), digits.size());
}

// A slash where an operand starts, or \not before one, slashes it: the
// Feynman slash of /\!\!\!\partial and \not\!\! D, drawn /D.
[[gnu::noinline]] Owned<> FormulaParser::parse_slashed() {
  Token slash = tokens_.next();
  if (!starts_factor(tokens_.peek(), false)) {
    return slash.is('/') ? text("/") : unexpected(slash);
  }
  Owned<> operand = parse_factor();
  if (!operand) return {};
  Owned<> mark = text("/");
  return make<Juxtaposed>(mark.release(), operand.release());
}

// A command: its row says which arguments follow it, and its handler
// makes the node of them.
[[gnu::noinline]] Owned<> FormulaParser::parse_command(const Token& t) {
  if (t.command == nullptr) return unknown_command(t);
  const Command& c = *t.command;
  if (c.handler == nullptr) return unexpected(t);
  Arguments a;
  if (!read_arguments(t, c, a)) return {};
  return (this->*c.handler)(t, a);
}

// A command without a row is drawn as written, with the braced arguments
// that follow it, so that nothing is lost: \label{eq:1}.
[[gnu::noinline]] Owned<> FormulaParser::unknown_command(const Token& t) {
  std::string name = spelled(t);
  listener_.warning("unknown command " + name, line_number_, source_offset(t.offset));
  size_t begin, end, last = t.offset + t.length;
  while (tokens_.peek().is('{') && tokens_.braced_text(begin, end)) last = end + 1;
  std::string written(tokens_.line().substr(t.offset, last - t.offset));
  return make<Symbol>(written.data(), written.size());
}

// The arguments that a command's row names, in its order.
[[gnu::always_inline]] inline bool FormulaParser::read_arguments(const Token& t, const Command& c,
                                                                  Arguments& a) {
  auto count = std::count_if(c.args.begin(), c.args.end(),
                             [](char k) { return k == 'm' || k == 'n'; });
  int math = 0;
  for (char k : c.args) {
    switch (k) {
      case 'm':
        a.math[math] = parse_argument(t, static_cast<int>(count));
        if (!a.math[math++]) return false;
        break;
      case 'n':
        a.math[math] = at_integrand_numerator() ? parse_numerator()
                                                : parse_argument(t, static_cast<int>(count));
        if (!a.math[math++]) return false;
        break;
      case 'o':
        if (tokens_.peek().is('[')) {
          a.optional = parse_optional(tokens_.next());
          if (!a.optional) return false;
        }
        break;
      case 's':
        if (tokens_.peek().is('*')) {
          tokens_.next();
          a.star = true;
        }
        break;
      case 't':
      case 'T': {
        size_t begin, end;
        a.has_text = tokens_.braced_text(begin, end);
        if (a.has_text) {
          a.text = tokens_.line().substr(begin, end - begin);
        } else if (k == 't') {
          fail_at(t, spelled(t) + " needs {text}");
          return false;
        }
        break;
      }
    }
  }
  return true;
}

// [...] after a command, as \sqrt[n]{x} writes it.
Owned<> FormulaParser::parse_optional(const Token& opening) {
  Owned<> content;
  {
    Nested nested(*this);
    Open open(open_brackets_);
    content = parse_list();
  }
  if (!content || !expect_closing(opening, [](const Token& k) { return k.is(']'); })) return {};
  return content;
}

Owned<> FormulaParser::handle_name(const Token& t, Arguments&) {
  return make<Symbol>(t.command->text.data(), t.command->text.size());
}

Owned<> FormulaParser::handle_literal(const Token& t, Arguments&) {
  return text(t.command->text);
}

Owned<> FormulaParser::handle_pi(const Token&, Arguments&) { return make<Pi>(); }
Owned<> FormulaParser::handle_infinity(const Token&, Arguments&) { return make<Infinity>(); }
Owned<> FormulaParser::handle_nabla(const Token&, Arguments&) { return make<Nabla>(); }
Owned<> FormulaParser::handle_ellipsis(const Token&, Arguments&) { return make<Ellipsis>(); }

Owned<> FormulaParser::handle_delimiter(const Token& t, Arguments&) {
  Delimiter d = delimiter_of(t);
  if (d == Delimiter::bar || d == Delimiter::double_bar) return parse_bars(t, d);
  return parse_bracket(t, d);
}

// ( [ \{ \langle: what they hold, up to any closing bracket, as in the
// interval [0, 1).
[[gnu::noinline]] Owned<> FormulaParser::parse_bracket(const Token& opening, Delimiter d) {
  Owned<> content;
  {
    Nested nested(*this);
    Open open(open_brackets_);
    content = closes_bracket(tokens_.peek()) ? text("") : parse_list();
  }
  if (!content) return {};
  const Token& after = tokens_.peek();
  Delimiter closing = delimiter_of(after);
  if (is_single_bar(after)) {
    // The bra \langle a|.
    tokens_.next();
  } else if (after.type == Type::end || (closes_enclosing(after) && !closes_bracket(after)) ||
             at_final_punctuation()) {
    // [0, 1 left open where the formula or the group ends, or before the
    // formula's last comma or period.
    closing = Delimiter::none;
  } else if (!expect_closing(opening, closes_bracket)) {
    return {};
  }
  return make<Bracketed>(d, content.release(), closing);
}

// | and \|, closed by their own kind: an absolute value and a norm.
[[gnu::noinline]] Owned<> FormulaParser::parse_bars(const Token& opening, Delimiter d) {
  bool single = d == Delimiter::bar;
  Owned<> content;
  {
    Nested nested(*this);
    (single ? context_.open_bars : context_.open_double_bars) = 1;
    content = parse_list();
  }
  if (!content) return {};
  const Token& after = tokens_.peek();
  if (!(single ? closes_bar : closes_double_bar)(after)) {
    // The ket |a\rangle or |a>, and bars that the formula or the group
    // leaves open.
    if (stray_closing(after) || (single && after.is('>'))) {
      return make<Bracketed>(d, content.release(), delimiter_of(tokens_.next()));
    }
    if (after.type == Type::end || closes_enclosing(after) || at_final_punctuation()) {
      return make<Bracketed>(d, content.release(), Delimiter::none);
    }
  }
  if (!expect_closing(opening, single ? closes_bar : closes_double_bar)) return {};
  if (single) return make<Abs>(content.release());
  return make<Bracketed>(d, content.release(), d);
}

// The bracket after \left or \right.
bool FormulaParser::read_delimiter(Delimiter& d) {
  const Token& t = tokens_.peek();
  if (t.is('.')) {
    d = Delimiter::none;
  } else if (role_of(t) != 0 || t.is('<') || t.is('>')) {
    d = delimiter_of(t);
  } else {
    return false;
  }
  tokens_.next();
  return true;
}

// \left X ... \right Y: bars on both sides are an absolute value, round
// brackets draw as the linear language's, a dot is no bracket.
[[gnu::noinline]] Owned<> FormulaParser::handle_left(const Token& left, Arguments&) {
  Delimiter opening, closing;
  if (!read_delimiter(opening)) return fail_at(left, "\\left needs a bracket");
  Token t = left;
  t.length = tokens_.last().offset + tokens_.last().length - t.offset;
  Owned<> content;
  {
    Nested nested(*this);
    Open open(open_lefts_);
    content = tokens_.peek().is(Kind::right) ? text("") : parse_list();
  }
  if (!content) return {};
  Token right = tokens_.peek();
  if (!expect_closing(t, [](const Token& k) { return k.is(Kind::right); })) return {};
  if (!read_delimiter(closing)) return fail_at(right, "\\right needs a bracket");
  if (opening == Delimiter::bar && closing == Delimiter::bar) return make<Abs>(content.release());
  if (opening == Delimiter::none && closing == Delimiter::none) return content;
  return make<Bracketed>(opening, content.release(), closing);
}

// A name's arguments in round brackets, \left( \right) included, which the

}  // namespace latex
