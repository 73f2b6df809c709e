// Glyph sets: the characters that a drawing's structure is made of (bars,
// rules, bracket pieces, big signs, radicals, markers), one set per output
// style. Drawing code asks its set for a piece and never asks which set it
// has; a set's layout numbers go with its pieces, since a sign of three
// columns places its bounds differently from a sign of one.
#ifndef VORNIX_EXPR_GLYPHS_H_
#define VORNIX_EXPR_GLYPHS_H_

#include <string_view>

#include "canvas/canvas.h"

/// The brackets that LaTeX can write on either side of an expression.
enum class Delimiter : unsigned char {
  none, paren, square, brace, bar, double_bar, angle, floor, ceiling
};
constexpr int kDelimiters = static_cast<int>(Delimiter::ceiling) + 1;

/// The words around a bracket that a glyph set draws as a round one, so
/// that it is never read as another: a matched pair takes `pair` before
/// it, as floor(x); a side alone or with another partner takes `left`
/// before it or `right` after it, as lfloor(x and [x)rfloor. Empty for a
/// bracket drawn as itself.
struct BracketWords {
  std::string_view pair, left, right;
};

/// A big sign drawn as rows of text, each from the sign's left column:
/// five rows, the middle one on the sign's row. A sign with pieces grows
/// instead, as tall as its body. A product's bar is its first row and its
/// legs its second row, repeated. A sum's pieces are the characters of its
/// rule over, its strokes falling to its middle, an upright stroke, its
/// strokes rising back and its rule under: each stroke a row, a column
/// further than the last, and the upright one on the rows of a body taller
/// than the strokes can go deep in the first row's width.
struct BigSign {
  GlyphText rows[5];
  GlyphText pieces = "";
};

/// The integral sign: a top, a middle piece repeated, and a foot, each in
/// its own column (a slanted sign leans right), with where its bounds and
/// its body stand.
struct IntegralSign {
  char top, middle, bottom;
  int top_col, middle_col, bottom_col;
  /// Columns of the lower bound's and of the upper bound's first character.
  int lower_col, upper_col;
  /// Column of the integrand after a sign without bounds.
  int body_col;
  /// The mark of a closed contour on the sign's baseline row, in its
  /// middle column.
  char contour;
  /// The sign spans its integrand's rows, rather than as many rows above
  /// the baseline as below.
  bool fits_body;
};

/// The radical: the foot, the stroke rising from it (or upright with -r),
/// and whether √ stands alone before a name or number one row high.
struct RadicalPieces {
  char foot, rising, upright;
  bool sign_alone;
  /// Signs with their index, for indices 3 and 4; 0 for none.
  char cube_root, fourth_root;
};

struct GlyphSet {
  /// The rule of a fraction, and the rule of a fraction with a fraction as
  /// long over or under it.
  char fraction_bar, main_bar;
  /// What stands in the blank of a product where a blank alone could read
  /// as two things side by side: between two numbers, or in a cell.
  char product_dot;
  /// Round brackets, and bars as tall as what they hold.
  BracketShape parens, bars;
  /// Brackets as written in LaTeX, by enum Delimiter (none first, unused):
  /// opening, then closing; `low_braces` for braces two rows or less.
  BracketShape delimiters[kDelimiters];
  BracketWords delimiter_words[kDelimiters];
  BracketShape low_braces;
  /// Columns that a double bar takes.
  int double_bar_width;
  BigSign sum, product;
  IntegralSign integral;
  RadicalPieces radical;
  /// The limit's arrow; "lim" is centred over the approach line as if it
  /// were `lim_width` columns wide.
  GlyphText arrow;
  int lim_width;
  /// Rows from "lim" down to the approach line's top.
  int lim_gap;
  GlyphText ellipsis, infinity;
  /// The mark at the start of a row that continues a fitted line.
  char continued;
  /// Letters, constants and relation signs in their Unicode forms rather
  /// than their ASCII ones.
  bool unicode_symbols;
};

/// Plain ASCII.
extern const GlyphSet kAsciiGlyphs;
/// Unicode: box-drawing rules, bracket pieces, Greek letters and signs.
extern const GlyphSet kUnicodeGlyphs;
/// Unicode characters of neutral East Asian width only, ASCII where none
/// serves: for terminals that draw ambiguous characters two columns wide,
/// where box-drawing rules, √, →, ∞, Greek letters and most signs would
/// push the columns apart.
extern const GlyphSet kNeutralGlyphs;

#endif  // VORNIX_EXPR_GLYPHS_H_
