// The LaTeX reader's tokens: numbers, letters, characters and commands,
// with the UTF-8 forms of signs and Greek letters read as their commands.
#include <algorithm>
#include <array>
#include <iterator>
#include <unordered_map>

#include "language/latex_parser.h"
#include "language/latex_search.h"

namespace latex {


namespace {

// The characters of the symbol table by their code: each reads as its
// row's first LaTeX command, or as its ASCII form when it has none.
const std::unordered_map<char32_t, const SymbolRow*>& utf8_forms() {
  static const auto forms = [] {
    std::unordered_map<char32_t, const SymbolRow*> forms;
    for (const SymbolRow& row : symbol_table()) {
      char32_t code = 0;
      for (size_t i = 0, n; i < row.utf8.size(); i += n) {
        n = static_cast<size_t>(std::max(1, decode_utf8(row.utf8, i, code)));
        forms.emplace(code, &row);
      }
    }
    return forms;
  }();
  return forms;
}

// The Greek capitals from U+0391 that look like Latin letters read as those
// letters; the others are in the symbol table.
constexpr std::string_view kLatinLookingCapitals = "AB??EZH?IK?MN?O?P??T??X??";

// What each byte starts.
// The bytes that are a token by themselves come first, so that one
// compare tells them.
enum Start : unsigned char { kOther, kLetter, kBlank, kDigit, kBackslash, kDot, kWide, kBad };

constexpr auto kStarts = [] {
  std::array<Start, 256> starts{};
  for (int c = 0; c < 32; ++c) starts[c] = kBad;
  for (unsigned char c : {'#', '$', '%', '\x7f'}) starts[c] = kBad;
  for (unsigned char c : {' ', '\t', '\r', '~'}) starts[c] = kBlank;
  for (int c = '0'; c <= '9'; ++c) starts[c] = kDigit;
  for (int c = 'a'; c <= 'z'; ++c) starts[c] = kLetter;
  for (int c = 'A'; c <= 'Z'; ++c) starts[c] = kLetter;
  for (int c = 0x80; c < 0x100; ++c) starts[c] = kWide;
  starts['\\'] = kBackslash;
  starts['.'] = kDot;
  return starts;
}();

// The token of each byte that is one by itself: a letter, or a character
// with what it is as a bracket, a product sign and a relation.
constexpr auto kByteTokens = [] {
  std::array<Token, 256> tokens{};
  for (int c = 0; c < 256; ++c) {
    Token& t = tokens[c];
    t.type = kStarts[c] == kLetter ? Type::letter : Type::character;
    t.ch = static_cast<char>(c);
    switch (c) {
      case '(': t.delimiter = Delimiter::paren; t.role = OPENING; break;
      case ')': t.delimiter = Delimiter::paren; t.role = CLOSING; break;
      case '[': t.delimiter = Delimiter::square; t.role = OPENING; break;
      case ']': t.delimiter = Delimiter::square; t.role = CLOSING; break;
      case '|': t.delimiter = Delimiter::bar; t.role = EITHER; break;
      case '<': t.delimiter = Delimiter::angle; t.relation = relation_code(LESS); break;
      case '>': t.delimiter = Delimiter::angle; t.relation = relation_code(GREATER); break;
      case '=': t.relation = relation_code(EQUAL); break;
      case '*': t.product = DOT; break;
      case '/': t.product = SLASH; break;
      default: break;
    }
  }
  return tokens;
}();

}  // namespace

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

void Tokenizer::command_token(Token& t, std::string_view name) {
  t.type = Type::command;
  t.text = name;
  t.command = find_command(name);
  if (t.command == nullptr) return;
  t.kind = t.command->kind;
  int code = t.command->code;
  switch (t.kind) {
    case Kind::delimiter:
      t.delimiter = static_cast<Delimiter>(code >> 2);
      t.role = static_cast<unsigned char>(code & 3);
      break;
    case Kind::relation:
      t.relation = static_cast<short>(code);
      break;
    case Kind::product:
      t.product = static_cast<signed char>(code);
      break;
    default:
      break;
  }
}

// A length after \hskip and the like, as in -3pt, .75pt or 1em plus 2pt;
// nothing when a number does not come next.
void Tokenizer::skip_length() {
  static constexpr std::string_view kUnits[] = {"pt", "em", "ex", "mu", "cm", "mm", "in",
                                                "bp", "pc", "dd", "cc", "sp"};
  auto blanks = [&] {
    while (pos_ < end_ && is_blank(line_[pos_])) ++pos_;
  };
  auto length = [&] {
    size_t at = pos_;
    blanks();
    while (pos_ < end_ && (line_[pos_] == '-' || line_[pos_] == '+' || is_blank(line_[pos_]))) {
      ++pos_;
    }
    size_t digits = pos_;
    while (pos_ < end_ && (is_digit(line_[pos_]) || line_[pos_] == '.' || line_[pos_] == ',')) {
      ++pos_;
    }
    blanks();
    std::string_view rest = line_.substr(pos_, std::min<size_t>(end_ - pos_, 4));
    size_t unit = rest.substr(0, 4) == "fill" ? 4 : rest.substr(0, 3) == "fil" ? 3 : 0;
    for (std::string_view u : kUnits) {
      if (rest.substr(0, 2) == u) unit = 2;
    }
    if (pos_ == digits && unit == 0) {
      pos_ = at;  // no length: the line goes on as it was
      return false;
    }
    pos_ += unit;
    return true;
  };
  if (!length()) return;
  for (std::string_view word : {"plus", "minus"}) {
    size_t at = pos_;
    blanks();
    if (line_.substr(pos_, std::min(end_ - pos_, word.size())) == word) {
      pos_ += word.size();
      if (length()) continue;
    }
    pos_ = at;
  }
}

// Letters, digits and the characters of one byte are most tokens: they
// are read here, without a call, and the others out of line.
void Tokenizer::scan(Token& t) {
  if (!scan_plain(t)) scan_rest(t);
}

// The token at a byte that scan_plain leaves, and any after spacing.
[[gnu::noinline]] void Tokenizer::scan_rest(Token& t) {
  while (!scan_other(t) && !scan_plain(t)) {
  }
}

// The end, or a token of a letter, a digit or a character of one byte,
// after any blanks; false at a byte that starts another token.
[[gnu::always_inline]] inline bool Tokenizer::scan_plain(Token& t) {
  const char* text = line_.data();
  size_t pos = pos_;
  unsigned char c;
  Start start;
  for (;; ++pos) {
    if (pos >= end_) {
      pos_ = pos;
      t = Token();
      t.offset = static_cast<int>(end_);
      return true;
    }
    c = static_cast<unsigned char>(text[pos]);
    start = kStarts[c];
    if (start != kBlank) break;
  }
  pos_ = pos;
  if (start <= kLetter) {
    t = kByteTokens[c];
    ++pos;
  } else if (start == kDigit) {
    while (pos < end_ && is_digit(text[pos])) ++pos;
    char point = 0;
    if (pos + 1 < end_ && text[pos] == '.' && is_digit(text[pos + 1])) {
      point = '.';
      ++pos;
      while (pos < end_ && is_digit(text[pos])) ++pos;
    }
    t = Token();
    t.type = Type::number;
    t.ch = point;
    t.text = line_.substr(pos_, pos - pos_);
  } else {
    return false;
  }
  t.offset = static_cast<int>(pos_);
  t.length = static_cast<int>(pos - pos_);
  pos_ = pos;
  if (!charge(static_cast<size_t>(t.length))) {
    t = Token();
    t.offset = static_cast<int>(end_);
  }
  return true;
}

// A token that starts with a backslash, a period, a byte of a wider
// character or a byte that no token has; false when it is read as nothing,
// as spacing is.
[[gnu::noinline]] bool Tokenizer::scan_other(Token& t) {
  t = Token();
  size_t start = pos_;
  t.offset = static_cast<int>(start);
  char c = line_[pos_];
  switch (kStarts[static_cast<unsigned char>(c)]) {
    case kDot:
      if (pos_ + 1 < end_ && is_digit(line_[pos_ + 1])) {
        // .5: a number.
        ++pos_;
        while (pos_ < end_ && is_digit(line_[pos_])) ++pos_;
        t.type = Type::number;
        t.ch = '.';
        t.text = line_.substr(start, pos_ - start);
      } else if (line_.substr(pos_, 3) == "...") {
        pos_ += 3;
        command_token(t, "ldots");
      } else {
        ++pos_;
        t = kByteTokens['.'];
        t.offset = static_cast<int>(start);
      }
      break;
    case kBackslash: {
      size_t k = pos_ + 1;
      if (k < end_ && is_letter(line_[k])) {
        k = letters_end(line_.data(), k + 1, end_);
      } else if (k < end_ && static_cast<unsigned char>(line_[k]) >= 32 &&
                 static_cast<unsigned char>(line_[k]) < 127) {
        ++k;
      } else {
        // A backslash at the end, or before a byte that no command has.
        ++pos_;
        t.type = Type::bad;
        t.length = 1;
        return true;
      }
      pos_ = k;
      command_token(t, line_.substr(start + 1, k - start - 1));
      if (t.kind == Kind::space) return false;
      if (t.kind == Kind::skipped) {
        size_t begin, end;
        if (t.command->code == 1) {
          skip_length();
        } else {
          if (pos_ < end_ && line_[pos_] == '*') ++pos_;
          braced_text(begin, end);
        }
        return false;
      }
      break;
    }
    case kWide: {
      char32_t code = 0;
      int n = decode_utf8(line_.substr(0, end_), pos_, code);
      auto found = n == 0 ? utf8_forms().end() : utf8_forms().find(code);
      const SymbolRow* form = found == utf8_forms().end() ? nullptr : found->second;
      bool capital = code >= U'Α' && code <= U'Ω' && code != 0x3a2;
      if (n == 0 || (form == nullptr && !capital)) {
        pos_ += n == 0 ? 1 : static_cast<size_t>(n);
        t.type = Type::bad;
        t.length = n == 0 ? 1 : n;
        return true;
      }
      pos_ += static_cast<size_t>(n);
      if (form == nullptr) {
        t.type = Type::letter;
        t.ch = kLatinLookingCapitals[code - U'Α'];
      } else if (!form->latex.empty()) {
        command_token(t, form->latex.substr(0, form->latex.find(' ')));
        if (t.kind == Kind::space) return false;
      } else {
        t = kByteTokens[static_cast<unsigned char>(form->ascii[0])];
        t.type = Type::character;
        t.offset = static_cast<int>(start);
      }
      break;
    }
    default:
      ++pos_;
      t.type = Type::bad;
      t.length = 1;
      return true;
  }
  t.length = static_cast<int>(pos_ - start);
  if (!charge(pos_ - start)) {
    t = Token();
    t.offset = static_cast<int>(end_);
  }
  return true;
}

}  // namespace latex
