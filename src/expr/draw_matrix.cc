// Matrices and determinants: cells centred in a grid, in brackets or bars.
#include <algorithm>
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
CanvasRef Matrix::render() const {
  size_t n_rows = rows.size();
  size_t n_cols = 0;
  for (const auto& row : rows) n_cols = std::max(n_cols, row->items.size());

  struct Cell {
    CanvasRef canvas;
    Extent extent;
  };
  std::vector<Cell> cells;
  cells.reserve(n_rows * n_cols);
  std::vector<int> row_height(n_rows, 0);
  std::vector<int> col_width(n_cols, 0);
  for (size_t i = 0; i < n_rows; ++i) {
    for (size_t j = 0; j < n_cols; ++j) {
      CanvasRef drawn = rows[i]->cell(j).render();
      Extent e = drawn->extent();
      cells.push_back(Cell{drawn, e});
      row_height[i] = std::max(row_height[i], e.height);
      col_width[j] = std::max(col_width[j], e.width);
    }
  }

  CanvasRef c;
  int y = 0;
  for (size_t i = 0; i < n_rows; ++i) {
    int x = 2;
    for (size_t j = 0; j < n_cols; ++j) {
      const Cell& cell = cells[i * n_cols + j];
      c->paste(*cell.canvas, y + centred(row_height[i], cell.extent.height),
               x + centred(col_width[j], cell.extent.width), ALIGN_TOP);
      x += col_width[j] + 1;
    }
    y += row_height[i] + 1;
  }

  int height = y - 1;
  int right = 2 + static_cast<int>(n_cols);
  for (int w : col_width) right += w;
  Canvas& canvas = *c;
  if (det) {
    for (int r = 0; r < height; ++r) {
      canvas[r][right] = '|';
      canvas[r][0] = '|';
    }
  } else if (height == 1) {
    canvas[0][0] = '(';
    canvas[0][right] = ')';
  } else {
    for (int r = 1; r <= height - 2; ++r) {
      canvas[r][right] = '|';
      canvas[r][0] = '|';
    }
    canvas[0][0] = '/';
    canvas[0][right] = '\\';
    canvas[height - 1][0] = '\\';
    canvas[height - 1][right] = '/';
  }
  canvas.center_baseline();
  return c;
}
