// The symbol table: the signs of the trees and every letter and sign by the
// names it is read by and what each style draws. It needs nothing of the
// trees, so that the prompt can read it alone.
#ifndef VORNIX_EXPR_SYMBOLS_H_
#define VORNIX_EXPR_SYMBOLS_H_

#include <span>
#include <string_view>

/// Signs that LaTeX writes and the linear language has no form for.
/// Each has a row in the symbol table, which says how it is drawn.
enum class Sign : unsigned char {
  plus,
  plus_minus,
  minus_plus,
  times,
  divide,
  // Operators, drawn between their operands as + is.
  ring,
  bullet,
  star,
  circled_plus,
  circled_times,
  wedge,
  vee,
  cap,
  cup,
  set_minus,
  modulo,
  // Big operators one row high, their scripts under and over them.
  big_cup,
  big_cap,
  big_circled_plus,
  big_circled_times,
  // Relations and arrows, from here on.
  not_equal,
  approx,
  equiv,
  similar,
  to,
  implies,
  element_of,
  not_element_of,
  subset,
  subset_equal,
  superset,
  superset_equal,
  asymptotic,
  congruent,
  proportional,
  perpendicular,
  parallel,
  divides,
  much_less,
  much_greater,
  gets,
  maps_to,
  implied_by,
  iff,
  left_right,
  equilibrium,
  up_arrow,
  down_arrow,
  right_harpoon,
  less_similar,
  greater_similar,
  kLast = greater_similar,
};

/// What a symbol is to the readers.
enum class SymbolClass : unsigned char {
  letter,    ///< a name, drawn as a glyph in Unicode: alpha, \ell
  constant,  ///< a constant or a construct of its own: pi, \infty, \sum
  binary,    ///< an operator between operands: \pm, \cup
  relation,  ///< a relation: \ne, \subset
  arrow,     ///< a relation drawn as an arrow: \to, \iff
  other,     ///< a character read as another: − as -, ′ as '
};

/// One symbol: the names it is read by and what each style draws. The
/// readers, the drawing of names and signs, the prompt's completion and
/// the manual's list of symbols all come from this one table.
struct SymbolRow {
  /// The name of its node: the linear language's name, or the LaTeX
  /// command (with its backslash) for a letter the linear language lacks.
  std::string_view name;
  std::string_view latex;  ///< LaTeX command names, separated by blanks
  std::string_view utf8;   ///< the characters read as this symbol
  SymbolClass kind;
  Sign sign;               ///< of binary, relation and arrow rows
  std::string_view ascii;  ///< drawn in ASCII
  unsigned char glyph;     ///< drawn in Unicode, one column; 0: as in ASCII
};

/// Every symbol, Greek letters first.
std::span<const SymbolRow> symbol_table();
/// The row of a sign.
const SymbolRow& sign_row(Sign sign);
/// The row of a letter by the name of its node, or null.
const SymbolRow* letter_row(std::string_view name);

#endif  // VORNIX_EXPR_SYMBOLS_H_
