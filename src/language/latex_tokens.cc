// The LaTeX reader's tokens: numbers, letters, characters and commands,
// with the UTF-8 forms of signs and Greek letters read as their commands.
#include <algorithm>
#include <iterator>

#include "language/latex_parser.h"

namespace latex {


namespace {

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
    {U'⟩', "rangle"}, {U'∇', "nabla"},
};

// The Greek capitals from U+0391 that look like Latin letters read as those
// letters; the others are in kUtf8Forms.
constexpr std::string_view kLatinLookingCapitals = "AB??EZH?IK?MN?O?P??T??X??";

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

Token Tokenizer::command_token(size_t start, std::string_view name, size_t length) {
  Token t;
  t.type = Type::command;
  t.text = name;
  t.offset = static_cast<int>(start);
  t.length = static_cast<int>(length);
  t.command = find_command(name);
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

}  // namespace latex
