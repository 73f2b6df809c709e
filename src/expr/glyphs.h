// Glyph sets: the characters that a drawing's structure is made of (bars,
// rules, bracket pieces, big signs, radicals, markers), one set per output
// style. Drawing code asks its set for a piece and never asks which set it
// has; a set's layout numbers go with its pieces, since a sign of three
// columns places its bounds differently from a sign of one.
#ifndef VORNIX_EXPR_GLYPHS_H_
#define VORNIX_EXPR_GLYPHS_H_

#include "canvas/canvas.h"

/// The brackets that LaTeX can write on either side of an expression.
enum class Delimiter : unsigned char { none, paren, square, brace, bar, double_bar, angle };

/// A big sign drawn as rows of text, each from the sign's left column.
struct BigSign {
  GlyphText rows[5];
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
};

/// The radical: the foot, the stroke rising from it (or upright with -r),
/// and whether √ stands alone before a name or number one row high.
struct RadicalPieces {
  char foot, rising, upright;
  bool sign_alone;
};

struct GlyphSet {
  /// The rule of a fraction.
  char fraction_bar;
  /// Round brackets, and bars as tall as what they hold.
  BracketShape parens, bars;
  /// Brackets as written in LaTeX, by enum Delimiter (none first, unused):
  /// opening, then closing; `low_braces` for braces two rows or less.
  BracketShape delimiters[7];
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

#endif  // VORNIX_EXPR_GLYPHS_H_
