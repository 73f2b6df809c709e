// Steps shared by the drawings of several families of nodes.
#ifndef VORNIX_EXPR_DRAWING_H_
#define VORNIX_EXPR_DRAWING_H_

#include "canvas/canvas.h"
#include "expr/expr.h"

/// Column at which an inner width starts when centred in an outer one: the
/// two halves are truncated separately.
inline int centred(int outer, int inner) { return outer / 2 - inner / 2; }

/// A name that carries an exponent: as a base or a conjugate's operand it
/// needs brackets, since a second raised mark would read as a power of the
/// exponent.
inline bool is_symbol_with_exponent(const Expression& e) {
  return e.category == SYMBOL_CATEGORY &&
         static_cast<const Symbol&>(e).expn != nullptr;
}

/// Columns taken by the stroke of a radical sign over a radicand of the
/// given height.
int radical_stroke_width(const Style& style, int height);

/// Draws the radicand under a radical sign whose backslash stands in column
/// m: the backslash, the stroke, the radicand and its overline.
void draw_radical(const Style& style, Canvas& canvas, const Canvas& radicand, int m);

/// Draws a sign that LaTeX writes, from column col of the row: its Unicode
/// sign, or its ASCII text. Returns the columns it takes.
int put_sign(const Style& style, Canvas& canvas, Sign sign, int row, int col);

/// Columns that a written bracket takes.
int delimiter_width(const Style& style, Delimiter d);

/// Draws a written bracket on the rows top to bottom from column col, on
/// the left of what it holds when opening, on the right otherwise.
void draw_delimiter(const Style& style, Canvas& canvas, Delimiter d, bool opening, int top,
                    int bottom, int col);

#endif  // VORNIX_EXPR_DRAWING_H_
