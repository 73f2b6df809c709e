// Matrices and determinants: cells centred in a grid, in brackets or bars.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "expr/drawing.h"

/*
   Each cell is centred in its slot, with one blank row and column between
   slots; the drawing is then centred on the baseline:
     /    1 \
     | 10 - |
     |    x |
     |      |
     \  3 0 /
*/
CanvasRef Matrix::render(const RenderContext& cx) const {
  // The cells missing from short rows all show the same "0", drawn once, so
  // that the working data grows with the entries written, not with the
  // grid.
  const Drawn zero(missing_cell().render(cx));

  size_t n_rows = rows.size();
  size_t n_cols = 0;
  size_t shortest = SIZE_MAX;
  size_t n_entries = 0;
  for (const auto& row : rows) {
    n_cols = std::max(n_cols, row->items.size());
    shortest = std::min(shortest, row->items.size());
    n_entries += row->items.size();
  }

  // Every entry rendered once, in reading order.
  std::vector<Drawn> entries;
  entries.reserve(n_entries);
  // Row heights and column widths, on the stack for the usual small grid.
  std::array<int, 32> small_sizes{};
  std::vector<int> large_sizes;
  std::span<int> sizes(small_sizes.data(), n_rows + n_cols);
  if (n_rows + n_cols > small_sizes.size()) {
    large_sizes.assign(n_rows + n_cols, 0);
    sizes = large_sizes;
  }
  std::span<int> row_height = sizes.first(n_rows);
  std::span<int> col_width = sizes.subspan(n_rows);
  RenderContext in_cell{cx.pool, cx.style};
  in_cell.style.in_cell = true;
  for (size_t i = 0; i < n_rows; ++i) {
    const auto& items = rows[i]->items;
    for (size_t j = 0; j < items.size(); ++j) {
      const Extent& e = entries.emplace_back(in_cell, *items[j]).extent();
      row_height[i] = std::max(row_height[i], e.height);
      col_width[j] = std::max(col_width[j], e.width);
    }
    if (items.size() < n_cols) row_height[i] = std::max(row_height[i], zero.extent().height);
  }
  for (size_t j = shortest; j < n_cols; ++j) {
    col_width[j] = std::max(col_width[j], zero.width());
  }

  int height = static_cast<int>(n_rows) - 1;
  for (int h : row_height) height += h;
  int inset_width = inset(cx.style);
  int gap = column_gap();
  int right = inset_width + static_cast<int>(n_cols) * gap + 1 - gap;
  for (int w : col_width) right += w;
  // Every row of the drawing reaches the right bracket: a grid larger than
  // the drawing limit is refused before it is filled.
  if (static_cast<long>(height) * (right + 1) > kDrawingLimit) throw DrawingTooLarge();

  CanvasRef c = cx.canvas();
  int y = 0;
  const Drawn* entry = entries.data();
  for (size_t i = 0; i < n_rows; ++i) {
    size_t written = rows[i]->items.size();
    int x = inset_width;
    for (size_t j = 0; j < n_cols; ++j) {
      const Drawn& cell = j < written ? *entry++ : zero;
      cell.paste_on(*c, y + centred(row_height[i], cell.extent().height),
                    x + centred(col_width[j], cell.width()), ALIGN_TOP);
      x += col_width[j] + gap;
    }
    y += row_height[i] + 1;
  }

  draw_delimiters(cx.style, *c, height, right);
  c->center_baseline();
  return c;
}

int Matrix::inset(const Style&) const { return 2; }

int Matrix::column_gap() const { return 1; }

int Array::column_gap() const { return column_gap_; }

void Matrix::draw_delimiters(const Style& style, Canvas& canvas, int height, int right) const {
  canvas.brackets(0, 0, right, height, det ? style.bars() : style.parens());
}

int Array::inset(const Style& style) const {
  return opening == Delimiter::none ? 0 : delimiter_width(style, opening) + 1;
}

// Round brackets or bars on both sides as a Matrix draws them; other
// brackets as written, on every row of the grid:
//   [ 1 x ]    / 1 x     1 x
//   [     ]    <
//   [ 0   ]    \ 0       0
void Array::draw_delimiters(const Style& style, Canvas& canvas, int height, int right) const {
  if (opening == closing && (opening == Delimiter::paren || opening == Delimiter::bar)) {
    Matrix::draw_delimiters(style, canvas, height, right);
    return;
  }
  draw_delimiter(style, canvas, opening, true, 0, height - 1, 0);
  draw_delimiter(style, canvas, closing, false, 0, height - 1, right);
}
