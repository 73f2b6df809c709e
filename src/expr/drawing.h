// Steps shared by the drawings of several families of nodes.
#ifndef VORNIX_EXPR_DRAWING_H_
#define VORNIX_EXPR_DRAWING_H_

#include <optional>
#include <string_view>

#include "canvas/canvas.h"
#include "expr/expr.h"

/// A child's drawing, to be pasted once: the child's own canvas, or, for a
/// child drawn as one row of text (see Expression::flat), that text alone,
/// written straight into the canvas it is pasted on.
class Drawn {
 public:
  Drawn(const RenderContext& cx, const Expression& node) : pool_(&cx.pool) {
    if (node.flat(cx.style, text_)) {
      extent_ = Extent{1, static_cast<int>(text_.size()), 0, 0};
    } else {
      canvas_.emplace(node.render(cx));
      extent_ = (*canvas_)->extent();
    }
  }

  /// A drawing made on a canvas of its own.
  explicit Drawn(const CanvasRef& canvas)
      : canvas_(canvas), extent_(canvas->extent()), pool_(nullptr) {}

  const Extent& extent() const { return extent_; }
  /// Whether the drawing is one row of text with no canvas of its own.
  bool is_flat() const { return !canvas_; }
  int width() const { return extent_.width; }
  /// The text of row 0.
  std::string_view baseline() const { return canvas_ ? (**canvas_)[0].text() : text_; }

  /// Pastes the drawing onto c as Canvas::paste pastes a canvas.
  void paste_on(Canvas& c, int row, int col, Alignment align) const {
    if (canvas_) {
      c.paste(**canvas_, row, col, align);
    } else {
      c.put_flat(text_, row, col);
    }
  }
  /// Pastes the drawing onto c as Canvas::paste_bracketed pastes a canvas.
  void paste_bracketed_on(Canvas& c, int row, int col, bool bracketed,
                          const BracketShape& shape) const {
    if (canvas_) {
      c.paste_bracketed(**canvas_, row, col, bracketed, shape);
      return;
    }
    c.put_flat(text_, row, bracketed ? col + 1 : col);
    if (bracketed) c.brackets(row, col, col + 1 + extent_.width, 1, shape);
  }
  /// The drawing on a canvas of its own, in place of pasting it.
  CanvasRef canvas() const {
    if (canvas_) return *canvas_;
    CanvasRef c(*pool_);
    c->start_with(text_);
    return c;
  }

 private:
  std::optional<CanvasRef> canvas_;
  std::string_view text_;
  Extent extent_;
  CanvasPool* pool_;
};

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

/// The shape of a radical sign over a given radicand.
struct RadicalSign {
  /// √ alone in front of the radicand, without stroke or overline: in
  /// Unicode, for a name or number one row high.
  bool alone;
  /// Columns between the sign's foot and the radicand: the stroke's width.
  int stroke;
};

/// Whether a power's base stands in brackets: constants, functions and
/// matrices read unambiguously under an exponent; operators, big operators
/// and names that already carry one do not.
inline bool base_needs_brackets(const Expression& node) {
  // An accent goes with what it marks: \hat{x}^2 raises x with its hat.
  const Expression* marked = &node;
  // (Only a one-operand node may be an accent: most bases are not.)
  while (marked->category == UNARY) {
    auto* accent = dynamic_cast<const Accent*>(marked);
    if (accent == nullptr) break;
    marked = accent->arg.get();
  }
  const Expression& base = *marked;
  switch (base.category) {
    case SYMBOL_CATEGORY:
      return is_symbol_with_exponent(base);
    case UNARY:
    case BINARY:
    case BIG_OPERATOR:
      return true;
    default:
      return false;
  }
}


/// What a radicand is drawn with: cx, with big signs of five rows.
inline RenderContext radicand_context(const RenderContext& cx) {
  RenderContext radicand = cx;
  radicand.style.fixed_signs = true;
  return radicand;
}

/// The sign over the node `radicand`, whose drawing has extent e.
RadicalSign radical_sign(const Style& style, const Expression& radicand, const Extent& e);

/// Draws the radicand under a radical sign whose foot stands in column m:
/// the foot, the stroke, the radicand and its overline.
void draw_radical(const Style& style, const RadicalSign& sign, Canvas& canvas,
                  const Canvas& radicand, int m);

/// Draws a sign that LaTeX writes, from column col of the row: its Unicode
/// sign, or its ASCII text. Returns the columns it takes.
int put_sign(const Style& style, Canvas& canvas, Sign sign, int row, int col);
/// Columns that put_sign writes for the sign.
int sign_columns(const Style& style, Sign sign);

/// Columns that a written bracket takes.
int delimiter_width(const Style& style, Delimiter d);

/// Draws a written bracket on the rows top to bottom from column col, on
/// the left of what it holds when opening, on the right otherwise.
void draw_delimiter(const Style& style, Canvas& canvas, Delimiter d, bool opening, int top,
                    int bottom, int col);

#endif  // VORNIX_EXPR_DRAWING_H_
