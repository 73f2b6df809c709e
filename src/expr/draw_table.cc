// Tables written in LaTeX: align, gather, array and their kin.
#include <algorithm>
#include <vector>

#include "expr/drawing.h"

namespace {

// Whether a cell starts with an operator whose left operand is empty, as
// the "= b" of a &= b: its drawing then starts with the blank that parts
// the operator from that operand, and the table leaves that blank out so
// that the sign stands where the cell starts.
int leading_blank(const Expression& e) {
  const Expression* node = &e;
  for (;;) {
    auto* op = dynamic_cast<const BinaryOp*>(node);
    bool juxtaposed = dynamic_cast<const Juxtaposed*>(node) != nullptr;
    if (op == nullptr ||
        (!juxtaposed && dynamic_cast<const SimpleBinaryOp*>(node) == nullptr &&
         dynamic_cast<const RelationOrEqual*>(node) == nullptr &&
         dynamic_cast<const InfixOp*>(node) == nullptr)) {
      return 0;
    }
    auto* text = dynamic_cast<const Text*>(op->left.get());
    if (text != nullptr && text->lexeme.empty()) return juxtaposed ? 0 : 1;
    node = op->left.get();
  }
}

// Pastes src with its baseline on the given row and its first `skip`
// columns left out, its next column in column col.
void paste_from(Canvas& canvas, const Canvas& src, int row, int col, int skip) {
  if (skip == 0) {
    canvas.paste(src, row, col, ALIGN_BASELINE);
    return;
  }
  for (int r = src.first_row(); r < src.first_row() + src.nrows(); ++r) {
    std::string_view text = src[r].text();
    if (static_cast<int>(text.size()) > skip) canvas.put_text(text.substr(skip), row + r, col);
  }
}

}  // namespace

/*
   Columns stand side by side, each aligned in its slot, with the blanks
   and rules of its column before it; cells stand on their row's baseline,
   and a row's tag at the right of the table:
         f(x) = a + b
              = c          (1)

     a | b
     ------
     1 | 0
*/
CanvasRef Table::render(const RenderContext& cx) const {
  struct Cell {
    CanvasRef canvas;
    int width;  // without a leading blank
    int lead;
  };
  size_t n_rows = rows.size();
  size_t n_cols = columns.size();
  RenderContext in_cell{cx.pool, cx.style};
  in_cell.style.in_cell = dotted;

  // Every cell and tag rendered once, in reading order.
  std::vector<Cell> cells;
  std::vector<CanvasRef> tags;
  std::vector<int> ascent(n_rows, 0), descent(n_rows, 0), width(n_cols, 0);
  int tag_width = 0;
  auto measure = [&](size_t i, const Extent& e) {
    ascent[i] = std::max(ascent[i], e.ascent);
    descent[i] = std::max(descent[i], e.descent);
  };
  for (size_t i = 0; i < n_rows; ++i) {
    const auto& items = rows[i]->items;
    for (size_t j = 0; j < items.size(); ++j) {
      CanvasRef drawn = items[j]->render(in_cell);
      Extent e = drawn->extent();
      int lead = std::min(leading_blank(*items[j]), e.width);
      cells.push_back(Cell{drawn, e.width - lead, lead});
      measure(i, e);
      if (!row(i).across) width[j] = std::max(width[j], e.width - lead);
    }
    if (row(i).tag) {
      tags.push_back(row(i).tag->render(cx));
      Extent e = tags.back()->extent();
      measure(i, e);
      tag_width = std::max(tag_width, e.width);
    }
  }

  // Columns from the left: the blanks and rules before each one.
  std::vector<int> left(n_cols, 0);
  std::vector<int> rule_columns;
  int x = 0;
  auto rules = [&](int n) {
    for (int k = 0; k < n; ++k) rule_columns.push_back(x++);
  };
  for (size_t j = 0; j < n_cols; ++j) {
    const Column& column = columns[j];
    if (column.rules > 0) {
      if (x > 0) ++x;
      rules(column.rules);
      ++x;
    } else if (x > 0) {
      // Empty columns at the left part nothing.
      x += column.gap;
    }
    left[j] = x;
    x += width[j];
  }
  if (rules_right > 0) {
    ++x;
    rules(rules_right);
  }

  int right = x;

  // Rows from the top: a rule above a row takes a row of its own; without
  // one, a blank row parts two rows when either is taller than a line.
  std::vector<int> baseline(n_rows, 0);
  std::vector<int> rule_rows;
  int y = 0;
  for (size_t i = 0; i < n_rows; ++i) {
    int above = row(i).rules_above;
    bool tall = ascent[i] + descent[i] > 0 || (i > 0 && ascent[i - 1] + descent[i - 1] > 0);
    if (above == 0 && i > 0 && tall) ++y;
    for (int k = 0; k < above; ++k) rule_rows.push_back(y++);
    baseline[i] = y + ascent[i];
    y += ascent[i] + 1 + descent[i];
  }
  for (int k = 0; k < rules_below; ++k) rule_rows.push_back(y++);
  int height = y;
  int tag_column = right + 2;
  int full_width = tags.empty() ? right : tag_column + tag_width;
  // Rules reach across the table: a table larger than the drawing limit is
  // refused before it is filled.
  if (static_cast<long>(height) * (full_width + 1) > kDrawingLimit) throw DrawingTooLarge();

  CanvasRef c = cx.canvas();
  (*c)[height - 1];
  for (int col : rule_columns) {
    c->vertical_line(0, col, height, cx.style.bars().left.single);
  }
  for (int r : rule_rows) c->fill(r, 0, right, cx.style.glyphs->fraction_bar);
  const Cell* cell = cells.data();
  size_t tag = 0;
  for (size_t i = 0; i < n_rows; ++i) {
    for (size_t j = 0; j < rows[i]->items.size(); ++j, ++cell) {
      int offset = columns[j].align == Align::left || row(i).across ? 0
                   : columns[j].align == Align::right ? width[j] - cell->width
                                                      : centred(width[j], cell->width);
      paste_from(*c, *cell->canvas, baseline[i], left[j] + offset, cell->lead);
    }
    if (row(i).tag) c->paste(*tags[tag++], baseline[i], tag_column, ALIGN_BASELINE);
  }

  if (n_rows == 1 && rule_rows.empty()) {
    c->renumber(-baseline[0]);
  } else {
    c->center_baseline();
  }
  return c;
}
