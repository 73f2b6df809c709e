// The symbol table: every letter and sign by the names it is read by and
// what each style draws for it. Adding a symbol is adding a row.
#include <array>
#include <unordered_map>

#include "expr/expr.h"

namespace {

using C = SymbolClass;
constexpr unsigned char greek(int k) { return static_cast<unsigned char>(GLYPH_GREEK_FIRST + k); }

// A letter that is a name of both languages and drawn as it is named.
constexpr SymbolRow letter(std::string_view name, std::string_view latex, std::string_view utf8,
                           unsigned char glyph) {
  return {name, latex, utf8, C::letter, Sign::plus, name, glyph};
}
// A letter that only LaTeX names: its node is named by its command.
constexpr SymbolRow latex_letter(std::string_view name, std::string_view latex,
                                 std::string_view utf8, std::string_view ascii,
                                 unsigned char glyph) {
  return {name, latex, utf8, C::letter, Sign::plus, ascii, glyph};
}
constexpr SymbolRow sign(C kind, Sign s, std::string_view latex, std::string_view utf8,
                         std::string_view ascii, unsigned char glyph) {
  return {{}, latex, utf8, kind, s, ascii, glyph};
}
constexpr SymbolRow other(C kind, std::string_view latex, std::string_view utf8,
                          std::string_view ascii, unsigned char glyph = 0) {
  return {{}, latex, utf8, kind, Sign::plus, ascii, glyph};
}

constexpr SymbolRow kSymbols[] = {
    // Greek letters; the capitals that look like Latin ones read as those.
    letter("alpha", "alpha", "α", greek(0)),
    letter("beta", "beta", "β", greek(1)),
    letter("gamma", "gamma", "γ", greek(2)),
    letter("delta", "delta", "δ", greek(3)),
    letter("epsilon", "epsilon varepsilon", "εϵ", greek(4)),
    letter("zeta", "zeta", "ζ", greek(5)),
    letter("eta", "eta", "η", greek(6)),
    letter("theta", "theta vartheta", "θϑ", greek(7)),
    letter("iota", "iota", "ι", greek(8)),
    letter("kappa", "kappa varkappa", "κ", greek(9)),
    letter("lambda", "lambda", "λ", greek(10)),
    letter("mu", "mu", "μ", greek(11)),
    letter("nu", "nu", "ν", greek(12)),
    letter("xi", "xi", "ξ", greek(13)),
    letter("omicron", "omicron", "ο", greek(14)),
    {"pi", "pi varpi", "πϖ", C::constant, Sign::plus, "pi", greek(15)},
    letter("rho", "rho varrho", "ρϱ", greek(16)),
    letter("sigma", "sigma varsigma", "σς", greek(17)),
    letter("tau", "tau", "τ", greek(18)),
    letter("upsilon", "upsilon", "υ", greek(19)),
    letter("phi", "phi varphi", "φϕ", greek(20)),
    letter("chi", "chi", "χ", greek(21)),
    letter("psi", "psi", "ψ", greek(22)),
    letter("omega", "omega", "ω", greek(23)),
    letter("Gamma", "Gamma", "Γ", greek(24)),
    letter("Delta", "Delta", "Δ", greek(25)),
    letter("Theta", "Theta", "Θ", greek(26)),
    letter("Lambda", "Lambda", "Λ", greek(27)),
    letter("Xi", "Xi", "Ξ", greek(28)),
    letter("Pi", "Pi", "Π", greek(29)),
    letter("Sigma", "Sigma", "Σ", greek(30)),
    letter("Upsilon", "Upsilon", "Υ", GLYPH_UPSILON_CAPITAL),
    letter("Phi", "Phi", "Φ", greek(31)),
    letter("Psi", "Psi", "Ψ", greek(32)),
    letter("Omega", "Omega", "Ω", greek(33)),
    // Other letters. \partial is d in ASCII, as in df/dx.
    latex_letter("\\partial", "partial", "∂", "d", GLYPH_PARTIAL),
    latex_letter("\\ell", "ell", "ℓ", "l", GLYPH_ELL),
    latex_letter("\\hbar", "hbar hslash", "ℏ", "hbar", GLYPH_HBAR),
    latex_letter("\\Re", "Re", "ℜ", "Re", GLYPH_REAL_PART),
    latex_letter("\\Im", "Im", "ℑ", "Im", GLYPH_IMAGINARY_PART),
    latex_letter("\\aleph", "aleph", "ℵ", "aleph", GLYPH_ALEPH),
    latex_letter("\\emptyset", "emptyset varnothing", "∅", "{}", GLYPH_EMPTY_SET),
    latex_letter("\\angle", "angle", "∠", "angle", GLYPH_ANGLE),
    latex_letter("\\degree", "degree", "°", "deg", GLYPH_DEGREE),
    latex_letter("\\dagger", "dagger dag", "†", "+", GLYPH_DAGGER),
    latex_letter("\\forall", "forall", "∀", "forall", GLYPH_FOR_ALL),
    latex_letter("\\exists", "exists", "∃", "exists", GLYPH_EXISTS),
    latex_letter("\\neg", "neg lnot", "¬", "~", GLYPH_NOT),
    latex_letter("\\wp", "wp", "℘", "wp", GLYPH_WEIERSTRASS),
    latex_letter("\\bot", "bot", "", "_|_", GLYPH_PERPENDICULAR),
    latex_letter("\\triangle", "triangle bigtriangleup", "△", "triangle", GLYPH_TRIANGLE),
    latex_letter("\\square", "square Box", "□", "[]", GLYPH_SQUARE),
    latex_letter("\\top", "top", "⊤", "T", 0),
    latex_letter("\\bigcirc", "bigcirc", "◯", "O", GLYPH_BIG_CIRCLE),
    latex_letter("\\imath", "imath", "ı", "i", GLYPH_DOTLESS_I),
    latex_letter("\\jmath", "jmath", "ȷ", "j", GLYPH_DOTLESS_J),
    latex_letter("\\vdots", "vdots", "⋮", ":", GLYPH_VERTICAL_DOTS),
    latex_letter("\\ddots", "ddots", "⋱", "...", GLYPH_DIAGONAL_DOTS),
    // \mathbb's letters that have a glyph; no other name reads as one.
    latex_letter("\\mathbb{R}", "", "", "R", GLYPH_DOUBLE_STRUCK_R),
    latex_letter("\\mathbb{N}", "", "", "N", GLYPH_DOUBLE_STRUCK_N),
    latex_letter("\\mathbb{Z}", "", "", "Z", GLYPH_DOUBLE_STRUCK_Z),
    latex_letter("\\mathbb{Q}", "", "", "Q", GLYPH_DOUBLE_STRUCK_Q),
    latex_letter("\\mathbb{C}", "", "", "C", GLYPH_DOUBLE_STRUCK_C),
    // Big operators one row high, read by the LaTeX reader's own rows.
    sign(C::constant, Sign::big_circled_times, "bigotimes", "⨂", "(x)", GLYPH_BIG_CIRCLED_TIMES),
    sign(C::constant, Sign::big_circled_plus, "bigoplus", "⨁", "(+)", GLYPH_BIG_CIRCLED_PLUS),
    sign(C::constant, Sign::big_cup, "bigcup", "⋃", "U", GLYPH_BIG_UNION),
    sign(C::constant, Sign::big_cap, "bigcap", "⋂", "n", GLYPH_BIG_INTERSECTION),
    // Constants and constructs of their own, which the readers build.
    other(C::constant, "nabla", "∇", "nabla", GLYPH_NABLA),
    other(C::constant, "infty", "∞", "oo", GLYPH_INFINITY),
    other(C::constant, "ldots", "…", "..."),
    other(C::constant, "cdots", "⋯", "...", GLYPH_ELLIPSIS),
    other(C::constant, "sqrt", "√", "sqrt", GLYPH_RADICAL),
    other(C::constant, "sum", "∑", "sum"),
    other(C::constant, "prod", "∏", "prod"),
    other(C::constant, "int", "∫", "int"),
    other(C::constant, "oint", "∮", "oint"),
    other(C::constant, "lfloor", "⌊", "lfloor"),
    other(C::constant, "rfloor", "⌋", "rfloor"),
    other(C::constant, "lceil", "⌈", "lceil"),
    other(C::constant, "rceil", "⌉", "rceil"),
    other(C::constant, "langle", "⟨", "<", GLYPH_ANGLE_LEFT),
    other(C::constant, "rangle", "⟩", ">", GLYPH_ANGLE_RIGHT),
    other(C::constant, "|", "‖", "||", GLYPH_DOUBLE_VERTICAL),
    other(C::constant, "cdot", "·⋅", "*"),
    // Characters read as ASCII ones.
    other(C::other, "", "−", "-"),
    other(C::other, "", "∗", "*"),
    other(C::other, "", "′", "'"),
    // Operators, in the order of enum Sign.
    sign(C::binary, Sign::plus, "", "", "+", 0),
    sign(C::binary, Sign::plus_minus, "pm", "±", "+-", GLYPH_PLUS_MINUS),
    sign(C::binary, Sign::minus_plus, "mp", "∓", "-+", GLYPH_MINUS_PLUS),
    sign(C::binary, Sign::times, "times", "×", "x", GLYPH_TIMES),
    sign(C::binary, Sign::divide, "div", "÷", "/", GLYPH_DIVIDE),
    sign(C::binary, Sign::ring, "circ", "∘", "o", GLYPH_RING),
    // A cell has room for no more glyphs than a byte holds: a bullet is a dot.
    sign(C::binary, Sign::bullet, "bullet", "•", ".", GLYPH_DOT),
    sign(C::binary, Sign::star, "star", "⋆", "*", GLYPH_STAR),
    sign(C::binary, Sign::circled_plus, "oplus", "⊕", "(+)", GLYPH_CIRCLED_PLUS),
    sign(C::binary, Sign::circled_times, "otimes", "⊗", "(x)", GLYPH_CIRCLED_TIMES),
    sign(C::binary, Sign::wedge, "wedge land", "∧", "/\\", GLYPH_AND),
    sign(C::binary, Sign::vee, "vee lor", "∨", "\\/", GLYPH_OR),
    sign(C::binary, Sign::cap, "cap", "∩", "n", GLYPH_INTERSECTION),
    sign(C::binary, Sign::cup, "cup", "∪", "U", GLYPH_UNION),
    sign(C::binary, Sign::set_minus, "setminus", "∖", "\\", GLYPH_SET_MINUS),
    sign(C::binary, Sign::modulo, "bmod", "", "mod", 0),
    // Relations and arrows, in the order of enum Sign.
    sign(C::relation, Sign::not_equal, "ne neq", "≠", "!=", GLYPH_NOT_EQUAL),
    sign(C::relation, Sign::approx, "approx", "≈", "~~", GLYPH_APPROX),
    sign(C::relation, Sign::equiv, "equiv", "≡", "==", GLYPH_EQUIV),
    sign(C::relation, Sign::similar, "sim thicksim", "∼", "~", GLYPH_SIMILAR),
    sign(C::arrow, Sign::to, "to rightarrow longrightarrow", "→", "->", GLYPH_ARROW),
    sign(C::arrow, Sign::implies, "Rightarrow Longrightarrow implies", "⇒", "=>", GLYPH_IMPLIES),
    sign(C::relation, Sign::element_of, "in", "∈", "in", GLYPH_ELEMENT_OF),
    sign(C::relation, Sign::not_element_of, "notin", "∉", "not in", GLYPH_NOT_ELEMENT_OF),
    sign(C::relation, Sign::subset, "subset", "⊂", "subset", GLYPH_SUBSET),
    sign(C::relation, Sign::subset_equal, "subseteq", "⊆", "subseteq", GLYPH_SUBSET_EQUAL),
    sign(C::relation, Sign::superset, "supset", "⊃", "supset", GLYPH_SUPERSET),
    sign(C::relation, Sign::superset_equal, "supseteq", "⊇", "supseteq", GLYPH_SUPERSET_EQUAL),
    sign(C::relation, Sign::asymptotic, "simeq", "≃", "~=", GLYPH_ASYMPTOTIC),
    sign(C::relation, Sign::congruent, "cong", "≅", "=~", GLYPH_CONGRUENT),
    sign(C::relation, Sign::proportional, "propto", "∝", "prop", GLYPH_PROPORTIONAL),
    sign(C::relation, Sign::perpendicular, "perp", "⊥", "_|_", GLYPH_PERPENDICULAR),
    // ‖ rather than ∥: the same sign, and one column in every terminal.
    sign(C::relation, Sign::parallel, "parallel", "∥", "||", GLYPH_DOUBLE_VERTICAL),
    sign(C::relation, Sign::divides, "mid", "", "|", 0),
    sign(C::relation, Sign::much_less, "ll", "≪", "<<", GLYPH_MUCH_LESS),
    sign(C::relation, Sign::much_greater, "gg", "≫", ">>", GLYPH_MUCH_GREATER),
    sign(C::arrow, Sign::gets, "gets leftarrow longleftarrow", "←", "<-", GLYPH_LEFT_ARROW),
    sign(C::arrow, Sign::maps_to, "mapsto longmapsto", "↦", "|->", GLYPH_MAPS_TO),
    sign(C::arrow, Sign::implied_by, "Leftarrow Longleftarrow", "⇐", "<==", GLYPH_IMPLIED_BY),
    sign(C::arrow, Sign::iff, "Leftrightarrow Longleftrightarrow iff", "⇔", "<=>",
         GLYPH_EQUIVALENT),
    sign(C::arrow, Sign::left_right, "leftrightarrow longleftrightarrow", "↔⟷", "<->",
         GLYPH_LEFT_RIGHT_ARROW),
    sign(C::arrow, Sign::equilibrium, "rightleftharpoons", "⇌", "<-->", GLYPH_EQUILIBRIUM),
    sign(C::arrow, Sign::up_arrow, "uparrow", "↑", "up", GLYPH_UP_ARROW),
    sign(C::arrow, Sign::down_arrow, "downarrow", "↓", "down", GLYPH_DOWN_ARROW),
    sign(C::arrow, Sign::right_harpoon, "rightharpoonup", "⇀", "->", GLYPH_RIGHT_HARPOON),
    sign(C::relation, Sign::less_similar, "lesssim", "≲", "<~", GLYPH_LESS_SIMILAR),
    sign(C::relation, Sign::greater_similar, "gtrsim", "≳", ">~", GLYPH_GREATER_SIMILAR),
    // Relations with nodes of their own.
    other(C::constant, "le leq leqslant leqq", "≤", "<=", GLYPH_LESS_EQUAL),
    other(C::constant, "ge geq geqslant geqq", "≥", ">=", GLYPH_GREATER_EQUAL),
};

}  // namespace

std::span<const SymbolRow> symbol_table() { return kSymbols; }

const SymbolRow& sign_row(Sign sign) {
  static const auto rows = [] {
    std::array<const SymbolRow*, static_cast<size_t>(Sign::kLast) + 1> rows{};
    for (const SymbolRow& row : kSymbols) {
      bool sign = row.kind == C::binary || row.kind == C::relation || row.kind == C::arrow ||
                  (row.kind == C::constant && row.sign != Sign::plus);
      auto& slot = rows[static_cast<size_t>(row.sign)];
      if (sign && slot == nullptr) slot = &row;
    }
    return rows;
  }();
  return *rows[static_cast<size_t>(sign)];
}

const SymbolRow* letter_row(std::string_view name) {
  static const auto index = [] {
    std::unordered_map<std::string_view, const SymbolRow*> index;
    for (const SymbolRow& row : kSymbols) {
      if (!row.name.empty()) index.emplace(row.name, &row);
    }
    return index;
  }();
  auto found = index.find(name);
  return found == index.end() ? nullptr : found->second;
}
