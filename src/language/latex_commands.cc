// The LaTeX reader's commands, one row a family: the names the row answers
// to, what the command is, the arguments the parser reads after it and the
// handler that builds its node. Adding a command is adding a row.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "language/latex_parser.h"

namespace latex {
namespace {

using P = FormulaParser;

struct CommandRow {
  std::string_view names;  // separated by blanks
  Command command;
};

constexpr Command relation(Relation r) { return {Kind::relation, relation_code(r)}; }
constexpr Command relation(Sign s) { return {Kind::relation, relation_code(s)}; }
constexpr Command delimiter(Delimiter d, Role role) {
  return {Kind::delimiter, delimiter_code(d, role), {}, {}, &P::handle_delimiter};
}
constexpr Command name(std::string_view text) { return {Kind::name, 0, text, {}, &P::handle_name}; }
constexpr Command function(Kind kind, std::string_view text) {
  return {kind, 0, text, {}, &P::handle_function};
}
constexpr Command accent(AccentMark mark, bool wide) {
  return {Kind::accent, static_cast<int>(mark) * 2 + wide, {}, "m", &P::handle_accent};
}
constexpr Command big_sign(Sign sign) {
  return {Kind::big_sign, static_cast<int>(sign), {}, {}, &P::handle_big_operator};
}
constexpr Command decoration(DecorationKind kind, std::string_view args) {
  return {Kind::decoration, static_cast<int>(kind), {}, args, &P::handle_decoration};
}
constexpr Command literal(std::string_view text) {
  return {Kind::literal, 0, text, {}, &P::handle_literal};
}

constexpr CommandRow kCommands[] = {
    // Spacing and sizes, read as nothing.
    {" ", {Kind::space}},  // the control space, the one name with a blank
    {", ; : > ! quad qquad enspace thinspace medspace thickspace negthinspace hfill",
     {Kind::space}},
    {"displaystyle textstyle scriptstyle scriptscriptstyle limits nolimits mathstrut strut",
     {Kind::space}},
    {"rm bf it cal sf tt mit", {Kind::space}},  // old font switches: the letters as they are
    {"tiny scriptsize footnotesize small normalsize large Large LARGE huge Huge", {Kind::space}},
    {"color hspace vspace phantom vphantom hphantom label", {Kind::skipped}},
    {"hskip kern mkern mskip", {Kind::skipped, 1}},  // a length after it: \hskip -3pt
    {"big Big bigg Bigg bigl bigr Bigl Bigr biggl biggr Biggl Biggr", {Kind::space}},
    // Greek and other letters, and the signs that are operators or
    // relations, come from the symbol table (expr/symbols.cc).
    // Constants.
    {"pi varpi", {Kind::pi, 0, {}, {}, &P::handle_pi}},
    {"infty", {Kind::infinity, 0, {}, {}, &P::handle_infinity}},
    {"nabla", {Kind::nabla, 0, {}, {}, &P::handle_nabla}},
    {"ldots cdots dots dotsc dotsb dotsm dotsi dotso hdots mathellipsis",
     {Kind::ellipsis, 0, {}, {}, &P::handle_ellipsis}},
    // Relations and operators.
    {"le leq leqslant leqq", relation(LESS_EQUAL)},
    {"ge geq geqslant geqq", relation(GREATER_EQUAL)},
    {"lt", relation(LESS)},
    {"not", {Kind::negation}},
    {"gt", relation(GREATER)},
    {"cdot", {Kind::product, DOT}},
    {"ast", {Kind::product, DOT, "*"}},
    {"times", {Kind::product, CROSS}},
    {"div", {Kind::product, DIVIDE}},
    // Fractions, roots, big operators and limits.
    {"frac dfrac tfrac cfrac", {Kind::frac, 0, {}, "nm", &P::handle_frac}},
    {"binom dbinom tbinom", {Kind::frac, 0, {}, "mm", &P::handle_binom}},
    {"over", {Kind::over, 0}},
    {"choose", {Kind::over, 1}},
    {"atop", {Kind::over, 2}},
    {"sqrt", {Kind::sqrt, 0, {}, "om", &P::handle_sqrt}},
    {"sum", {Kind::sum, 0, {}, {}, &P::handle_big_operator}},
    {"prod", {Kind::prod, 0, {}, {}, &P::handle_big_operator}},
    {"int intop smallint", {Kind::integral, 0, {}, {}, &P::handle_big_operator}},
    {"oint", {Kind::integral, 1, {}, {}, &P::handle_big_operator}},  // code: 1 for a closed contour
    {"lim", {Kind::limit, 0, {}, {}, &P::handle_big_operator}},
    {"bigcup", big_sign(Sign::big_cup)}, {"bigcap", big_sign(Sign::big_cap)},
    {"bigoplus", big_sign(Sign::big_circled_plus)},
    {"bigotimes", big_sign(Sign::big_circled_times)},
    {"bigvee", big_sign(Sign::vee)}, {"bigwedge", big_sign(Sign::wedge)},
    // Functions.
    {"sin", function(Kind::trig, "sin")}, {"cos", function(Kind::trig, "cos")},
    {"tan", function(Kind::trig, "tan")}, {"cot", function(Kind::trig, "cot")},
    {"sec", function(Kind::trig, "sec")}, {"csc", function(Kind::trig, "csc")},
    {"sinh", function(Kind::trig, "sinh")}, {"cosh", function(Kind::trig, "cosh")},
    {"tanh", function(Kind::trig, "tanh")}, {"coth", function(Kind::trig, "coth")},
    {"arcsin", function(Kind::trig, "arcsin")}, {"arccos", function(Kind::trig, "arccos")},
    {"arctan", function(Kind::trig, "arctan")},
    {"arccot", function(Kind::function, "arccot")},
    {"sech", function(Kind::function, "sech")}, {"csch", function(Kind::function, "csch")}, {"log", function(Kind::function, "log")},
    {"ln", function(Kind::function, "ln")}, {"lg", function(Kind::function, "lg")},
    {"exp", function(Kind::function, "exp")}, {"det", function(Kind::function, "det")},
    {"max", function(Kind::function, "max")}, {"min", function(Kind::function, "min")},
    {"gcd", function(Kind::function, "gcd")}, {"arg", function(Kind::function, "arg")},
    {"deg", function(Kind::function, "deg")}, {"dim", function(Kind::function, "dim")},
    {"hom", function(Kind::function, "hom")}, {"ker", function(Kind::function, "ker")},
    {"sup", function(Kind::function, "sup")}, {"inf", function(Kind::function, "inf")},
    {"Pr", function(Kind::function, "Pr")}, {"liminf", function(Kind::function, "liminf")},
    {"limsup", function(Kind::function, "limsup")},
    {"pmod", {Kind::font, 0, {}, "m", &P::handle_pmod}},
    {"operatorname", {Kind::operatorname, 0, {}, "sT", &P::handle_operatorname}},
    // Text and fonts.
    {"text textrm textit textbf textsf texttt textnormal mbox hbox fbox",
     {Kind::text, 0, {}, "t", &P::handle_text}},
    {"mathrm", {Kind::mathrm, 0, {}, "T", &P::handle_mathrm}},
    {"textcolor", {Kind::font, 0, {}, "tm", &P::handle_font}},
    {"mathop", {Kind::function, 0, {}, "t", &P::handle_mathop}},
    // \mathbin{...} and its kin set only spacing: the argument as it is.
    {"mathbf mathit mathsf mathtt mathcal mathfrak mathscr mathnormal boldsymbol bm pmb "
     "mathbin mathrel mathord mathpunct mathinner",
     {Kind::font, 0, {}, "m", &P::handle_font}},
    {"mathbb", {Kind::font, 0, {}, "m", &P::handle_blackboard}},
    {"bar overline", {Kind::overbar, 0, {}, "m", &P::handle_overbar}},
    {"hat", accent(AccentMark::hat, false)}, {"widehat", accent(AccentMark::hat, true)},
    {"check", accent(AccentMark::check, false)}, {"tilde", accent(AccentMark::tilde, false)},
    {"widetilde", accent(AccentMark::tilde, true)}, {"vec", accent(AccentMark::vec, false)},
    {"overrightarrow", accent(AccentMark::vec, true)},
    {"overleftarrow", accent(AccentMark::left_arrow, true)},
    {"dot", accent(AccentMark::dot, false)}, {"ddot", accent(AccentMark::ddot, false)},
    {"acute", accent(AccentMark::acute, false)}, {"grave", accent(AccentMark::grave, false)},
    {"breve u", accent(AccentMark::breve, false)},
    // Text accents, which formulas write on letters too.
    {"^", accent(AccentMark::hat, false)}, {"v", accent(AccentMark::check, false)},
    {"~", accent(AccentMark::tilde, false)}, {".", accent(AccentMark::dot, false)},
    {"\"", accent(AccentMark::ddot, false)}, {"'", accent(AccentMark::acute, false)},
    {"`", accent(AccentMark::grave, false)}, {"=", {Kind::overbar, 0, {}, "m", &P::handle_overbar}},
    {"c", accent(AccentMark::cedilla, false)},
    {"underline underbar", accent(AccentMark::under_line, true)},
    // Labels, braces, arrows and boxes: the label's argument comes first.
    {"overset stackrel", decoration(DecorationKind::over, "mm")},
    {"underset", decoration(DecorationKind::under, "mm")},
    {"overbrace", decoration(DecorationKind::over_brace, "m")},
    {"underbrace", decoration(DecorationKind::under_brace, "m")},
    {"xrightarrow xlongrightarrow", decoration(DecorationKind::right_arrow, "om")},
    {"xleftarrow xlongleftarrow", decoration(DecorationKind::left_arrow, "om")},
    {"boxed", decoration(DecorationKind::box, "m")},
    {"substack", {Kind::decoration, 0, {}, {}, &P::handle_substack}},
    {"sideset", {Kind::decoration, 0, {}, "mm", &P::handle_sideset}},
    // Brackets and environments.
    {"left", {Kind::left, 0, {}, {}, &P::handle_left}},
    {"right", {Kind::right}},
    {"begin", {Kind::begin, 0, {}, {}, &P::handle_environment}},
    {"end", {Kind::end}},
    {"matrix", {Kind::font, 0, "matrix", {}, &P::handle_plain_matrix}},
    {"pmatrix", {Kind::font, 0, "pmatrix", {}, &P::handle_plain_matrix}},
    {"cr", {Kind::newline}},
    {"tag", {Kind::tag}},
    {"intertext shortintertext", {Kind::intertext}},
    {"hline hdashline toprule midrule bottomrule", {Kind::hline}},
    {"nonumber notag vline", {Kind::space}},
    {"cline noalign", {Kind::skipped}},
    {"{ lbrace", delimiter(Delimiter::brace, OPENING)},
    {"lfloor", delimiter(Delimiter::floor, OPENING)},
    {"rfloor", delimiter(Delimiter::floor, CLOSING)},
    {"lceil", delimiter(Delimiter::ceiling, OPENING)},
    {"rceil", delimiter(Delimiter::ceiling, CLOSING)},
    {"} rbrace", delimiter(Delimiter::brace, CLOSING)},
    {"lbrack", delimiter(Delimiter::square, OPENING)},
    {"rbrack", delimiter(Delimiter::square, CLOSING)},
    {"langle", delimiter(Delimiter::angle, OPENING)},
    {"rangle", delimiter(Delimiter::angle, CLOSING)},
    {"vert", delimiter(Delimiter::bar, EITHER)},
    {"lvert", delimiter(Delimiter::bar, OPENING)},
    {"rvert", delimiter(Delimiter::bar, CLOSING)},
    {"| Vert", delimiter(Delimiter::double_bar, EITHER)},
    {"lVert", delimiter(Delimiter::double_bar, OPENING)},
    {"rVert", delimiter(Delimiter::double_bar, CLOSING)},
    // Escaped characters and the rest.
    {"%", literal("%")}, {"$", literal("$")}, {"&", literal("&")}, {"#", literal("#")},
    {"_", literal("_")}, {"colon", literal(":")}, {"backslash", literal("\\")},
    {"prime", {Kind::prime}},
    {"\\", {Kind::newline}},
};

// The command of a letter or a sign of the symbol table that no row above
// names: a name, an operator between operands, a relation.
Command symbol_command(const SymbolRow& row) {
  switch (row.kind) {
    case SymbolClass::letter:
      return name(row.name);
    case SymbolClass::binary:
      return {Kind::additive, static_cast<int>(row.sign)};
    case SymbolClass::relation:
    case SymbolClass::arrow:
      return relation(row.sign);
    default:
      return {Kind::space};
  }
}

// Calls each with every name of a list separated by blanks.
template <class Each>
void for_each_name(std::string_view names, Each each) {
  while (!names.empty()) {
    std::string_view name = names.substr(0, names.find(' '));
    each(name);
    names.remove_prefix(std::min(names.size(), name.size() + 1));
  }
}

// The commands by name in an open-addressed table, built once and only
// read after: a name is looked up at each command of every formula.
class CommandIndex {
 public:
  // Out of line: the lookup that builds it first keeps a light frame.
  [[gnu::noinline]] CommandIndex() {
    std::vector<std::pair<std::string_view, const Command*>> names;
    index_commands(names);
    size_t size = 16;
    while (size < names.size() * 4) size *= 2;
    slots_.resize(size);
    mask_ = size - 1;
    for (auto [name, command] : names) {
      Slot* slot = &slots_[hash(ends_of(name), name.size()) & mask_];
      while (slot->command != nullptr && slot->name != name) {
        slot = &slots_[(static_cast<size_t>(slot - slots_.data()) + 1) & mask_];
      }
      // A name in two rows is a mistake that the first row wins.
      if (slot->command == nullptr) *slot = Slot{ends_of(name), name, command};
    }
  }

  const Command* find(std::string_view name) const {
    uint64_t ends = ends_of(name);
    for (size_t i = hash(ends, name.size()) & mask_;; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (slot.command == nullptr) return nullptr;
      if (slot.ends != ends || slot.name.size() != name.size()) continue;
      // The ends tell a name of eight bytes or fewer whole; a longer one
      // is compared between them.
      size_t k = 4;
      while (k + 4 < name.size() && slot.name[k] == name[k]) ++k;
      if (k + 4 >= name.size()) return slot.command;
    }
  }

 private:
  struct Slot {
    uint64_t ends = 0;
    std::string_view name;
    const Command* command = nullptr;
  };

  // The first four and the last four bytes of a name, which overlap in a
  // short one; the bytes of one shorter than four. Loads of a fixed size
  // read them without a loop.
  static uint64_t ends_of(std::string_view name) {
    size_t n = name.size();
    const char* p = name.data();
    uint32_t first, last;
    if (n >= 4) {
      std::memcpy(&first, p, 4);
      std::memcpy(&last, p + n - 4, 4);
    } else {
      auto at = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(p[i])); };
      first = n == 0 ? 0 : at(0) | at(n / 2) << 8 | at(n - 1) << 16;
      last = 0;
    }
    return static_cast<uint64_t>(first) << 32 | last;
  }

  static size_t hash(uint64_t ends, size_t size) {
    uint64_t h = (ends + size) * 0x9e3779b97f4a7c15u;
    return static_cast<size_t>(h ^ (h >> 29));
  }

  // The rows by each of their names, then the symbols by theirs.
  static void index_commands(std::vector<std::pair<std::string_view, const Command*>>& names) {
    static const auto symbols = [] {
      std::vector<Command> commands;
      for (const SymbolRow& row : symbol_table()) commands.push_back(symbol_command(row));
      return commands;
    }();
    for (const CommandRow& row : kCommands) {
      if (row.names == " ") {
        names.emplace_back(row.names, &row.command);
        continue;
      }
      for_each_name(row.names, [&](std::string_view name) { names.emplace_back(name, &row.command); });
    }
    std::span<const SymbolRow> table = symbol_table();
    for (size_t i = 0; i < table.size(); ++i) {
      // A constant or a construct of its own always has a row above.
      if (symbols[i].kind == Kind::space) continue;
      for_each_name(table[i].latex,
                    [&](std::string_view name) { names.emplace_back(name, &symbols[i]); });
    }
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
};

}  // namespace

const Command* find_command(std::string_view name) {
  static const CommandIndex index;
  return index.find(name);
}

}  // namespace latex
