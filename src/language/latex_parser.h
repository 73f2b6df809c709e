// What the files of the LaTeX reader share: the rows of its commands, its
// tokens and tokenizer, and the recursive-descent parser of one formula,
// whose families of commands live in files of their own.
#ifndef VORNIX_LANGUAGE_LATEX_PARSER_H_
#define VORNIX_LANGUAGE_LATEX_PARSER_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "language/language.h"

namespace latex {

class Macros;

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
  big_sign,      // \bigcup and the like: code, the Sign of its one-row sign
  decoration,    // \overset, \boxed and the like: code, a DecorationKind
  text,          // \text{...}
  mathrm,
  font,          // \mathbf{...} and the like: the argument as it is
  overbar,
  accent,        // code: an AccentMark, times 2, plus 1 when wide
  left,
  right,
  begin,
  end,
  delimiter,     // code: a Delimiter and a Role
  literal,       // \% and the like: `text`
  prime,
  newline,       // \\ .
  over,          // \over, \choose and \atop, between a group's operands; code: 0,
                 // 1 for \choose, 2 for \atop
  skipped,       // \color{red} and the like: read with its argument as nothing;
                 // code: 1 when the argument is a length, \hskip 2pt
  negation,      // \not, before = or \in
  tag,           // \tag{...}: a row's tag, drawn at its right
  hline,         // \hline: a rule between a table's rows
  intertext,     // \intertext{...}: a row of text across a table
};

enum Relation { EQUAL, LESS, GREATER, LESS_EQUAL, GREATER_EQUAL, OTHER_RELATION };
// \cdot and * (drawn as juxtaposition is), \times, \div and /.
enum ProductSign { DOT, CROSS, DIVIDE, SLASH };
enum Role { OPENING = 1, CLOSING = 2, EITHER = 3 };

class FormulaParser;
struct Token;

/// What the parser read after a command's name, as its row asked.
struct Arguments {
  Owned<> math[2];                 // m and n, in order
  Owned<> optional;                // o: [...], when written
  std::string_view text{};         // t and T: a braced text as written
  bool has_text = false;
  bool star = false;               // s: a * after the name
};

/// Builds a command's node from its token and its arguments; null after
/// reporting why there is none.
using Handler = Owned<> (FormulaParser::*)(const Token&, Arguments&);

/// One row of the command table: the class of the command, a code and a
/// name it stands for, the arguments the parser reads after it, one letter
/// each, and the handler that makes its node. Arguments:
///   m  a math argument: a group, a digit, a letter or a command
///   n  a numerator: as m, but in an integrand it may hold the differential
///   o  an optional [math]
///   s  an optional *
///   t  a braced text, as written
///   T  a braced text when there is one
struct Command {
  Kind kind;
  int code = 0;             // Relation (+ Sign), Sign, ProductSign, Delimiter + Role
  std::string_view text{};  // the name a command stands for
  std::string_view args{};
  Handler handler = nullptr;
};

constexpr int relation_code(Relation r) { return r; }
constexpr int relation_code(Sign s) { return OTHER_RELATION + static_cast<int>(s); }
constexpr int delimiter_code(Delimiter d, Role role) { return static_cast<int>(d) * 4 + role; }

/// The command named name (without its backslash), or null.
const Command* find_command(std::string_view name);

// ---- Tokens ----

enum class Type : unsigned char { end, number, letter, character, command, bad };

/// The kind of a token that is no known command.
inline constexpr Kind kNoKind = static_cast<Kind>(255);

struct Token {
  Type type = Type::end;
  char ch = 0;                       // a letter or a character; . in a number with one
  // What the token is to the parser, read once when it is scanned: its
  // command's kind, and its part as a bracket, a product sign and a
  // relation.
  Kind kind = kNoKind;
  Delimiter delimiter = Delimiter::none;
  unsigned char role = 0;            // OPENING, CLOSING or EITHER as a bracket
  signed char product = -1;          // a ProductSign
  short relation = -1;               // a relation code
  const Command* command = nullptr;  // a known command; null for an unknown one
  std::string_view text{};           // a number's digits; a command's name
  int offset = 0;                    // in the line, in bytes
  int length = 0;                    // bytes in the line

  bool is(char c) const { return type == Type::character && ch == c; }
  bool is(Kind k) const { return kind == k; }
};

inline bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool is_digit(char c) { return c >= '0' && c <= '9'; }
inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

/// Decodes the UTF-8 sequence at text[i]; returns its length, or 0 when it
/// is not well formed.
int decode_utf8(std::string_view text, size_t i, char32_t& code);

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
    last_ = Last();
    cost_ = 0;
    too_large_ = false;
  }

  [[gnu::always_inline]] const Token& peek() {
    if (!peeked_) {
      scan(token_);
      peeked_ = true;
    }
    return token_;
  }
  [[gnu::always_inline]] Token next() {
    peek();
    peeked_ = false;
    last_ = Last{token_.offset, token_.length, token_.type};
    return token_;
  }
  /// Where the token that next returned last stands, and its type: what
  /// an operand is missing after.
  struct Last {
    int offset = 0;
    int length = 0;
    Type type = Type::end;
  };
  const Last& last() const { return last_; }

  /// Where the next token starts, and a way back there.
  struct Mark {
    size_t pos;
    Last last;
  };
  Mark mark() const { return Mark{peeked_ ? static_cast<size_t>(token_.offset) : pos_, last_}; }
  void reset(const Mark& m) {
    skip_to(m.pos);
    last_ = m.last;
  }
  /// Goes on from pos, past bytes that the caller read itself; a line too
  /// large to read stays at its end.
  void skip_to(size_t pos) {
    pos_ = too_large_ ? end_ : pos;
    peeked_ = false;
  }

  /// Takes the first digit of a number token that peek returned: a script
  /// or an argument of one character takes one digit.
  Token next_digit() {
    Token t = next();
    if (t.length > 1) {
      pos_ = static_cast<size_t>(t.offset) + 1;
      t.text = t.text.substr(0, 1);
      t.ch = 0;
      t.length = 1;
      last_.length = 1;
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

  /// Whether a } follows token t with no blank between.
  bool brace_after(const Token& t) const {
    size_t at = static_cast<size_t>(t.offset + t.length);
    return at < end_ && line_[at] == '}';
  }

  bool too_large() const { return too_large_; }
  std::string_view line() const { return line_; }

 private:
  // Counts a token; past the statement's cost the rest of the line is
  // not read: the tokenizer stays at its end.
  bool charge(size_t length) {
    cost_ += kTokenCost + static_cast<long>(length);
    if (cost_ <= kMaxStatementCost) return true;
    too_large_ = true;
    pos_ = end_;
    return false;
  }

  void scan(Token& t);
  bool scan_plain(Token& t);
  void scan_rest(Token& t);
  bool scan_other(Token& t);
  void command_token(Token& t, std::string_view name);
  void skip_length();

  std::string_view line_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool peeked_ = false;
  Token token_;
  Last last_;
  long cost_ = 0;
  bool too_large_ = false;
};

// ---- What the parser's files share ----

/// A name that the linear language draws as a trigonometric function.
bool is_trig_name(std::string_view name);
bool is_round(const Expression& e);
/// What a round bracket holds, the bracket deleted.
Owned<> unwrap(Owned<> e);
inline Delimiter delimiter_of(const Token& t) { return t.delimiter; }
inline int role_of(const Token& t) { return t.role; }
/// ) ] \} \rangle \rbrack: each closes any bracket but bars.
inline bool closes_bracket(const Token& t) {
  return t.role == CLOSING && t.delimiter != Delimiter::bar && t.delimiter != Delimiter::double_bar;
}
/// The relation code of a relation sign, or -1.
inline int relation_of(const Token& t) { return t.relation; }
bool is_function(const Token& t);
inline bool is_single_bar(const Token& t) {
  return t.delimiter == Delimiter::bar && (t.role & CLOSING) != 0;
}
/// A script or a prime after an operand: ^ _ ' \prime.
inline bool starts_script(const Token& t) {
  return t.is('^') || t.is('_') || t.is('\'') || t.is(Kind::prime);
}
/// What may open a name's argument list: ( or \left.
inline bool may_call(const Token& t) { return t.is('(') || t.is(Kind::left); }
/// The punctuation that may end a sentence: . , ;
inline bool is_final_mark(const Token& t) { return t.is('.') || t.is(',') || t.is(';'); }
inline bool is_sign(const Token& t) { return t.is('-') || t.is('+') || t.is(Kind::additive); }
/// What ends an operand at once, with no scripts, argument list or factor
/// after it: a sign, a relation, a comma, a cell's or a group's end, the
/// end.
[[gnu::always_inline]] inline bool ends_lone_operand(const Token& t) {
  switch (t.type) {
    case Type::end:
      return true;
    case Type::character:
      switch (t.ch) {
        case '+':
        case '-':
        case '=':
        case ',':
        case '}':
        case '&':
          return true;
        default:
          return false;
      }
    case Type::command:
      return t.kind == Kind::relation || t.kind == Kind::additive;
    default:
      return false;
  }
}

/// "syntax error at column C: message" for a fault at a byte offset of
/// line, C counted in characters from 1.
std::string syntax_error(std::string_view line, int offset, std::string_view message);

/// Whether a formula holds rows: a \\, & or \tag outside any group and
/// environment; columns, whether it holds an &.
bool has_rows(std::string_view formula, bool& columns);

/// What one pass over a line finds: where its comment starts, and whether
/// it may hold rows (a \\, an & or a \tag) or definitions and macros.
/// The passes that look for those closely run only where this one found
/// a sign of them.
struct LineFacts {
  size_t end = 0;  // the comment's start, or the line's end
  bool rows = false;
  bool macros = false;
};
LineFacts read_line(std::string_view line, const Macros& defined, const Macros* base);

/// The formula of a line whose comment is cut off: its blanks, the $ $,
/// $$ $$, \( \) or \[ \] around it and a last \\ taken away.
void strip(std::string_view line, size_t& begin, size_t& end);

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
  /// reporting why there is none, or null and empty when the line holds
  /// only spacing and styles. Rows are looked for only when it may hold
  /// them.
  Owned<> parse(std::string_view line, size_t begin, size_t end, bool may_hold_rows,
                bool& empty);

  /// The line is the expansion of the macros of `original`: origins gives
  /// the offset in original of each of its bytes, and of its end, and the
  /// faults are reported there.
  void expanded_from(std::string_view original, const std::vector<int>* origins) {
    original_ = original;
    origins_ = origins;
  }

  // The handlers of the command rows (latex_commands.cc), each in the file
  // of its family.
  Owned<> handle_name(const Token& t, Arguments& a);
  Owned<> handle_literal(const Token& t, Arguments& a);
  Owned<> handle_pi(const Token& t, Arguments& a);
  Owned<> handle_infinity(const Token& t, Arguments& a);
  Owned<> handle_nabla(const Token& t, Arguments& a);
  Owned<> handle_ellipsis(const Token& t, Arguments& a);
  Owned<> handle_delimiter(const Token& t, Arguments& a);
  Owned<> handle_left(const Token& t, Arguments& a);
  Owned<> handle_function(const Token& t, Arguments& a);
  Owned<> handle_operatorname(const Token& t, Arguments& a);
  Owned<> handle_big_operator(const Token& t, Arguments& a);
  Owned<> handle_frac(const Token& t, Arguments& a);
  Owned<> handle_sqrt(const Token& t, Arguments& a);
  Owned<> handle_font(const Token& t, Arguments& a);
  Owned<> handle_blackboard(const Token& t, Arguments& a);
  Owned<> handle_overbar(const Token& t, Arguments& a);
  Owned<> handle_accent(const Token& t, Arguments& a);
  Owned<> handle_text(const Token& t, Arguments& a);
  Owned<> handle_mathrm(const Token& t, Arguments& a);
  Owned<> handle_environment(const Token& t, Arguments& a);
  Owned<> handle_plain_matrix(const Token& t, Arguments& a);
  Owned<> handle_binom(const Token& t, Arguments& a);
  Owned<> handle_pmod(const Token& t, Arguments& a);
  // Labels, braces, arrows and boxes (latex_decorations.cc).
  Owned<> handle_decoration(const Token& t, Arguments& a);
  Owned<> handle_substack(const Token& t, Arguments& a);
  Owned<> handle_sideset(const Token& t, Arguments& a);
  Owned<> handle_mathop(const Token& t, Arguments& a);

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
  /// A new argument list or row of the pool, with room for the few items
  /// that most hold.
  template <class List>
  std::unique_ptr<List> new_list() {
    std::unique_ptr<List> list(new (pool_) List);
    list->items.reserve(4);
    return list;
  }

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
  /// Takes the token that closes opening, when closes says it does;
  /// false after reporting what is missing.
  bool expect_closing(const Token& opening, bool (*closes)(const Token&)) {
    if (!closes(tokens_.peek())) {
      report_unclosed(opening);
      return false;
    }
    tokens_.next();
    return true;
  }
  void report_unclosed(const Token& opening);

  bool starts_factor(const Token& t, bool after_operand = true) const {
    return t.type == Type::letter || t.type == Type::number || starts_other_factor(t, after_operand);
  }
  /// Whether a token other than a letter or a number starts an operand;
  /// after one, bars that are open close instead of opening new ones.
  bool starts_other_factor(const Token& t, bool after_operand) const {
    if (t.type == Type::character) {
      if (t.ch == '|') return !after_operand || context_.open_bars == 0;
      return kFactorStarts[static_cast<unsigned char>(t.ch)];
    }
    if (t.type != Type::command) return false;
    if (t.kind == Kind::delimiter) return delimiter_starts_factor(t, after_operand);
    // An unknown command starts one, drawn as written.
    return t.kind == kNoKind || ((kNoFactorKinds >> static_cast<unsigned>(t.kind)) & 1) == 0;
  }
  bool delimiter_starts_factor(const Token& t, bool after_operand) const;
  // The characters that start an operand, and the kinds of command that
  // never do.
  static constexpr auto kFactorStarts = [] {
    std::array<bool, 256> starts{};
    for (unsigned char c : std::string_view("([{;:?@\"`.")) starts[c] = true;
    return starts;
  }();
  static constexpr uint64_t kNoFactorKinds = [] {
    uint64_t kinds = 0;
    for (Kind k : {Kind::relation, Kind::additive, Kind::product, Kind::right, Kind::end,
                   Kind::prime, Kind::newline, Kind::space, Kind::over, Kind::skipped,
                   Kind::negation, Kind::tag, Kind::hline, Kind::intertext}) {
      kinds |= uint64_t{1} << static_cast<unsigned>(k);
    }
    return kinds;
  }();
  static_assert(static_cast<unsigned>(Kind::intertext) < 64, "a kind is a bit of a mask");
  bool starts_signed(const Token& t) const { return starts_factor(t, false) || is_sign(t); }
  bool at_call();
  /// Whether a period, comma or semicolon ends the formula or a cell, as
  /// a sentence's punctuation.
  bool at_final_punctuation() { return is_final_mark(tokens_.peek()) && punctuation_ends(); }
  bool punctuation_ends();
  Owned<> punctuated(Owned<> e);
  /// Whether the differential that ends an integrand comes next.
  bool at_differential() { return context_.integrand && differential_follows(); }
  bool differential_follows();
  Owned<> parse_differential();
  bool at_operand_end() {
    const Token& t = tokens_.peek();
    return t.type != Type::letter && t.type != Type::number && operand_ends_at(t);
  }
  bool operand_ends_at(const Token& t) const;
  bool stray_closing(const Token& t) const;
  enum class Bar { none, evaluation, closing, opening };
  Bar bar_at();
  Owned<> close_one_side(Owned<> left);
  Owned<> parse_evaluation_bar(Owned<> left);

  Owned<> parse_list();
  /// parse_list in the caller's frame, for a group's.
  Owned<> parse_list_here();
  Owned<> parse_sequence(Owned<> first);
  bool parse_items(FunctionArgs& items);
  /// The relation that comes next, or -1: a relation sign, \not= and
  /// \not\in, or a bar that separates, as in P(A|B); between bars, a >
  /// that ends a ket |a> is none.
  [[gnu::always_inline]] int relation_at() {
    const Token& t = tokens_.peek();
    bool plain = t.relation >= 0 ? !(t.is('>') && context_.open_bars > 0)
                                 : !(t.is('|') || t.is(Kind::negation));
    return plain ? t.relation : relation_after_mark();
  }
  int relation_after_mark();
  bool at_mid();
  Owned<> parse_relation();
  Owned<> parse_relations(Owned<> first);
  /// The node of a relation by its code.
  Owned<> relation(int code, Owned<> left, Owned<> right);
  /// left: an operand read already, when there is one.
  Owned<> parse_additive(Owned<> left = {});
  /// An additive, its first term read here: most are that term alone,
  /// and pass no further frame.
  [[gnu::always_inline]] Owned<> parse_sum() {
    Owned<> term = parse_term();
    if (term && is_sign(tokens_.peek())) return parse_additive(std::move(term));
    return term;
  }
  Owned<> parse_term();
  /// The rest of a term whose first factor is left.
  Owned<> term_rest(Owned<> left);
  Owned<> parse_signed();
  Owned<> parse_signs();
  Owned<> parse_factor();
  /// The scripts, argument list and factorials after a factor's primary.
  Owned<> factor_rest(Owned<> e);
  Owned<> parse_primary();
  /// Takes the letter or the number that comes next as its node.
  Owned<> parse_leaf();
  Owned<> parse_scripts(Owned<> base);
  Owned<> parse_script(const Token& op, int& primes, bool& star);
  /// An argument of command, which takes count of them: the count names
  /// them in the message when there is none.
  Owned<> parse_argument(const Token& command, int count);
  Owned<> parse_group(const Token& opening);
  /// parse_group in the caller's frame, for an argument's or a script's.
  Owned<> parse_group_here(const Token& opening);
  Owned<> parse_over(Owned<> numerator);
  Owned<> stack(Owned<> top, Owned<> bottom, bool bar, Delimiter brackets = Delimiter::paren);
  Owned<> parse_command(const Token& t);
  Owned<> unknown_command(const Token& t);
  Owned<> parse_bracket(const Token& opening, Delimiter d);
  Owned<> parse_bars(const Token& opening, Delimiter d);
  bool read_delimiter(Delimiter& d);
  Owned<> parse_call(Owned<> name, bool trig);
  Owned<> parse_function(const Token& t, Owned<> name, bool trig);
  bool read_arguments(const Token& t, const Command& c, Arguments& a);
  /// Whether a numerator comes next that may hold an integrand's
  /// differential, as in \int \frac{dx}{x}: a group in an integrand that
  /// has none yet.
  bool at_integrand_numerator() {
    return context_.integrand && !pending_variable_ && tokens_.peek().is('{');
  }
  /// The numerator that at_integrand_numerator found.
  Owned<> parse_numerator();
  Owned<> missing_argument(const Token& command, int count);
  Owned<> parse_optional(const Token& opening);
  Owned<> parse_integral(const Token& t, Owned<> lower, Owned<> upper);
  bool read_environment(std::string_view& name);
  // Tables and matrices (latex_environments.cc).
  struct Layout;
  /// The rows of a formula written with \\, & or \tag outside any group
  /// or environment, as a table; null after reporting why there is none.
  Owned<> parse_top_rows(bool columns);
  Owned<> parse_rows(const Token& opening, const Layout& layout);
  Owned<> parse_cell(const Layout& layout, bool continues);
  /// A token that ends a cell; outside matrices, none.
  bool at_cell_end() {
    const Token& t = tokens_.peek();
    return open_matrices_ > 0 &&
           (t.is('&') || t.is(Kind::newline) || t.is(Kind::end) || t.is(Kind::tag));
  }
  bool sign_alone();
  void skip_row_spacing();
  Owned<> parse_words(const Token& t);
  Owned<> parse_tag(const Token& t);
  Owned<> plain_text(std::string_view raw, bool math);
  Owned<> juxtapose(Owned<> left, Owned<> right);
  bool at_dotted_ellipsis();
  bool at_ket_end();
  Owned<> parse_slashed();
  int source_offset(int offset) const {
    if (origins_ == nullptr || origins_->empty()) return offset;
    return (*origins_)[std::min(static_cast<size_t>(std::max(offset, 0)), origins_->size() - 1)];
  }
  std::string_view source_line() const { return origins_ ? original_ : tokens_.line(); }

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
  std::string_view original_;
  const std::vector<int>* origins_ = nullptr;
};

}  // namespace latex

#endif  // VORNIX_LANGUAGE_LATEX_PARSER_H_
