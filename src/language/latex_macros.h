// Macros of the LaTeX reader: the definitions that an input or a file of
// definitions makes (\newcommand, \renewcommand, \providecommand, \def,
// \let, \DeclareMathOperator), and their expansion in a formula's text
// before it is parsed.
#ifndef VORNIX_LANGUAGE_LATEX_MACROS_H_
#define VORNIX_LANGUAGE_LATEX_MACROS_H_

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace latex {

/// What a macro stands for: its body, with #1 to #9 where its arguments
/// go, and with an optional first argument, what that argument is when
/// it is not written.
struct Macro {
  std::string body;
  int parameters = 0;
  bool optional = false;
  std::string default_argument;
};

/// The macros defined by name (without the backslash).
class Macros {
 public:
  const Macro* find(std::string_view name) const {
    auto found = table_.find(name);
    return found == table_.end() ? nullptr : &found->second;
  }
  void define(std::string_view name, Macro macro) {
    table_.insert_or_assign(std::string(name), std::move(macro));
  }
  bool empty() const { return table_.empty(); }
  void clear() { table_.clear(); }

 private:
  std::map<std::string, Macro, std::less<>> table_;
};

/// Why a definition or an expansion failed, and where: a byte offset in
/// the text that was read.
struct MacroError {
  int offset = 0;
  std::string message;
};

/// The message of an expansion that goes on too deep or grows too long,
/// as a recursive macro does.
inline constexpr std::string_view kMacroTooDeep = "macro expansion too deep";

/// Nested expansions that one formula may take, and bytes that its
/// expansions may produce in all.
inline constexpr int kMaxMacroDepth = 256;
inline constexpr long kMaxMacroBytes = 1L << 22;

/// A name's first letter and length, which tell most commands apart from
/// the few names of a table without comparing them.
constexpr size_t name_key(std::string_view name) {
  return (static_cast<unsigned char>(name[0]) * 7 + name.size()) & 255;
}

/// The keys of the definers' and the built-in macros' names together: a
/// line's commands are mostly none of them, and are told so at one look.
extern const std::array<bool, 256> kOwnNameKeys;

bool is_listed_macro_name(std::string_view name, const Macros& defined, const Macros* base);

/// Whether a command, named without its backslash, is one that
/// expand_macros takes away or expands: a definition, a macro of defined
/// or base (which may be null), or one of the reader's own.
inline bool is_macro_name(std::string_view name, const Macros& defined, const Macros* base) {
  if (name.empty() || (!kOwnNameKeys[name_key(name)] && defined.empty() && base == nullptr)) {
    return false;
  }
  return is_listed_macro_name(name, defined, base);
}

/// Reads a file of definitions into macros: definitions, blanks and %
/// comments only, over as many lines as they take. False, with the error,
/// at the first fault.
bool read_definitions(std::string_view text, Macros& macros, MacroError& error);

/// A byte offset of text as a line and a column, both counted from 1, the
/// column in characters.
void line_and_column(std::string_view text, int offset, int& line, int& column);

/// Expands the macros of one formula, text[begin, end): its definitions go
/// into `defined`, and a name is looked up there first and then in `base`
/// (which may be null). When the text holds no definition and no macro,
/// returns true with `changed` false and nothing written. Otherwise writes
/// the text with the definitions taken away and the macros expanded into
/// `out`, and for each of its bytes the offset in text that it comes from
/// into `origins` (a macro's expansion comes from the macro's name), and
/// one more for the end. False, with the error, at the first fault.
bool expand_macros(std::string_view text, size_t begin, size_t end, Macros& defined,
                   const Macros* base, bool& changed, std::string& out,
                   std::vector<int>& origins, MacroError& error);

}  // namespace latex

#endif  // VORNIX_LANGUAGE_LATEX_MACROS_H_
