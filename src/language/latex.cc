// The LaTeX reader: each line is one formula, read by a hand-written
// tokenizer and a recursive-descent parser into the tree that the linear
// grammar builds for the same meaning, with the same construction helpers.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "language/language.h"

namespace {

// ---- Commands ----

enum class Kind : unsigned char {
  space,         // \, \quad \limits \big ...: read as nothing
  name,          // a Greek letter: a name, `text`
  pi,
  infinity,
  nabla,
  ellipsis,
  relation,      // code: a Relation
  additive,      // code: a Sign
  product,       // code: a ProductSign
  frac,
  sqrt,
  trig,          // a function drawn as the trigonometric ones: `text`
  function,      // another function name: `text`
  operatorname,
  sum,
  prod,
  integral,
  limit,
  text,          // \text{...}
  mathrm,
  font,          // \mathbf{...} and the like: the argument as it is
  overbar,
  left,
  right,
  begin,
  end,
  delimiter,     // code: a Delimiter and a Role
  literal,       // \% and the like: `text`
  prime,
  newline,       // \\ .
};

enum Relation { EQUAL, LESS, GREATER, LESS_EQUAL, GREATER_EQUAL, OTHER_RELATION };
// \cdot and * (drawn as juxtaposition is), \times, \div and /.
enum ProductSign { DOT, CROSS, DIVIDE, SLASH };
enum Role { OPENING = 1, CLOSING = 2, EITHER = 3 };

struct Command {
  Kind kind;
  int code = 0;             // Relation (+ Sign), Sign, ProductSign, Delimiter + Role
  std::string_view text{};  // the name a command stands for
};

constexpr int relation_code(Relation r) { return r; }
constexpr int relation_code(Sign s) { return OTHER_RELATION + static_cast<int>(s); }
constexpr int delimiter_code(Delimiter d, Role role) { return static_cast<int>(d) * 4 + role; }

const std::unordered_map<std::string_view, Command>& commands() {
  static const std::unordered_map<std::string_view, Command> table{
      // Spacing and sizes, read as nothing.
      {",", {Kind::space}}, {";", {Kind::space}}, {":", {Kind::space}}, {"!", {Kind::space}},
      {" ", {Kind::space}}, {"quad", {Kind::space}}, {"qquad", {Kind::space}},
      {"enspace", {Kind::space}}, {"thinspace", {Kind::space}}, {"medspace", {Kind::space}},
      {"thickspace", {Kind::space}}, {"negthinspace", {Kind::space}},
      {"displaystyle", {Kind::space}}, {"textstyle", {Kind::space}},
      {"scriptstyle", {Kind::space}}, {"limits", {Kind::space}}, {"nolimits", {Kind::space}},
      {"big", {Kind::space}}, {"Big", {Kind::space}}, {"bigg", {Kind::space}},
      {"Bigg", {Kind::space}}, {"bigl", {Kind::space}}, {"bigr", {Kind::space}},
      {"Bigl", {Kind::space}}, {"Bigr", {Kind::space}}, {"biggl", {Kind::space}},
      {"biggr", {Kind::space}}, {"Biggl", {Kind::space}}, {"Biggr", {Kind::space}},
      // Greek letters, as the names of the linear language.
      {"alpha", {Kind::name, 0, "alpha"}}, {"beta", {Kind::name, 0, "beta"}},
      {"gamma", {Kind::name, 0, "gamma"}}, {"delta", {Kind::name, 0, "delta"}},
      {"epsilon", {Kind::name, 0, "epsilon"}}, {"varepsilon", {Kind::name, 0, "epsilon"}},
      {"zeta", {Kind::name, 0, "zeta"}}, {"eta", {Kind::name, 0, "eta"}},
      {"theta", {Kind::name, 0, "theta"}}, {"vartheta", {Kind::name, 0, "theta"}},
      {"iota", {Kind::name, 0, "iota"}}, {"kappa", {Kind::name, 0, "kappa"}},
      {"varkappa", {Kind::name, 0, "kappa"}}, {"lambda", {Kind::name, 0, "lambda"}},
      {"mu", {Kind::name, 0, "mu"}}, {"nu", {Kind::name, 0, "nu"}},
      {"xi", {Kind::name, 0, "xi"}}, {"omicron", {Kind::name, 0, "omicron"}},
      {"rho", {Kind::name, 0, "rho"}}, {"varrho", {Kind::name, 0, "rho"}},
      {"sigma", {Kind::name, 0, "sigma"}}, {"varsigma", {Kind::name, 0, "sigma"}},
      {"tau", {Kind::name, 0, "tau"}}, {"upsilon", {Kind::name, 0, "upsilon"}},
      {"phi", {Kind::name, 0, "phi"}}, {"varphi", {Kind::name, 0, "phi"}},
      {"chi", {Kind::name, 0, "chi"}}, {"psi", {Kind::name, 0, "psi"}},
      {"omega", {Kind::name, 0, "omega"}}, {"Gamma", {Kind::name, 0, "Gamma"}},
      {"Delta", {Kind::name, 0, "Delta"}}, {"Theta", {Kind::name, 0, "Theta"}},
      {"Lambda", {Kind::name, 0, "Lambda"}}, {"Xi", {Kind::name, 0, "Xi"}},
      {"Pi", {Kind::name, 0, "Pi"}}, {"Sigma", {Kind::name, 0, "Sigma"}},
      {"Upsilon", {Kind::name, 0, "Upsilon"}}, {"Phi", {Kind::name, 0, "Phi"}},
      {"Psi", {Kind::name, 0, "Psi"}}, {"Omega", {Kind::name, 0, "Omega"}},
      // Constants.
      {"pi", {Kind::pi}}, {"varpi", {Kind::pi}}, {"infty", {Kind::infinity}},
      {"nabla", {Kind::nabla}}, {"ldots", {Kind::ellipsis}}, {"cdots", {Kind::ellipsis}},
      {"dots", {Kind::ellipsis}}, {"dotsc", {Kind::ellipsis}}, {"dotsb", {Kind::ellipsis}},
      // Relations and operators.
      {"le", {Kind::relation, relation_code(LESS_EQUAL)}},
      {"leq", {Kind::relation, relation_code(LESS_EQUAL)}},
      {"leqslant", {Kind::relation, relation_code(LESS_EQUAL)}},
      {"ge", {Kind::relation, relation_code(GREATER_EQUAL)}},
      {"geq", {Kind::relation, relation_code(GREATER_EQUAL)}},
      {"geqslant", {Kind::relation, relation_code(GREATER_EQUAL)}},
      {"lt", {Kind::relation, relation_code(LESS)}},
      {"gt", {Kind::relation, relation_code(GREATER)}},
      {"ne", {Kind::relation, relation_code(Sign::not_equal)}},
      {"neq", {Kind::relation, relation_code(Sign::not_equal)}},
      {"approx", {Kind::relation, relation_code(Sign::approx)}},
      {"equiv", {Kind::relation, relation_code(Sign::equiv)}},
      {"sim", {Kind::relation, relation_code(Sign::similar)}},
      {"to", {Kind::relation, relation_code(Sign::to)}},
      {"rightarrow", {Kind::relation, relation_code(Sign::to)}},
      {"longrightarrow", {Kind::relation, relation_code(Sign::to)}},
      {"Rightarrow", {Kind::relation, relation_code(Sign::implies)}},
      {"Longrightarrow", {Kind::relation, relation_code(Sign::implies)}},
      {"implies", {Kind::relation, relation_code(Sign::implies)}},
      {"in", {Kind::relation, relation_code(Sign::element_of)}},
      {"pm", {Kind::additive, static_cast<int>(Sign::plus_minus)}},
      {"mp", {Kind::additive, static_cast<int>(Sign::minus_plus)}},
      {"cdot", {Kind::product, DOT}},
      {"ast", {Kind::product, DOT, "*"}},
      {"times", {Kind::product, CROSS}}, {"div", {Kind::product, DIVIDE}},
      // Fractions, roots, big operators and limits.
      {"frac", {Kind::frac}}, {"dfrac", {Kind::frac}}, {"tfrac", {Kind::frac}},
      {"cfrac", {Kind::frac}}, {"sqrt", {Kind::sqrt}}, {"sum", {Kind::sum}},
      {"prod", {Kind::prod}}, {"int", {Kind::integral}}, {"lim", {Kind::limit}},
      // Functions.
      {"sin", {Kind::trig, 0, "sin"}}, {"cos", {Kind::trig, 0, "cos"}},
      {"tan", {Kind::trig, 0, "tan"}}, {"cot", {Kind::trig, 0, "cot"}},
      {"sec", {Kind::trig, 0, "sec"}}, {"csc", {Kind::trig, 0, "csc"}},
      {"sinh", {Kind::trig, 0, "sinh"}}, {"cosh", {Kind::trig, 0, "cosh"}},
      {"tanh", {Kind::trig, 0, "tanh"}}, {"coth", {Kind::trig, 0, "coth"}},
      {"arcsin", {Kind::trig, 0, "arcsin"}}, {"arccos", {Kind::trig, 0, "arccos"}},
      {"arctan", {Kind::trig, 0, "arctan"}}, {"log", {Kind::function, 0, "log"}},
      {"ln", {Kind::function, 0, "ln"}}, {"lg", {Kind::function, 0, "lg"}},
      {"exp", {Kind::function, 0, "exp"}}, {"det", {Kind::function, 0, "det"}},
      {"max", {Kind::function, 0, "max"}}, {"min", {Kind::function, 0, "min"}},
      {"gcd", {Kind::function, 0, "gcd"}}, {"arg", {Kind::function, 0, "arg"}},
      {"deg", {Kind::function, 0, "deg"}}, {"dim", {Kind::function, 0, "dim"}},
      {"hom", {Kind::function, 0, "hom"}}, {"ker", {Kind::function, 0, "ker"}},
      {"sup", {Kind::function, 0, "sup"}}, {"inf", {Kind::function, 0, "inf"}},
      {"Pr", {Kind::function, 0, "Pr"}}, {"operatorname", {Kind::operatorname}},
      // Text and fonts.
      {"text", {Kind::text}}, {"textrm", {Kind::text}}, {"textit", {Kind::text}},
      {"textbf", {Kind::text}}, {"textsf", {Kind::text}}, {"texttt", {Kind::text}},
      {"textnormal", {Kind::text}}, {"mbox", {Kind::text}}, {"mathrm", {Kind::mathrm}},
      {"mathbf", {Kind::font}}, {"mathit", {Kind::font}}, {"mathsf", {Kind::font}},
      {"mathtt", {Kind::font}}, {"mathcal", {Kind::font}}, {"mathbb", {Kind::font}},
      {"mathfrak", {Kind::font}}, {"mathscr", {Kind::font}}, {"mathnormal", {Kind::font}},
      {"boldsymbol", {Kind::font}}, {"bm", {Kind::font}},
      {"bar", {Kind::overbar}}, {"overline", {Kind::overbar}},
      // Brackets and environments.
      {"left", {Kind::left}}, {"right", {Kind::right}}, {"begin", {Kind::begin}},
      {"end", {Kind::end}},
      {"{", {Kind::delimiter, delimiter_code(Delimiter::brace, OPENING)}},
      {"lbrace", {Kind::delimiter, delimiter_code(Delimiter::brace, OPENING)}},
      {"}", {Kind::delimiter, delimiter_code(Delimiter::brace, CLOSING)}},
      {"rbrace", {Kind::delimiter, delimiter_code(Delimiter::brace, CLOSING)}},
      {"lbrack", {Kind::delimiter, delimiter_code(Delimiter::square, OPENING)}},
      {"rbrack", {Kind::delimiter, delimiter_code(Delimiter::square, CLOSING)}},
      {"langle", {Kind::delimiter, delimiter_code(Delimiter::angle, OPENING)}},
      {"rangle", {Kind::delimiter, delimiter_code(Delimiter::angle, CLOSING)}},
      {"vert", {Kind::delimiter, delimiter_code(Delimiter::bar, EITHER)}},
      {"lvert", {Kind::delimiter, delimiter_code(Delimiter::bar, OPENING)}},
      {"rvert", {Kind::delimiter, delimiter_code(Delimiter::bar, CLOSING)}},
      {"|", {Kind::delimiter, delimiter_code(Delimiter::double_bar, EITHER)}},
      {"Vert", {Kind::delimiter, delimiter_code(Delimiter::double_bar, EITHER)}},
      {"lVert", {Kind::delimiter, delimiter_code(Delimiter::double_bar, OPENING)}},
      {"rVert", {Kind::delimiter, delimiter_code(Delimiter::double_bar, CLOSING)}},
      // Escaped characters and the rest.
      {"%", {Kind::literal, 0, "%"}}, {"$", {Kind::literal, 0, "$"}},
      {"&", {Kind::literal, 0, "&"}}, {"#", {Kind::literal, 0, "#"}},
      {"_", {Kind::literal, 0, "_"}}, {"prime", {Kind::prime}}, {"\\", {Kind::newline}},
  };
  return table;
}

// The UTF-8 forms of common signs, each read as the command it names, or
// as an ASCII character when the command starts with none of the letters.
struct Utf8Form {
  char32_t code;
  std::string_view command;
};

constexpr Utf8Form kUtf8Forms[] = {
    {U'·', "cdot"},   {U'×', "times"},  {U'÷', "div"},     {U'±', "pm"},
    {U'Γ', "Gamma"},  {U'Δ', "Delta"},  {U'Θ', "Theta"},   {U'Λ', "Lambda"},
    {U'Ξ', "Xi"},     {U'Π', "Pi"},     {U'Σ', "Sigma"},   {U'Υ', "Upsilon"},
    {U'Φ', "Phi"},    {U'Ψ', "Psi"},    {U'Ω', "Omega"},   {U'α', "alpha"},
    {U'β', "beta"},   {U'γ', "gamma"},  {U'δ', "delta"},   {U'ε', "epsilon"},
    {U'ζ', "zeta"},   {U'η', "eta"},    {U'θ', "theta"},   {U'ι', "iota"},
    {U'κ', "kappa"},  {U'λ', "lambda"}, {U'μ', "mu"},      {U'ν', "nu"},
    {U'ξ', "xi"},     {U'ο', "omicron"}, {U'π', "pi"},     {U'ρ', "rho"},
    {U'ς', "sigma"},  {U'σ', "sigma"},  {U'τ', "tau"},     {U'υ', "upsilon"},
    {U'φ', "phi"},    {U'χ', "chi"},    {U'ψ', "psi"},     {U'ω', "omega"},
    {U'ϑ', "theta"},  {U'ϕ', "phi"},    {U'ϖ', "pi"},      {U'ϱ', "rho"},
    {U'ϵ', "epsilon"}, {U'‖', "|"},     {U'′', "'"},       {U'…', "ldots"},
    {U'→', "to"},     {U'⇒', "Rightarrow"}, {U'∈', "in"},  {U'∏', "prod"},
    {U'∑', "sum"},    {U'−', "-"},      {U'∓', "mp"},      {U'∗', "*"},
    {U'√', "sqrt"},   {U'∞', "infty"},  {U'∫', "int"},     {U'∼', "sim"},
    {U'≈', "approx"}, {U'≠', "ne"},     {U'≡', "equiv"},   {U'≤', "le"},
    {U'≥', "ge"},     {U'⋅', "cdot"},   {U'⋯', "cdots"},   {U'⟨', "langle"},
    {U'⟩', "rangle"},
};

// The Greek capitals from U+0391 that look like Latin letters read as those
// letters; the others are in kUtf8Forms.
constexpr std::string_view kLatinLookingCapitals = "AB??EZH?IK?MN?O?P??T??X??";

// ---- Tokens ----

enum class Type : unsigned char { end, number, letter, character, command, bad };

struct Token {
  Type type = Type::end;
  char ch = 0;                       // a letter or a character
  const Command* command = nullptr;  // a known command; null for an unknown one
  std::string_view text{};           // a number's digits; a command's name
  int offset = 0;                    // in the line, in bytes
  int length = 0;                    // bytes in the line

  bool is(char c) const { return type == Type::character && ch == c; }
  bool is(Kind k) const {
    return type == Type::command && command != nullptr && command->kind == k;
  }
};

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Decodes the UTF-8 sequence at text[i]; returns its length, or 0 when it
// is not well formed.
int decode_utf8(std::string_view text, size_t i, char32_t& code) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(i);
  int n = lead >= 0xf0 && lead < 0xf5 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 && lead < 0xe0 ? 2 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  code = lead & (0x7f >> n);
  for (int k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xc0) != 0x80) return 0;
    code = code << 6 | (byte(i + k) & 0x3f);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[n] || code > 0x10ffff || (code >= 0xd800 && code < 0xe000)) return 0;
  return n;
}

// Turns the bytes of one formula into tokens, one ahead at most; blanks
// and spacing commands are skipped. Each token is counted against the
// statement's cost as the linear scanner counts its own.
class Tokenizer {
 public:
  void start(std::string_view line, size_t begin, size_t end) {
    line_ = line;
    pos_ = begin;
    end_ = end;
    peeked_ = false;
    last_ = Token();
    cost_ = 0;
    too_large_ = false;
  }

  const Token& peek() {
    if (!peeked_) {
      token_ = scan();
      peeked_ = true;
    }
    return token_;
  }
  Token next() {
    peek();
    peeked_ = false;
    last_ = token_;
    return token_;
  }
  /// The token that next returned last: what an operand is missing after.
  const Token& last() const { return last_; }

  /// Where the next token starts, and a way back there.
  struct Mark {
    size_t pos;
    Token last;
  };
  Mark mark() const { return Mark{peeked_ ? static_cast<size_t>(token_.offset) : pos_, last_}; }
  void reset(const Mark& m) {
    pos_ = m.pos;
    last_ = m.last;
    peeked_ = false;
  }

  /// Takes the first digit of a number token that peek returned: a script
  /// or an argument of one character takes one digit.
  Token next_digit() {
    Token t = next();
    if (t.length > 1) {
      pos_ = static_cast<size_t>(t.offset) + 1;
      t.text = t.text.substr(0, 1);
      t.length = 1;
      last_ = t;
    }
    return t;
  }

  /// Reads the text of a braced argument as it is written, from the next
  /// token on: its start and end in the line, or false when it does not
  /// start with "{" or its braces do not close.
  bool braced_text(size_t& begin, size_t& end) {
    size_t i = mark().pos;
    while (i < end_ && is_blank(line_[i])) ++i;
    if (i >= end_ || line_[i] != '{') return false;
    int open = 1;
    for (size_t k = i + 1; k < end_; ++k) {
      char c = line_[k];
      if (c == '\\' && k + 1 < end_) {
        ++k;
      } else if (c == '{') {
        ++open;
      } else if (c == '}' && --open == 0) {
        begin = i + 1;
        end = k;
        pos_ = k + 1;
        peeked_ = false;
        return charge(end - begin);
      }
    }
    return false;
  }

  bool too_large() const { return too_large_; }
  std::string_view line() const { return line_; }

 private:
  bool charge(size_t length) {
    cost_ += kTokenCost + static_cast<long>(length);
    if (cost_ > kMaxStatementCost) too_large_ = true;
    return !too_large_;
  }

  Token scan();
  Token command_token(size_t start, std::string_view name, size_t length);

  std::string_view line_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool peeked_ = false;
  Token token_;
  Token last_;
  long cost_ = 0;
  bool too_large_ = false;
};

Token Tokenizer::command_token(size_t start, std::string_view name, size_t length) {
  Token t;
  t.type = Type::command;
  t.text = name;
  t.offset = static_cast<int>(start);
  t.length = static_cast<int>(length);
  const auto& table = commands();
  auto found = table.find(name);
  if (found != table.end()) t.command = &found->second;
  return t;
}

Token Tokenizer::scan() {
  for (;;) {
    while (pos_ < end_ && (is_blank(line_[pos_]) || line_[pos_] == '~')) ++pos_;
    Token t;
    t.offset = static_cast<int>(pos_);
    if (pos_ >= end_ || too_large_) {
      t.offset = static_cast<int>(end_);
      return t;
    }
    size_t start = pos_;
    char c = line_[pos_];
    if (is_digit(c) || (c == '.' && pos_ + 1 < end_ && is_digit(line_[pos_ + 1]))) {
      while (pos_ < end_ && is_digit(line_[pos_])) ++pos_;
      if (pos_ + 1 < end_ && line_[pos_] == '.' && is_digit(line_[pos_ + 1])) {
        ++pos_;
        while (pos_ < end_ && is_digit(line_[pos_])) ++pos_;
      }
      t.type = Type::number;
      t.text = line_.substr(start, pos_ - start);
    } else if (is_letter(c)) {
      ++pos_;
      t.type = Type::letter;
      t.ch = c;
    } else if (c == '\\') {
      size_t k = pos_ + 1;
      if (k < end_ && is_letter(line_[k])) {
        while (k < end_ && is_letter(line_[k])) ++k;
      } else if (k < end_ && static_cast<unsigned char>(line_[k]) >= 32 &&
                 static_cast<unsigned char>(line_[k]) < 127) {
        ++k;
      } else {
        // A backslash at the end, or before a byte that no command has.
        ++pos_;
        t.type = Type::bad;
        t.length = 1;
        return t;
      }
      pos_ = k;
      t = command_token(start, line_.substr(start + 1, k - start - 1), k - start);
      if (t.command != nullptr && t.command->kind == Kind::space) continue;
    } else if (c == '.' && line_.substr(pos_, 3) == "...") {
      pos_ += 3;
      t = command_token(start, "ldots", 3);
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      char32_t code = 0;
      int n = decode_utf8(line_.substr(0, end_), pos_, code);
      const Utf8Form* form = std::find_if(std::begin(kUtf8Forms), std::end(kUtf8Forms),
                                          [code](const Utf8Form& f) { return f.code == code; });
      bool capital = code >= U'Α' && code <= U'Ω' && code != 0x3a2;
      if (n == 0 || (form == std::end(kUtf8Forms) && !capital)) {
        pos_ += n == 0 ? 1 : static_cast<size_t>(n);
        t.type = Type::bad;
        t.length = n == 0 ? 1 : n;
        return t;
      }
      pos_ += static_cast<size_t>(n);
      if (form == std::end(kUtf8Forms)) {
        t.type = Type::letter;
        t.ch = kLatinLookingCapitals[code - U'Α'];
      } else if (is_letter(form->command[0]) || form->command == "|") {
        t = command_token(start, form->command, static_cast<size_t>(n));
        if (t.command != nullptr && t.command->kind == Kind::space) continue;
      } else {
        t.type = Type::character;
        t.ch = form->command[0];
      }
    } else if (static_cast<unsigned char>(c) < 32 || c == 127 || c == '#' || c == '$' ||
               c == '%') {
      ++pos_;
      t.type = Type::bad;
      t.length = 1;
      return t;
    } else {
      ++pos_;
      t.type = Type::character;
      t.ch = c;
    }
    t.offset = static_cast<int>(start);
    t.length = static_cast<int>(pos_ - start);
    if (!charge(pos_ - start)) {
      t = Token();
      t.offset = static_cast<int>(end_);
    }
    return t;
  }
}

// ---- The parser of one formula ----

constexpr std::string_view kTrigPrefixes[] = {"sin", "cos", "tan", "cot", "sec", "csc"};

// A name that the linear language draws as a trigonometric function.
bool is_trig_name(std::string_view name) {
  if (name.substr(0, 3) == "arc") name.remove_prefix(3);
  if (name.size() == 4 && name[3] == 'h') name.remove_suffix(1);
  return std::find(std::begin(kTrigPrefixes), std::end(kTrigPrefixes), name) !=
         std::end(kTrigPrefixes);
}

bool is_round(const Expression& e) {
  auto* b = dynamic_cast<const Bracketed*>(&e);
  return b != nullptr && b->opening == Delimiter::paren && b->closing == Delimiter::paren;
}

// What a round bracket holds, the bracket deleted.
Owned<> unwrap(Owned<> e) {
  auto& b = static_cast<Bracketed&>(*e);
  return Owned<>(b.arg.release());
}

bool is_number(const Expression& e) {
  if (dynamic_cast<const Integer*>(&e) != nullptr || dynamic_cast<const Real*>(&e) != nullptr) {
    return true;
  }
  auto* neg = dynamic_cast<const Neg*>(&e);
  return neg != nullptr && is_number(*neg->arg);
}

// Whether a factor starts with a name, a bracket or a function, which a
// number before it joins without a blank.
bool starts_with_name(const Expression& e) {
  const Expression* first = &e;
  if (auto* pow = dynamic_cast<const Pow*>(first)) first = pow->left.get();
  if (auto* sub = dynamic_cast<const Subscripted*>(first)) first = sub->base.get();
  if (auto* fact = dynamic_cast<const Fact*>(first)) first = fact->arg.get();
  if (auto* conj = dynamic_cast<const Conj*>(first)) first = conj->arg.get();
  return first->category == SYMBOL_CATEGORY || first->category == FUNCTION ||
         dynamic_cast<const GlyphConstant*>(first) != nullptr ||
         dynamic_cast<const Bracketed*>(first) != nullptr ||
         dynamic_cast<const Abs*>(first) != nullptr;
}

Delimiter delimiter_of(const Token& t) {
  if (t.is('(') || t.is(')')) return Delimiter::paren;
  if (t.is('[') || t.is(']')) return Delimiter::square;
  if (t.is('|')) return Delimiter::bar;
  if (t.is('<') || t.is('>')) return Delimiter::angle;
  if (t.is(Kind::delimiter)) return static_cast<Delimiter>(t.command->code >> 2);
  return Delimiter::none;
}

int role_of(const Token& t) {
  if (t.is('(') || t.is('[')) return OPENING;
  if (t.is(')') || t.is(']')) return CLOSING;
  if (t.is('|')) return EITHER;
  if (t.is(Kind::delimiter)) return t.command->code & 3;
  return 0;
}

// ) ] \} \rangle \rbrack: each closes any bracket but bars.
bool closes_bracket(const Token& t) {
  Delimiter d = delimiter_of(t);
  return role_of(t) == CLOSING && d != Delimiter::bar && d != Delimiter::double_bar;
}

bool closes_bar(const Token& t) {
  return delimiter_of(t) == Delimiter::bar && (role_of(t) & CLOSING) != 0;
}

bool closes_double_bar(const Token& t) {
  return delimiter_of(t) == Delimiter::double_bar && (role_of(t) & CLOSING) != 0;
}

bool is_function(const Token& t) {
  return t.is(Kind::trig) || t.is(Kind::function) || t.is(Kind::operatorname) ||
         t.is(Kind::sum) || t.is(Kind::prod) || t.is(Kind::integral) || t.is(Kind::limit);
}

bool is_sign(const Token& t) { return t.is('-') || t.is('+') || t.is(Kind::additive); }

struct Environment {
  std::string_view name;
  Delimiter opening, closing;
  /// Blank columns between columns: 1 in matrices, which draw as the
  /// linear language's; 2 where cells are formulas that hold blanks.
  int column_gap = 1;
};

constexpr Environment kEnvironments[] = {
    {"matrix", Delimiter::none, Delimiter::none},
    {"smallmatrix", Delimiter::none, Delimiter::none},
    {"pmatrix", Delimiter::paren, Delimiter::paren},
    {"bmatrix", Delimiter::square, Delimiter::square},
    {"Bmatrix", Delimiter::brace, Delimiter::brace},
    {"vmatrix", Delimiter::bar, Delimiter::bar},
    {"Vmatrix", Delimiter::double_bar, Delimiter::double_bar},
    {"cases", Delimiter::brace, Delimiter::none, 2},
};

// Counts a construct as open for the life of the guard.
class Open {
 public:
  explicit Open(int& count) : count_(count) { ++count_; }
  ~Open() { --count_; }
  Open(const Open&) = delete;
  Open& operator=(const Open&) = delete;

 private:
  int& count_;
};

class FormulaParser {
 public:
  FormulaParser(NodePool& pool, Listener& listener, int line, int max_depth)
      : pool_(pool), listener_(listener), line_number_(line), max_depth_(max_depth) {}

  /// The tree of the formula between begin and end in line, or null after
  /// reporting why there is none.
  Owned<> parse(std::string_view line, size_t begin, size_t end);

 private:
  // What a nested group does not inherit from around it: the bars that are
  // open, and whether an integrand ends at a differential.
  struct Context {
    int open_bars = 0;
    int open_double_bars = 0;
    bool integrand = false;
  };
  // Enters a group, bracket or argument for the life of the guard.
  class Nested {
   public:
    explicit Nested(FormulaParser& p) : p_(p), saved_(p.context_) { p.context_ = Context(); }
    ~Nested() { p_.context_ = saved_; }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;

   private:
    FormulaParser& p_;
    Context saved_;
  };

  // A new node of the pool. The nodes and lists handed over are its once
  // it is made; when memory runs out first, nothing took them, and they
  // are deleted before the failure goes on.
  template <class T, class... Args>
  Owned<> make(Args&&... args) {
    try {
      return Owned<>(new (pool_) T(std::forward<Args>(args)...));
    } catch (...) {
      (discard(args), ...);
      throw;
    }
  }
  template <class A>
  static void discard(const A& arg) {
    if constexpr (std::is_convertible_v<A, Expression*>) {
      if (arg != nullptr) NodeDeleter()(arg);
    } else if constexpr (std::is_convertible_v<A, FunctionArgs*>) {
      delete arg;
    }
  }
  // What conjugate, overbar and raise make of owned nodes; on failure the
  // nodes go with it.
  template <class Build, class... Nodes>
  Owned<> decorate(Build build, Nodes&... nodes) {
    Owned<> made(build(pool_, nodes.get()...));
    (nodes.release(), ...);
    return made;
  }
  Owned<> text(std::string_view s) { return make<Text>(s.data(), s.size()); }

  // The first failure of the line is reported; each returns null for the
  // caller to return.
  Owned<> fail(int offset, const std::string& message);
  Owned<> fail_at(const Token& t, const std::string& message) { return fail(t.offset, message); }
  Owned<> too_large();
  /// A token as written; through_last, up to the end of the last token
  /// taken, as in "\left(".
  std::string spelled(const Token& t, bool through_last = false) const;
  bool closes_enclosing(const Token& t) const;
  Owned<> unexpected(const Token& t);
  bool report_stray(Token t);
  bool expect_closing(const Token& opening, bool (*closes)(const Token&));

  bool starts_factor(const Token& t, bool after_operand = true) const;
  bool starts_signed(const Token& t) const { return starts_factor(t, false) || is_sign(t); }
  bool at_call();
  bool at_final_punctuation();
  bool at_differential();
  Owned<> parse_differential();

  Owned<> parse_list();
  Owned<> parse_sequence(Owned<> first);
  bool parse_items(FunctionArgs& items);
  Owned<> parse_relation();
  Owned<> parse_relations(Owned<> first);
  Owned<> parse_additive();
  Owned<> parse_term();
  Owned<> parse_signed();
  Owned<> parse_signs();
  Owned<> parse_factor();
  Owned<> parse_primary();
  Owned<> parse_scripts(Owned<> base);
  Owned<> parse_script(const Token& op, int& primes, bool& star);
  Owned<> parse_argument(const Token& command, const std::string& need);
  Owned<> parse_group(const Token& opening);
  Owned<> parse_command(const Token& t);
  Owned<> parse_bracket(const Token& opening, Delimiter d);
  Owned<> parse_bars(const Token& opening, Delimiter d);
  Owned<> parse_left(const Token& left);
  bool read_delimiter(Delimiter& d);
  Owned<> parse_call(Owned<> name, bool trig);
  Owned<> parse_function(const Token& t, Owned<> name, bool trig);
  Owned<> parse_frac(const Token& t);
  Owned<> parse_sqrt(const Token& t);
  Owned<> parse_big_operator(const Token& t);
  Owned<> parse_integral(const Token& t, Owned<> lower, Owned<> upper);
  Owned<> parse_matrix(const Token& t);
  bool read_environment(std::string_view& name);
  Owned<> parse_text(const Token& t, bool math);
  Owned<> juxtapose(Owned<> left, Owned<> right);

  NodePool& pool_;
  Listener& listener_;
  int line_number_;
  int max_depth_;
  Tokenizer tokens_;
  Context context_;
  // Lists, factors and primaries being parsed: every cycle of the
  // recursion passes through one of them.
  int depth_ = 0;
  int open_brackets_ = 0;  // ( [ \{ and \langle
  int open_braces_ = 0;    // groups
  int open_lefts_ = 0;
  int open_matrices_ = 0;
  // The variable of a differential that an integrand's fraction held, as
  // in \int \frac{dx}{x}.
  Owned<> pending_variable_;
  bool failed_ = false;
};

[[gnu::noinline]] Owned<> FormulaParser::fail(int offset, const std::string& message) {
  if (failed_) return {};
  if (tokens_.too_large()) return too_large();
  failed_ = true;
  std::string_view line = tokens_.line();
  // Characters, not bytes, before the fault.
  int column = 1;
  for (int i = 0; i < offset && i < static_cast<int>(line.size()); ++i) {
    if ((static_cast<unsigned char>(line[i]) & 0xc0) != 0x80) ++column;
  }
  listener_.error(Status::input,
                  "syntax error at column " + std::to_string(column) + ": " + message,
                  line_number_, offset);
  return {};
}

Owned<> FormulaParser::too_large() {
  if (failed_) return {};
  failed_ = true;
  listener_.error(Status::too_large, "drawing too large", line_number_, -1);
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
  const Token& last = tokens_.last();
  if (t.type == Type::end || closes_enclosing(t)) {
    if (last.type == Type::end) return fail_at(t, "missing formula");
    return fail_at(t, "missing operand after " + spelled(last));
  }
  if (report_stray(t)) return {};
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

// Takes the token that closes opening, when closes says it does. At the
// end, or before a token that closes an enclosing construct, the opening
// is the fault; before another closing token, that token.
[[gnu::noinline]] bool FormulaParser::expect_closing(const Token& opening,
                                                     bool (*closes)(const Token&)) {
  const Token& t = tokens_.peek();
  if (closes(t)) {
    tokens_.next();
    return true;
  }
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
  return false;
}

// ---- Operands ----

// Whether a token starts an operand; after one, bars that are open close
// instead of opening new ones.
bool FormulaParser::starts_factor(const Token& t, bool after_operand) const {
  switch (t.type) {
    case Type::number:
    case Type::letter:
      return true;
    case Type::character:
      switch (t.ch) {
        case '(':
        case '[':
        case '{':
        case ';':
        case ':':
        case '?':
        case '@':
        case '"':
        case '`':
        case '.':
          return true;
        case '|':
          return !after_operand || context_.open_bars == 0;
        default:
          return false;
      }
    case Type::command: {
      if (t.command == nullptr) return true;
      switch (t.command->kind) {
        case Kind::relation:
        case Kind::additive:
        case Kind::product:
        case Kind::right:
        case Kind::end:
        case Kind::prime:
        case Kind::newline:
        case Kind::space:
          return false;
        case Kind::delimiter: {
          int role = t.command->code & 3;
          if (role != EITHER) return role == OPENING;
          bool bar = delimiter_of(t) == Delimiter::bar;
          return !after_operand || (bar ? context_.open_bars : context_.open_double_bars) == 0;
        }
        default:
          return true;
      }
    }
    default:
      return false;
  }
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

// Whether a period, comma or semicolon ends the formula, as a sentence's
// punctuation.
[[gnu::noinline]] bool FormulaParser::at_final_punctuation() {
  const Token& t = tokens_.peek();
  if (!t.is('.') && !t.is(',') && !t.is(';')) return false;
  Tokenizer::Mark m = tokens_.mark();
  tokens_.next();
  bool last = tokens_.peek().type == Type::end;
  tokens_.reset(m);
  return last;
}

// Whether the differential that ends an integrand comes next: d,
// \mathrm{d} or \operatorname{d}, then a letter or a Greek one.
[[gnu::noinline]] bool FormulaParser::at_differential() {
  if (!context_.integrand) return false;
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

// list: relation (',' relation)*
Owned<> FormulaParser::parse_list() {
  Open level(depth_);
  if (depth_ > max_depth_) return too_large();
  Owned<> first = parse_relation();
  if (!first || !tokens_.peek().is(',')) return first;
  return parse_sequence(std::move(first));
}

// The functions that the parser's recursion passes through keep their
// frames small: what only some lines need is in functions of its own.
[[gnu::noinline]] Owned<> FormulaParser::parse_sequence(Owned<> first) {
  if (at_final_punctuation()) return first;
  auto items = std::make_unique<FunctionArgs>();
  // A list takes an item only once it has room for it.
  items->append_item(first.get());
  (void)first.release();
  while (tokens_.peek().is(',') && !at_final_punctuation()) {
    tokens_.next();
    Owned<> item = parse_relation();
    if (!item) return {};
    items->append_item(item.get());
    (void)item.release();
  }
  return make<Sequence>(items.release());
}

// The items of an argument list.
bool FormulaParser::parse_items(FunctionArgs& items) {
  for (;;) {
    Owned<> item = parse_relation();
    if (!item) return false;
    items.append_item(item.get());
    (void)item.release();
    if (!tokens_.peek().is(',')) return true;
    tokens_.next();
  }
}

int relation_of(const Token& t) {
  if (t.is('=')) return relation_code(EQUAL);
  if (t.is('<')) return relation_code(LESS);
  if (t.is('>')) return relation_code(GREATER);
  if (t.is(Kind::relation)) return t.command->code;
  return -1;
}

// relation: additive (REL additive)*, grouped to the right.
Owned<> FormulaParser::parse_relation() {
  Owned<> first = parse_additive();
  if (!first || relation_of(tokens_.peek()) < 0) return first;
  return parse_relations(std::move(first));
}

[[gnu::noinline]] Owned<> FormulaParser::parse_relations(Owned<> first) {
  std::vector<Owned<>> operands;
  std::vector<int> codes;
  operands.push_back(std::move(first));
  for (int code; (code = relation_of(tokens_.peek())) >= 0;) {
    tokens_.next();
    Owned<> operand = parse_additive();
    if (!operand) return {};
    codes.push_back(code);
    operands.push_back(std::move(operand));
  }
  Owned<> right = std::move(operands.back());
  for (size_t i = codes.size(); i-- > 0;) {
    Expression* l = operands[i].release();
    Expression* r = right.release();
    switch (codes[i]) {
      case EQUAL: right = make<Equal>(l, r); break;
      case LESS: right = make<Less>(l, r); break;
      case GREATER: right = make<Greater>(l, r); break;
      case LESS_EQUAL: right = make<LessOrEqual>(l, r); break;
      case GREATER_EQUAL: right = make<GreaterOrEqual>(l, r); break;
      default: right = make<InfixOp>(static_cast<Sign>(codes[i] - OTHER_RELATION), l, r);
    }
  }
  return right;
}

// additive: term (('+' | '-' | \pm | \mp) term)*
Owned<> FormulaParser::parse_additive() {
  Owned<> left = parse_term();
  while (left && is_sign(tokens_.peek())) {
    Token op = tokens_.next();
    Owned<> right = parse_term();
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
  Owned<> left = parse_signed();
  while (left) {
    const Token& t = tokens_.peek();
    int product = t.is('*')           ? DOT
                  : t.is('/')         ? SLASH
                  : t.is(Kind::product) ? t.command->code
                                      : -1;
    if (product < 0) {
      if (!starts_factor(t) || at_differential() || at_final_punctuation()) break;
      Owned<> right = parse_factor();
      if (!right) return {};
      left = juxtapose(std::move(left), std::move(right));
      continue;
    }
    tokens_.next();
    Owned<> right = parse_signed();
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
  Owned<> e = parse_factor();
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
  Owned<> e = parse_primary();
  while (e) {
    e = parse_scripts(std::move(e));
    if (!e) return {};
    if (e->category == SYMBOL_CATEGORY && static_cast<Symbol&>(*e).expn == nullptr && at_call()) {
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
    if (t.is('\'')) {
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
    auto* text = dynamic_cast<const Text*>(e.get());
    return text != nullptr && text->lexeme.empty();
  };
  if (empty(sub)) sub.reset();
  if (empty(sup)) sup.reset();
  if (sub) {
    auto* name = base->category == SYMBOL_CATEGORY ? static_cast<Symbol*>(base.get()) : nullptr;
    if (name != nullptr && name->subscr == nullptr && name->expn == nullptr) {
      SubscriptList list(static_cast<Symbol*>(base.release()));
      list.subscripts.push_back(std::move(sub));
      base.reset(attach_subscripts(list));
    } else {
      base = make<Subscripted>(base.release(), sub.release());
    }
  }
  if (primes > 0) {
    auto* name = base->category == SYMBOL_CATEGORY ? static_cast<Symbol*>(base.get()) : nullptr;
    if (name == nullptr || name->expn != nullptr) {
      return fail_at(prime, "a prime needs a name before it");
    }
    for (int i = 0; i < primes; ++i) name->add_prime();
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
  if (t.is('+') || t.is('-')) {
    Token sign = tokens_.next();
    return text(std::string_view(&sign.ch, 1));
  }
  if (t.is('{') && op.is('^')) {
    // {\prime\prime} and {*} mark the base too.
    Tokenizer::Mark m = tokens_.mark();
    int primes_before = primes;
    tokens_.next();
    bool marked = false;
    while (mark(tokens_.peek())) {
      tokens_.next();
      marked = true;
    }
    if (marked && tokens_.peek().is('}')) {
      tokens_.next();
      return {};
    }
    primes = primes_before;
    star = false;
    tokens_.reset(m);
  }
  return parse_argument(op, spelled(op) + " needs an argument");
}

// An argument: a group, a digit, a letter or a command with its own
// arguments.
Owned<> FormulaParser::parse_argument(const Token& command, const std::string& need) {
  const Token& t = tokens_.peek();
  if (t.is('{')) return parse_group(tokens_.next());
  if (t.type == Type::number) {
    Token digit = tokens_.next_digit();
    return make<Integer>(digit.text.data(), digit.text.size());
  }
  if (t.type == Type::letter || (t.type == Type::command && starts_factor(t, false))) {
    return parse_primary();
  }
  if (t.type == Type::bad) return unexpected(t);
  return fail_at(command, need);
}

// A group after its opening brace: what it holds, or a blank when empty.
Owned<> FormulaParser::parse_group(const Token& opening) {
  Owned<> content;
  {
    Nested nested(*this);
    Open open(open_braces_);
    content = tokens_.peek().is('}') ? text("") : parse_list();
  }
  if (!content || !expect_closing(opening, [](const Token& t) { return t.is('}'); })) return {};
  return content;
}

Owned<> FormulaParser::parse_primary() {
  Open level(depth_);
  if (depth_ > max_depth_) return too_large();
  const Token& next = tokens_.peek();
  if (!starts_factor(next, false)) return unexpected(next);
  Token t = tokens_.next();
  switch (t.type) {
    case Type::number:
      if (t.text.find('.') != std::string_view::npos) {
        return make<Real>(t.text.data(), t.text.size());
      }
      return make<Integer>(t.text.data(), t.text.size());
    case Type::letter:
      return make<Symbol>(&t.ch, 1);
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

[[gnu::noinline]] Owned<> FormulaParser::parse_command(const Token& t) {
  if (t.command == nullptr) {
    // Drawn as written, so that nothing is lost.
    std::string written = spelled(t);
    listener_.warning("unknown command " + written, line_number_, t.offset);
    return make<Symbol>(written.data(), written.size());
  }
  const Command& c = *t.command;
  switch (c.kind) {
    case Kind::name:
      return make<Symbol>(c.text.data(), c.text.size());
    case Kind::pi:
      return make<Pi>();
    case Kind::infinity:
      return make<Infinity>();
    case Kind::nabla:
      return make<Nabla>();
    case Kind::ellipsis:
      return make<Ellipsis>();
    case Kind::literal:
      return text(c.text);
    case Kind::frac:
      return parse_frac(t);
    case Kind::sqrt:
      return parse_sqrt(t);
    case Kind::trig:
    case Kind::function:
      return parse_function(t, make<Symbol>(c.text.data(), c.text.size()), c.kind == Kind::trig);
    case Kind::operatorname: {
      if (tokens_.peek().is('*')) tokens_.next();
      size_t begin, end;
      std::string_view name;
      if (tokens_.braced_text(begin, end)) name = tokens_.line().substr(begin, end - begin);
      if (name.empty() || !std::all_of(name.begin(), name.end(),
                                       [](char ch) { return is_letter(ch) || is_digit(ch); })) {
        return fail_at(t, "\\operatorname needs a {name} of letters and digits");
      }
      return parse_function(t, make<Symbol>(name.data(), name.size()), is_trig_name(name));
    }
    case Kind::sum:
    case Kind::prod:
    case Kind::integral:
    case Kind::limit:
      return parse_big_operator(t);
    case Kind::text:
      return parse_text(t, false);
    case Kind::mathrm:
      return parse_text(t, true);
    case Kind::font:
      return parse_argument(t, spelled(t) + " needs an argument");
    case Kind::overbar: {
      Owned<> arg = parse_argument(t, spelled(t) + " needs an argument");
      if (!arg) return {};
      return decorate(overbar, arg);
    }
    case Kind::left:
      return parse_left(t);
    case Kind::begin:
      return parse_matrix(t);
    case Kind::delimiter: {
      Delimiter d = delimiter_of(t);
      if (d == Delimiter::bar || d == Delimiter::double_bar) return parse_bars(t, d);
      return parse_bracket(t, d);
    }
    default:
      return unexpected(t);
  }
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
  Delimiter closing = delimiter_of(tokens_.peek());
  if (!expect_closing(opening, closes_bracket)) return {};
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
  if (!content || !expect_closing(opening, single ? closes_bar : closes_double_bar)) return {};
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
[[gnu::noinline]] Owned<> FormulaParser::parse_left(const Token& left) {
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
// drawing puts back as the linear language does.
[[gnu::noinline]] Owned<> FormulaParser::parse_call(Owned<> name, bool trig) {
  Token opening = tokens_.next();
  bool left = opening.is(Kind::left);
  if (left) opening.length = tokens_.next().offset + 1 - opening.offset;
  auto args = std::make_unique<FunctionArgs>();
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
  } else if (!expect_closing(opening, [](const Token& k) { return k.is(')'); })) {
    return {};
  }
  auto* fname = static_cast<Symbol*>(name.release());
  if (trig && args->items.size() == 1) return make<TrigFunction>(fname, args->items[0].release());
  return make<MultivarFunction>(fname, args.release());
}

// \sin x, \sin^2 x, \log_2 x, \sin(x), \max(a, b): without brackets the
// argument is the product by juxtaposition that follows, up to the next
// function.
[[gnu::noinline]] Owned<> FormulaParser::parse_function(const Token& t, Owned<> name, bool trig) {
  name = parse_scripts(std::move(name));
  if (!name) return {};
  if (at_call()) return parse_call(std::move(name), trig);
  if (!starts_signed(tokens_.peek())) return fail_at(t, spelled(t) + " needs an argument");
  Owned<> arg = parse_signed();
  while (arg && starts_factor(tokens_.peek()) && !is_function(tokens_.peek()) &&
         !at_differential()) {
    Owned<> factor = parse_factor();
    if (!factor) return {};
    arg = juxtapose(std::move(arg), std::move(factor));
  }
  if (!arg) return {};
  if (trig) return make<TrigFunction>(static_cast<Symbol*>(name.release()), arg.release());
  auto args = std::make_unique<FunctionArgs>();
  args->append_item(arg.get());
  (void)arg.release();
  return make<MultivarFunction>(static_cast<Symbol*>(name.release()), args.release());
}

// \frac{a}{b}, \frac12. In an integrand the numerator may hold the
// differential: \int \frac{dx}{x}, \int \frac{x\,dx}{1 + x^2}.
[[gnu::noinline]] Owned<> FormulaParser::parse_frac(const Token& t) {
  std::string need = spelled(t) + " needs 2 arguments";
  Owned<> numerator;
  if (context_.integrand && !pending_variable_ && tokens_.peek().is('{')) {
    Token opening = tokens_.next();
    {
      Nested nested(*this);
      Open open(open_braces_);
      context_.integrand = true;
      if (at_differential()) {
        pending_variable_ = parse_differential();
        numerator = make<Integer>("1");
      } else {
        numerator = tokens_.peek().is('}') ? text("") : parse_list();
        if (numerator && at_differential()) pending_variable_ = parse_differential();
      }
    }
    if (failed_ || !expect_closing(opening, [](const Token& k) { return k.is('}'); })) return {};
  } else {
    numerator = parse_argument(t, need);
  }
  if (!numerator) return {};
  Owned<> denominator = parse_argument(t, need);
  if (!denominator) return {};
  return make<Div>(numerator.release(), denominator.release());
}

// \sqrt{x}, \sqrt[n]{x}.
[[gnu::noinline]] Owned<> FormulaParser::parse_sqrt(const Token& t) {
  Owned<> index;
  if (tokens_.peek().is('[')) {
    Token opening = tokens_.next();
    {
      Nested nested(*this);
      Open open(open_brackets_);
      index = parse_list();
    }
    if (!index || !expect_closing(opening, [](const Token& k) { return k.is(']'); })) return {};
  }
  Owned<> radicand = parse_argument(t, spelled(t) + " needs an argument");
  if (!radicand) return {};
  if (index) return make<Root>(radicand.release(), index.release());
  return make<Sqrt>(radicand.release());
}

// \sum, \prod, \int and \lim with their scripts. The body of a sum, a
// product or a limit is the product that follows; an integrand runs to its
// differential.
[[gnu::noinline]] Owned<> FormulaParser::parse_big_operator(const Token& t) {
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
  Kind kind = t.command->kind;
  if (kind == Kind::integral) return parse_integral(t, std::move(lower), std::move(upper));
  std::string name = spelled(t);
  if (kind == Kind::limit) {
    auto* to = dynamic_cast<InfixOp*>(lower.get());
    if (upper || to == nullptr || to->sign != Sign::to) {
      return fail_at(t, name + " needs _{x \\to a}");
    }
  } else if (!lower) {
    return fail_at(t, name + " needs _{k} or _{k=1}^{n}");
  } else if (upper && dynamic_cast<Equal*>(lower.get()) == nullptr) {
    return fail_at(t, name + " with ^{n} needs _{k=1}");
  }
  if (!starts_signed(tokens_.peek())) return fail_at(t, name + " needs a body");
  Owned<> body = parse_term();
  if (!body) return {};
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
  if (!lower != !upper) return fail_at(t, spelled(t) + " needs both bounds or neither");
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
  if (!body || !variable) {
    if (failed_) return {};
    return fail_at(t, spelled(t) + " needs a differential such as dx");
  }
  if (lower) {
    return make<IntegralOnInterval>(body.release(), variable.release(), lower.release(),
                                    upper.release());
  }
  return make<Integral>(body.release(), variable.release());
}

bool FormulaParser::read_environment(std::string_view& name) {
  size_t begin, end;
  if (!tokens_.braced_text(begin, end)) return false;
  name = tokens_.line().substr(begin, end - begin);
  return true;
}

// \begin{pmatrix} a & b \\ c & d \end{pmatrix} and the other matrices: a
// short row leaves its cells blank, a last \\ starts no row.
[[gnu::noinline]] Owned<> FormulaParser::parse_matrix(const Token& t) {
  std::string_view name;
  if (!read_environment(name)) return fail_at(t, "\\begin needs {pmatrix} or another matrix");
  const Environment* env =
      std::find_if(std::begin(kEnvironments), std::end(kEnvironments),
                   [name](const Environment& e) { return e.name == name; });
  if (env == std::end(kEnvironments)) return fail_at(t, "unknown environment " + std::string(name));
  std::string begin_text = "\\begin{" + std::string(name) + "}";
  std::vector<std::unique_ptr<Matrix::Row>> rows;
  {
    Nested nested(*this);
    Open open(open_matrices_);
    auto row = std::make_unique<Matrix::Row>();
    for (;;) {
      const Token& c = tokens_.peek();
      bool blank = c.is('&') || c.is(Kind::newline) || c.is(Kind::end);
      Owned<> cell = blank ? text("") : parse_list();
      if (!cell) return {};
      row->append_item(cell.get());
      (void)cell.release();
      const Token& after = tokens_.peek();
      if (after.is('&')) {
        tokens_.next();
        continue;
      }
      if (after.is(Kind::newline)) {
        tokens_.next();
        rows.push_back(std::move(row));
        row = std::make_unique<Matrix::Row>();
        if (tokens_.peek().is(Kind::end)) break;
        continue;
      }
      if (after.is(Kind::end)) {
        rows.push_back(std::move(row));
        break;
      }
      if (after.type == Type::end || closes_enclosing(after)) {
        return fail_at(t, begin_text + " without \\end");
      }
      if (!report_stray(after)) unexpected(after);
      return {};
    }
  }
  Token end = tokens_.next();
  std::string_view end_name;
  if (!read_environment(end_name)) return fail_at(end, "\\end needs {" + std::string(name) + "}");
  if (end_name != name) {
    return fail_at(end, "\\end{" + std::string(end_name) + "} does not close " + begin_text);
  }
  auto* array = new (pool_) Array(env->opening, env->closing, env->column_gap);
  Owned<> matrix(array);
  for (auto& row : rows) {
    array->add_row(row.get());
    (void)row.release();
  }
  return matrix;
}

// \text{...} as written, less its blanks at either end. \mathrm{...}: a
// word of letters and digits is a name, which may take scripts and
// arguments; anything else is text without its blanks.
[[gnu::noinline]] Owned<> FormulaParser::parse_text(const Token& t, bool math) {
  size_t begin, end;
  if (!tokens_.braced_text(begin, end)) {
    if (math && tokens_.peek().type == Type::letter) {
      Token letter = tokens_.next();
      return make<Symbol>(&letter.ch, 1);
    }
    return fail_at(t, spelled(t) + " needs {text}");
  }
  std::string_view raw = tokens_.line().substr(begin, end - begin);
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
    if (c >= 128 || (c < 32 && c != '\t') || c == 127) {
      Token bad;
      bad.type = Type::bad;
      bad.offset = static_cast<int>(begin + i);
      return unexpected(bad);
    }
    if (c == '\\' && i + 1 < raw.size() && !is_letter(raw[i + 1])) {
      // \{ \} \% and the like are those characters; \, \; \: \! are blanks.
      char escaped = raw[++i];
      shown += std::strchr(",;:! ", escaped) != nullptr ? ' ' : escaped;
    } else if (!math || !is_blank(static_cast<char>(c))) {
      shown += c == '\t' ? ' ' : static_cast<char>(c);
    }
  }
  return text(shown);
}

Owned<> FormulaParser::parse(std::string_view line, size_t begin, size_t end) {
  tokens_.start(line, begin, end);
  Owned<> e = parse_list();
  if (e && at_final_punctuation()) {
    // Drawn right after the formula, as in a sentence.
    Token mark = tokens_.next();
    // The mark is made first: a failure then leaves e owned.
    Owned<> punctuation = text(std::string_view(&mark.ch, 1));
    e = make<Juxtaposed>(e.release(), punctuation.release());
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

// The formula of a line: its comment, its blanks, the $ $, $$ $$, \( \)
// or \[ \] around it and a last \\ taken away.
void strip(std::string_view line, size_t& begin, size_t& end) {
  begin = 0;
  end = line.size();
  for (size_t i = 0; i < end; ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '%') {
      end = i;
    }
  }
  auto trim = [&] {
    while (begin < end && is_blank(line[begin])) ++begin;
    while (end > begin && is_blank(line[end - 1])) --end;
  };
  auto trailing_newline = [&] {
    size_t slashes = 0;
    while (slashes < end - begin && line[end - 1 - slashes] == '\\') ++slashes;
    if (slashes >= 2 && slashes % 2 == 0) {
      end -= 2;
      trim();
    }
  };
  trim();
  trailing_newline();
  std::string_view text = line.substr(begin, end - begin);
  static constexpr std::pair<std::string_view, std::string_view> kWrappers[] = {
      {"$$", "$$"}, {"$", "$"}, {"\\(", "\\)"}, {"\\[", "\\]"}};
  for (auto [open, close] : kWrappers) {
    if (text.size() >= open.size() + close.size() && text.substr(0, open.size()) == open &&
        text.substr(text.size() - close.size()) == close) {
      begin += open.size();
      end -= close.size();
      trim();
      trailing_newline();
      break;
    }
  }
}

}  // namespace

// ---- Reading lines ----

struct LatexParser::State {
  /// The next line of the source into `line`; false at the end of the
  /// input. A line longer than kMaxLatexLine comes back empty, with
  /// `overlong` set, its bytes dropped as they come.
  bool next_line(Source& source, std::string_view& line, bool& terminated, bool& overlong);

  NodePool nodes;
  std::vector<char> buffer;
  size_t start = 0;    // the next line's first byte
  size_t filled = 0;   // bytes in the buffer
  size_t scanned = 0;  // bytes from start known to hold no newline
  int max_depth = kMaxDrawableDepth;
  bool stopped = false;
};

bool LatexParser::State::next_line(Source& source, std::string_view& line, bool& terminated,
                                   bool& overlong) {
  overlong = false;
  for (;;) {
    const char* from = buffer.data() + start + scanned;
    size_t unscanned = filled - start - scanned;
    auto* newline =
        unscanned == 0 ? nullptr : static_cast<const char*>(std::memchr(from, '\n', unscanned));
    if (newline != nullptr) {
      size_t length = static_cast<size_t>(newline - (buffer.data() + start));
      line = overlong ? std::string_view() : std::string_view(buffer.data() + start, length);
      start += length + 1;
      scanned = 0;
      terminated = true;
      return true;
    }
    scanned = filled - start;
    if (scanned > static_cast<size_t>(kMaxLatexLine)) {
      // Too long to draw: its bytes are dropped up to its newline.
      overlong = true;
      start = filled;
      scanned = 0;
    }
    if (start > 0) {
      std::memmove(buffer.data(), buffer.data() + start, filled - start);
      filled -= start;
      start = 0;
    }
    constexpr size_t kRead = 65536;
    if (buffer.size() < filled + kRead) buffer.resize(std::max(filled + kRead, buffer.size() * 2));
    size_t n = source.read(buffer.data() + filled, buffer.size() - filled);
    if (n == 0) {
      if (filled == 0 && !overlong) return false;
      line = overlong ? std::string_view() : std::string_view(buffer.data(), filled);
      start = filled = scanned = 0;
      terminated = false;
      return true;
    }
    filled += n;
  }
}

LatexParser::LatexParser() : state_(std::make_unique<State>()) {}
LatexParser::~LatexParser() = default;

void LatexParser::set_max_depth(int depth) {
  state_->max_depth = std::min(depth, kMaxDrawableDepth);
}

void LatexParser::stop() { state_->stopped = true; }

bool LatexParser::parse(Source& source, Listener& listener) {
  State& s = *state_;
  s.start = s.filled = s.scanned = 0;
  s.stopped = false;
  std::string_view line;
  bool terminated, overlong;
  for (int number = 1; !s.stopped && s.next_line(source, line, terminated, overlong); ++number) {
    if (overlong) {
      listener.error(Status::too_large, "drawing too large", number, -1);
      continue;
    }
    size_t begin, end;
    strip(line, begin, end);
    std::string_view formula = line.substr(begin, end - begin);
    if (formula.empty()) {
      // Blanks or a comment alone on a last line without its newline are
      // no statement.
      if (terminated) listener.empty_statement(number);
      continue;
    }
    if (formula == "quit") return true;
    Owned<> tree;
    try {
      FormulaParser parser(s.nodes, listener, number, s.max_depth);
      tree = parser.parse(line, begin, end);
    } catch (const std::bad_alloc&) {
      // What the line built so far is deleted on the way out.
      listener.error(Status::memory, "out of memory", number, -1);
      continue;
    }
    if (tree) listener.statement(std::move(tree), number);
  }
  return false;
}
