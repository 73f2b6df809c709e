// Macros of the LaTeX reader. Definitions are read from the text as TeX
// reads them, and a macro's use is replaced by its body, its arguments put
// in, and read again, so that a body may use other macros and take its
// arguments from the text after it. Every expansion is counted against a
// depth and a number of bytes, so that a macro that calls itself ends in
// an error instead of a hang.
#include "language/latex_macros.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "language/latex_parser.h"

namespace latex {
namespace {

enum class Definer { none, newcommand, renewcommand, providecommand, def, let, operator_name };

struct DefinerRow {
  std::string_view name;
  Definer definer;
};

constexpr DefinerRow kDefiners[] = {
    {"newcommand", Definer::newcommand},
    {"renewcommand", Definer::renewcommand},
    {"providecommand", Definer::providecommand},
    {"def", Definer::def},
    {"gdef", Definer::def},
    {"let", Definer::let},
    {"DeclareMathOperator", Definer::operator_name},
};

template <class Rows>
constexpr std::array<bool, 256> name_keys(const Rows& rows) {
  std::array<bool, 256> keys{};
  for (const auto& row : rows) keys[name_key(row.name)] = true;
  return keys;
}

constexpr auto kDefinerKeys = name_keys(kDefiners);

Definer definer_of(std::string_view name) {
  if (name.empty() || !kDefinerKeys[name_key(name)]) return Definer::none;
  for (const DefinerRow& row : kDefiners) {
    if (row.name == name) return row.definer;
  }
  return Definer::none;
}

// Commands that the reader takes as macros of its own: \ensuremath{x} in a
// formula is x, a double or triple integral is its signs side by side, and
// a rule, a strut in a formula, is nothing.
struct BuiltIn {
  std::string_view name;
  Macro macro;
};

const BuiltIn kBuiltIns[] = {
    {"ensuremath", {"#1", 1, false, {}}},
    {"iint", {"\\int\\int", 0, false, {}}},
    {"iiint", {"\\int\\int\\int", 0, false, {}}},
    // A strut: \rule[raise]{width}{height} draws nothing.
    {"rule", {"", 3, true, {}}},
};

const Macro* built_in(std::string_view name) {
  static const auto kKeys = name_keys(kBuiltIns);
  if (name.empty() || !kKeys[name_key(name)]) return nullptr;
  for (const BuiltIn& row : kBuiltIns) {
    if (row.name == name) return &row.macro;
  }
  return nullptr;
}

}  // namespace

const std::array<bool, 256> kOwnNameKeys = [] {
  std::array<bool, 256> keys = name_keys(kDefiners);
  for (const BuiltIn& row : kBuiltIns) keys[name_key(row.name)] = true;
  return keys;
}();

namespace {

// Whether text ends in a control word, such as \alpha: a letter after it
// would join its name.
bool ends_in_control_word(std::string_view text) {
  size_t i = text.size();
  while (i > 0 && is_letter(text[i - 1])) --i;
  if (i == text.size() || i == 0 || text[i - 1] != '\\') return false;
  size_t slashes = 0;
  while (slashes < i && text[i - 1 - slashes] == '\\') ++slashes;
  return slashes % 2 == 1;
}

// Reads definitions and expands macros: the text being read, with a stack
// of the expansions being read over it, innermost last.
class Expander {
 public:
  Expander(std::string_view text, size_t begin, size_t end, Macros& defined, const Macros* base)
      : text_(text), pos_(begin), end_(end), defined_(defined), base_(base) {}

  // The formula with its definitions taken away and its macros expanded.
  bool expand(std::string& out, std::vector<int>& origins) {
    out_ = &out;
    origins_ = &origins;
    while (!at_end()) {
      if (peek() != '\\') {
        put(std::string_view(&peek_ref(), 1), origin());
        advance();
        continue;
      }
      int from = origin(), depth = this->depth();
      std::string command = read_command();
      std::string_view name = std::string_view(command).substr(1);
      Definer definer = definer_of(name);
      if (definer != Definer::none) {
        if (!define(definer, command, from)) return false;
      } else if (const Macro* m = lookup(name)) {
        if (!call(*m, command, from, depth)) return false;
      } else {
        put(command, from);
        after_word_ = is_letter(command.back());
      }
    }
    origins.push_back(static_cast<int>(end_));
    return true;
  }

  // Definitions only, up to the end of the text.
  bool read_all() {
    for (;;) {
      skip_blanks();
      if (at_end()) return true;
      int from = origin();
      Definer definer = Definer::none;
      std::string command;
      if (peek() == '\\') {
        command = read_command();
        definer = definer_of(std::string_view(command).substr(1));
      }
      if (definer == Definer::none) return fail(from, "not a definition");
      if (!define(definer, command, from)) return false;
    }
  }

  const MacroError& error() const { return error_; }

 private:
  struct Frame {
    std::string text;
    size_t pos = 0;
    int origin = 0;  // the offset of the outermost macro's name
    int depth = 0;
  };

  // ---- Reading ----

  // Drops the expansions that have been read through.
  void pop_done() {
    while (!frames_.empty() && frames_.back().pos >= frames_.back().text.size()) {
      frames_.pop_back();
    }
  }
  bool at_end() {
    pop_done();
    return frames_.empty() && pos_ >= end_;
  }
  // The next byte; only when not at_end.
  const char& peek_ref() {
    pop_done();
    return frames_.empty() ? text_[pos_] : frames_.back().text[frames_.back().pos];
  }
  char peek() { return at_end() ? '\0' : peek_ref(); }
  void advance() {
    pop_done();
    if (frames_.empty()) {
      ++pos_;
    } else {
      ++frames_.back().pos;
    }
  }
  // The next byte of the expansion being read, or 0 at its end: a name
  // does not run on into what follows its expansion.
  char peek_here() const {
    if (frames_.empty()) return pos_ < end_ ? text_[pos_] : '\0';
    const Frame& f = frames_.back();
    return f.pos < f.text.size() ? f.text[f.pos] : '\0';
  }
  int origin() {
    pop_done();
    return frames_.empty() ? static_cast<int>(pos_) : frames_.back().origin;
  }
  int depth() {
    pop_done();
    return frames_.empty() ? 0 : frames_.back().depth;
  }

  void skip_blanks() {
    while (!at_end() && (is_blank(peek()) || peek() == '\n')) advance();
  }

  // A backslash and a name of letters, or one other character after it.
  std::string read_command() {
    std::string command(1, '\\');
    advance();
    if (is_letter(peek_here())) {
      while (is_letter(peek_here())) {
        command += peek_here();
        advance();
      }
    } else if (peek_here() != '\0') {
      command += peek_here();
      advance();
    }
    return command;
  }

  // One UTF-8 character, whole.
  std::string read_character() {
    std::string c(1, peek());
    advance();
    if (static_cast<unsigned char>(c[0]) >= 0xc0) {
      while (!at_end() && (static_cast<unsigned char>(peek()) & 0xc0) == 0x80) {
        c += peek();
        advance();
      }
    }
    return c;
  }

  // What a group holds, after its opening brace and up to the brace that
  // closes it. With until, a bracket at the group's own level ends it too,
  // as in an optional argument.
  bool read_group(std::string& content, int from, char until = '}') {
    int open = 0;
    for (;;) {
      if (at_end()) return fail(from, until == '}' ? "unbalanced {" : "unbalanced [");
      char c = peek();
      if (c == '\\') {
        content += read_command();
        continue;
      }
      advance();
      if (open == 0 && c == until) return true;
      if (c == '{') ++open;
      if (c == '}' && --open < 0) return fail(from, "unbalanced }");
      content += c;
    }
  }

  // A macro's argument: a group's content, a command or one character.
  // False when there is none.
  bool read_argument(std::string& arg, bool& ok) {
    ok = true;
    skip_blanks();
    if (at_end() || peek() == '}') return false;
    if (peek() == '{') {
      int from = origin();
      advance();
      ok = read_group(arg, from);
    } else if (peek() == '\\') {
      arg = read_command();
    } else {
      arg = read_character();
    }
    return true;
  }

  // [...] when it comes next.
  bool read_optional(std::string& arg, bool& ok) {
    ok = true;
    skip_blanks();
    if (peek() != '[') return false;
    int from = origin();
    advance();
    ok = read_group(arg, from, ']');
    return true;
  }

  // ---- Definitions ----

  const Macro* lookup(std::string_view name) const {
    if (const Macro* m = defined_.find(name)) return m;
    if (base_ != nullptr) {
      if (const Macro* m = base_->find(name)) return m;
    }
    return built_in(name);
  }

  bool define(Definer definer, const std::string& command, int from) {
    switch (definer) {
      case Definer::def:
        return define_def(command, from);
      case Definer::let:
        return define_let(command, from);
      case Definer::operator_name:
        return define_operator(command, from);
      default:
        return define_command(definer, command, from);
    }
  }

  // The name being defined: \name or {\name}.
  bool read_defined_name(const std::string& command, bool braces_allowed, std::string& name) {
    skip_blanks();
    int from = origin();
    bool braced = braces_allowed && peek() == '{';
    if (braced) {
      advance();
      skip_blanks();
    }
    if (peek() == '\\') name = read_command().substr(1);
    if (braced) {
      skip_blanks();
      if (peek() == '}') {
        advance();
      } else {
        name.clear();
      }
    }
    if (name.empty()) return fail(from, command + " needs a \\name to define");
    return true;
  }

  // The body of a definition: a group or one command or character. One
  // that never came, as when another definition follows at once, is empty.
  bool read_body(const std::string& command, int from, std::string& body) {
    skip_blanks();
    if (peek() == '\\' && starts_definition()) return true;
    bool ok;
    if (!read_argument(body, ok)) return fail(from, command + " needs a body");
    return ok;
  }
  bool starts_definition() const {
    size_t i = pos_ + 1;
    if (!frames_.empty()) return false;
    while (i < end_ && is_letter(text_[i])) ++i;
    return definer_of(text_.substr(pos_ + 1, i - pos_ - 1)) != Definer::none;
  }

  // #1 to #n and ## only.
  bool check_parameters(const Macro& m, const std::string& name, int from) {
    for (size_t i = 0; i < m.body.size(); ++i) {
      if (m.body[i] == '\\') {
        ++i;  // \# is a sign
        continue;
      }
      if (m.body[i] != '#') continue;
      char next = i + 1 < m.body.size() ? m.body[i + 1] : '\0';
      if (next != '#' && !(next >= '1' && next < '1' + m.parameters)) {
        return fail(from, "illegal parameter number in the definition of \\" + name);
      }
      ++i;
    }
    return true;
  }

  // \newcommand, \renewcommand and \providecommand, with or without *:
  // {\name} or \name, [n] arguments, [default] for the first, {body}.
  bool define_command(Definer definer, const std::string& command, int from) {
    if (peek_here() == '*') advance();
    std::string name;
    if (!read_defined_name(command, true, name)) return false;
    Macro m;
    std::string count;
    bool ok;
    if (read_optional(count, ok)) {
      if (!ok) return false;
      count.erase(std::remove_if(count.begin(), count.end(), is_blank), count.end());
      if (count.size() != 1 || !is_digit(count[0])) {
        return fail(from, command + "{\\" + name + "} needs [n] of 0 to 9 arguments");
      }
      m.parameters = count[0] - '0';
      if (m.parameters > 0 && read_optional(m.default_argument, ok)) {
        if (!ok) return false;
        m.optional = true;
      }
    }
    if (!read_body(command, from, m.body) || !check_parameters(m, name, from)) return false;
    if (definer == Definer::providecommand &&
        (lookup(name) != nullptr || find_command(name) != nullptr)) {
      return true;
    }
    defined_.define(name, std::move(m));
    return true;
  }

  // \def\name{body} and \def\name#1#2{body}: parameters not delimited.
  bool define_def(const std::string& command, int from) {
    std::string name;
    if (!read_defined_name(command, false, name)) return false;
    Macro m;
    while (peek() == '#') {
      advance();
      if (peek() != '1' + m.parameters) break;
      advance();
      ++m.parameters;
    }
    if (peek() != '{') {
      return fail(from, command + "\\" + name + " takes #1 to #9 in order, then {body}");
    }
    bool ok;
    read_argument(m.body, ok);
    if (!ok || !check_parameters(m, name, from)) return false;
    defined_.define(name, std::move(m));
    return true;
  }

  // \let\a\b and \let\a=\b: \a is what \b is now.
  bool define_let(const std::string& command, int from) {
    std::string name;
    if (!read_defined_name(command, false, name)) return false;
    skip_blanks();
    if (peek() == '=') {
      advance();
      skip_blanks();
    }
    std::string target;
    bool ok;
    if (!read_argument(target, ok) || !ok || target.empty()) {
      return fail(from, command + "\\" + name + " needs what it stands for");
    }
    const Macro* m = target[0] == '\\' ? lookup(std::string_view(target).substr(1)) : nullptr;
    Macro copy = m != nullptr ? *m : Macro{target, 0, false, {}};
    defined_.define(name, std::move(copy));
    return true;
  }

  // \DeclareMathOperator{\name}{text}: \name is \operatorname{text}; with
  // a *, \operatorname*{text}.
  bool define_operator(const std::string& command, int from) {
    bool star = peek_here() == '*';
    if (star) advance();
    std::string name, text;
    if (!read_defined_name(command, true, name)) return false;
    bool ok;
    if (!read_argument(text, ok)) return fail(from, command + "{\\" + name + "} needs {text}");
    if (!ok) return false;
    Macro m{std::string(star ? "\\operatorname*{" : "\\operatorname{") + text + "}", 0, false, {}};
    if (!check_parameters(m, name, from)) return false;
    defined_.define(name, std::move(m));
    return true;
  }

  // ---- Expansion ----

  // A macro's use: its arguments read, and its body with them put in to
  // be read next.
  bool call(const Macro& m, const std::string& command, int from, int depth) {
    if (depth >= kMaxMacroDepth) return fail(from, std::string(kMacroTooDeep));
    std::string args[9];
    int first = 0;
    bool ok;
    if (m.optional) {
      if (!read_optional(args[0], ok)) args[0] = m.default_argument;
      if (!ok) return false;
      first = 1;
    }
    for (int i = first; i < m.parameters; ++i) {
      if (!read_argument(args[i], ok)) {
        return fail(from, command + (m.parameters > 1 ? " needs " + std::to_string(m.parameters) +
                                                            " arguments"
                                                      : std::string(" needs an argument")));
      }
      if (!ok) return false;
    }
    Frame f;
    f.origin = from;
    f.depth = depth + 1;
    for (size_t i = 0; i < m.body.size(); ++i) {
      if (m.body[i] == '\\' && i + 1 < m.body.size()) {
        f.text += m.body[i++];
        f.text += m.body[i];
        continue;
      }
      if (m.body[i] != '#') {
        f.text += m.body[i];
        continue;
      }
      ++i;
      if (i < m.body.size() && m.body[i] == '#') {
        f.text += '#';
        continue;
      }
      // A # that names no parameter, as \let\s# makes, stands for itself.
      int n = i < m.body.size() ? m.body[i] - '1' : -1;
      if (n < 0 || n >= m.parameters) {
        f.text += '#';
        --i;
        continue;
      }
      const std::string& arg = args[n];
      f.text += arg;
      // \alpha for #1 in #1x stays \alpha.
      if (i + 1 < m.body.size() && is_letter(m.body[i + 1]) && ends_in_control_word(arg)) {
        f.text += ' ';
      }
    }
    if (ends_in_control_word(f.text)) f.text += ' ';
    bytes_ += static_cast<long>(f.text.size());
    if (bytes_ > kMaxMacroBytes) return fail(from, std::string(kMacroTooDeep));
    if (!f.text.empty()) frames_.push_back(std::move(f));
    return true;
  }

  void put(std::string_view bytes, int from) {
    if (after_word_ && is_letter(bytes[0])) {
      *out_ += ' ';
      origins_->push_back(from);
    }
    after_word_ = false;
    *out_ += bytes;
    origins_->insert(origins_->end(), bytes.size(), from);
  }

  bool fail(int offset, std::string message) {
    error_.offset = offset;
    error_.message = std::move(message);
    return false;
  }

  std::string_view text_;
  size_t pos_;
  size_t end_;
  Macros& defined_;
  const Macros* base_;
  std::vector<Frame> frames_;
  long bytes_ = 0;
  std::string* out_ = nullptr;
  std::vector<int>* origins_ = nullptr;
  bool after_word_ = false;  // the last bytes put were a control word
  MacroError error_;
};

// Whether any command of text[begin, end) is a definition or a macro.
bool has_macros(std::string_view text, size_t begin, size_t end, const Macros& defined,
                const Macros* base) {
  for (size_t i = begin; i < end; ++i) {
    if (text[i] != '\\') continue;
    size_t k = i + 1;
    while (k < end && is_letter(text[k])) ++k;
    if (k == i + 1) {
      ++i;  // \\ and the other control symbols
      continue;
    }
    if (is_macro_name(text.substr(i + 1, k - i - 1), defined, base)) return true;
    i = k - 1;
  }
  return false;
}

}  // namespace

bool is_listed_macro_name(std::string_view name, const Macros& defined, const Macros* base) {
  if (name.empty()) return false;
  if (kOwnNameKeys[name_key(name)] && (definer_of(name) != Definer::none || built_in(name) != nullptr)) {
    return true;
  }
  return (!defined.empty() && defined.find(name) != nullptr) ||
         (base != nullptr && base->find(name) != nullptr);
}

bool read_definitions(std::string_view text, Macros& macros, MacroError& error) {
  // Comments go, and the lines join: a definition may take several.
  std::string joined(text);
  for (size_t i = 0; i < joined.size(); ++i) {
    if (joined[i] == '\\' && i + 1 < joined.size() && joined[i + 1] != '\n') {
      ++i;
    } else if (joined[i] == '%') {
      while (i < joined.size() && joined[i] != '\n') joined[i++] = ' ';
      if (i < joined.size()) joined[i] = ' ';
    } else if (joined[i] == '\n' || joined[i] == '\r') {
      joined[i] = ' ';
    }
  }
  Expander reader(joined, 0, joined.size(), macros, nullptr);
  if (reader.read_all()) return true;
  error = reader.error();
  return false;
}

void line_and_column(std::string_view text, int offset, int& line, int& column) {
  line = 1;
  column = 1;
  for (int i = 0; i < offset && i < static_cast<int>(text.size()); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xc0) != 0x80) {
      ++column;
    }
  }
}

bool expand_macros(std::string_view text, size_t begin, size_t end, Macros& defined,
                   const Macros* base, bool& changed, std::string& out,
                   std::vector<int>& origins, MacroError& error) {
  changed = has_macros(text, begin, end, defined, base);
  if (!changed) return true;
  out.clear();
  origins.clear();
  Expander expander(text, begin, end, defined, base);
  if (expander.expand(out, origins)) return true;
  error = expander.error();
  return false;
}

}  // namespace latex
