// The layout record: what each drawing placed where on its baseline, as
// its render wrote it, for fitting a drawing into a width without knowing
// how each kind of node is drawn.
#ifndef VORNIX_EXPR_LAYOUT_H_
#define VORNIX_EXPR_LAYOUT_H_

#include <unordered_map>

class Expression;

/// Where a line may break between two operands, strongest first.
enum class Joint : unsigned char { relation, additive, product, none };

/// A child drawn on its parent's baseline: its columns in the parent's
/// drawing, from its opening bracket when it has brackets.
struct PlacedPart {
  const Expression* node = nullptr;
  int col = 0;
  int width = 0;  // brackets included
  bool bracketed = false;
};

/// A part of `width` columns at col, in brackets or not.
inline PlacedPart placed(const Expression& node, int col, int width, bool bracketed) {
  return PlacedPart{&node, col, width + (bracketed ? 2 : 0), bracketed};
}

/// What one node's drawing holds on its baseline: one child beside signs,
/// names or bounds (joint none), or two operands about a sign where a line
/// may break.
struct Placement {
  PlacedPart first;
  PlacedPart second;  // node null for one child
  Joint joint = Joint::none;
  int sign_col = 0;    // the sign's first column; the blank before it when sign_width is 0
  int sign_width = 0;  // 0 for the blank between factors
  bool two_row_sign = false;  // a relation that includes equality

  static Placement one(const Expression& child, int col, int width, bool bracketed) {
    return Placement{placed(child, col, width, bracketed), {}};
  }
  /// Operands at [left_col, ...) and [right_col, ...) with a sign of
  /// sign_width columns at sign_col between them.
  static Placement two(Joint joint, PlacedPart left, PlacedPart right, int sign_col,
                       int sign_width) {
    return Placement{left, right, joint, sign_col, sign_width};
  }
};

/// The placements of the nodes of a drawing. A render writes its node's
/// placement only when the context it draws with keeps a record, so that
/// drawing without one costs a test per node.
class LayoutRecord {
 public:
  void note(const Expression& node, const Placement& placement) {
    placements_.insert_or_assign(&node, placement);
  }
  /// The node's placement, or null where its render wrote none.
  const Placement* find(const Expression& node) const {
    auto it = placements_.find(&node);
    return it == placements_.end() ? nullptr : &it->second;
  }

 private:
  std::unordered_map<const Expression*, Placement> placements_;
};

#endif  // VORNIX_EXPR_LAYOUT_H_
