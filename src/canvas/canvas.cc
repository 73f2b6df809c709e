#include "canvas/canvas.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <iterator>
#include <ostream>

namespace {

// Only a few small released canvases are kept, so that what stays
// allocated is bounded.
constexpr size_t kMaxSpareCanvases = 64;
constexpr size_t kMaxSpareRows = 64;
constexpr size_t kMaxSpareRowCapacity = 256;

}  // namespace

// The room for spare canvases is made at once: releasing a canvas never
// allocates, so it cannot fail.
CanvasPool::CanvasPool() { spare_.reserve(kMaxSpareCanvases); }

CanvasPool::~CanvasPool() {
  for (Canvas* c : spare_) {
    VORNIX_UNPOISON(c, sizeof(Canvas));
    delete c;
  }
}

Canvas::Row::Row(CanvasPool* pool, int width)
    : chars_(static_cast<size_t>(width), ' '), pool_(pool) {}

// Counts the characters by which the row grows when it reaches column
// end - 1. A row's first character was counted when the row was made.
void Canvas::Row::charge_growth(int end) const {
  int grown = end - std::max(length(), 1);
  if (grown > 0) pool_->charge(grown);
}

// Lengthens the row with blanks so that it reaches column end - 1.
void Canvas::Row::make_room(int end) {
  if (end <= length()) return;
  charge_growth(end);
  chars_.resize(static_cast<size_t>(end), ' ');
}

char Canvas::Row::operator[](int i) const {
  assert(i >= 0 && i < length());
  return chars_[static_cast<size_t>(i)];
}

void Canvas::Row::paste(const Row& src, int c) {
  if (src.chars_.empty()) return;
  put_text(src.chars_, c);
}

void Canvas::Row::put_text(std::string_view s, int c) {
  int old_length = length();
  if (c < old_length) {
    make_room(c + static_cast<int>(s.size()));
    std::copy(s.begin(), s.end(), chars_.begin() + c);
    return;
  }
  // Drawing mostly proceeds left to right: the text goes behind the row's
  // end, after a gap of blanks.
  charge_growth(c + static_cast<int>(s.size()));
  if (c > old_length) chars_.append(static_cast<size_t>(c - old_length), ' ');
  chars_.append(s);
}

Canvas::Canvas(CanvasPool& pool, int nrows, int width, int first_row)
    : pool_(&pool), first_row_(first_row) {
  assert(nrows >= 1);
  assert(first_row <= 0);
  nrows = std::max(nrows, 1 - first_row);
  pool.charge(static_cast<long>(nrows) * std::max(width, 1));
  rows_.reserve(static_cast<size_t>(nrows));
  for (int k = 0; k < nrows; ++k) rows_.emplace_back(pool_, width);
  end_ = rows_.size();
}

Canvas::Row& Canvas::add_rows(int i) {
  if (i < first_row_) {
    size_t added = static_cast<size_t>(first_row_ - i);
    pool_->charge(static_cast<long>(added));
    if (top_ < added) {
      // Move the rows down behind as many spares as there are rows, in
      // place when the storage has room: a canvas kept for reuse keeps it.
      size_t spares = added + (end_ - top_);
      // The emptied rows at the end would move too: they go.
      rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(end_), rows_.end());
      rows_.insert(rows_.begin(), spares - top_, Row(pool_, 0));
      end_ += spares - top_;
      top_ = spares;
    }
    top_ -= added;
    first_row_ = i;
  } else {
    size_t added = static_cast<size_t>(i - (first_row_ + nrows()) + 1);
    pool_->charge(static_cast<long>(added));
    // Emptied rows of an earlier drawing first, then new ones.
    size_t kept = std::min(added, rows_.size() - end_);
    end_ += kept;
    for (size_t k = kept; k < added; ++k) {
      rows_.emplace_back(pool_, 0);
      ++end_;
    }
  }
  return rows_[top_ + static_cast<size_t>(i - first_row_)];
}

bool Canvas::clear_for_reuse() {
  if (rows_.capacity() > kMaxSpareRows) return false;
  // The rows keep their storage for the next drawing, unless it is large.
  for (size_t k = top_; k < end_; ++k) {
    std::string& chars = rows_[k].chars_;
    if (chars.capacity() > kMaxSpareRowCapacity) {
      std::string().swap(chars);
    } else {
      chars.clear();
    }
  }
  end_ = top_ + 1;
  first_row_ = 0;
  return true;
}

const Canvas::Row& Canvas::operator[](int i) const {
  assert(i >= first_row_ && i < first_row_ + nrows());
  return rows_[top_ + static_cast<size_t>(i - first_row_)];
}

Extent Canvas::extent() const {
  int width = 0;
  for (size_t k = top_; k < end_; ++k) {
    width = std::max(width, rows_[k].length());
  }
  int height = nrows();
  return Extent{height, width, -first_row_, first_row_ + height - 1};
}

void Canvas::paste(const Canvas& src, int row, int col, Alignment align) {
  int h = src.nrows();
  int top = align == ALIGN_BASELINE ? row + src.first_row_
            : align == ALIGN_BOTTOM ? row - h + 1
                                    : row;
  // Create the whole span first, so that a tall source costs one extension
  // of the row array and not one per row.
  ensure_rows(top, top + h - 1);
  Row* target = &rows_[top_ + static_cast<size_t>(top - first_row_)];
  const Row* source = &src.rows_[src.top_];
  for (int k = 0; k < h; ++k) target[k].paste(source[k], col);
}

void Canvas::paste_bracketed(const Canvas& src, int row, int col, bool bracketed,
                             const BracketShape& shape) {
  if (!bracketed) {
    paste(src, row, col, ALIGN_BASELINE);
    return;
  }
  paste(src, row, col + 1, ALIGN_BASELINE);
  Extent e = src.extent();
  brackets(row - e.ascent, col, col + 1 + e.width, e.height, shape);
}

void Canvas::put_text(std::string_view s, int row, int col) {
  (*this)[row].put_text(s, col);
}

void Canvas::fill(int row, int col, int n, char ch) {
  if (n <= 0) return;
  Row& target = (*this)[row];
  target[col + n - 1];
  for (int i = 0; i < n; ++i) target[col + i] = ch;
}

void Canvas::vertical_line(int row, int col, int n, char ch) {
  if (n <= 0) return;
  ensure_rows(row, row + n - 1);
  for (int i = row; i < row + n; ++i) (*this)[i][col] = ch;
}

void Canvas::rising_line(int row, int col, int n, char ch) {
  for (int k = 0; k < n; ++k) (*this)[row - k][col + k] = ch;
}

// The right bracket goes first, so that each row grows once.
void Canvas::brackets(int row, int left, int right, int n, const BracketShape& shape) {
  bracket(shape.right, row, row + n - 1, right);
  bracket(shape.left, row, row + n - 1, left);
}

// One row high, a bracket is one character; taller, a top piece, middle
// pieces and a bottom piece; an angle's sides lean to its point:
//   (x)   ⎛x⎞   /x\   /x
//         ⎜x⎟   |x|   <x
//         ⎝x⎠   \x/   \x
void Canvas::bracket(const BracketPieces& p, int top, int bottom, int col, int width) {
  Canvas& self = *this;
  int middle = top + (bottom - top) / 2;
  for (int r = top; r <= bottom; ++r) {
    char piece = top == bottom    ? p.single
                 : r == top       ? p.top
                 : r == bottom    ? p.bottom
                 : r == middle    ? p.middle
                 : p.between != 0 ? p.between
                 : r < middle     ? p.top
                                  : p.bottom;
    Row& target = self[r];
    for (int k = width - 1; k >= 0; --k) target[col + k] = piece;
  }
}

void Canvas::renumber(int first_row) {
  assert(first_row <= 0 && first_row + nrows() > 0);
  first_row_ = first_row;
}

namespace {

// Calls emit for each run of a row's text, glyph bytes as their text.
template <class Emit>
void for_each_run(std::string_view text, Emit emit) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (!maybe_glyph(byte)) continue;
    emit(text.substr(start, i - start));
    emit(glyph_text(byte));
    start = i + 1;
  }
  emit(text.substr(start));
}

}  // namespace

void Canvas::write(std::FILE* out, bool glyphs) const {
  // The rows are gathered here and go to the stream in one call: most
  // drawings are a few short rows, for which a call per row, or one per
  // byte, costs more than copying them.
  char buffer[4096];
  size_t used = 0;
  auto put = [&](std::string_view bytes) {
    if (bytes.size() > sizeof buffer - used) {
      fwrite_unlocked(buffer, 1, used, out);
      used = 0;
      if (bytes.size() > sizeof buffer) {
        fwrite_unlocked(bytes.data(), 1, bytes.size(), out);
        return;
      }
    }
    std::memcpy(buffer + used, bytes.data(), bytes.size());
    used += bytes.size();
  };
  for (size_t k = top_; k < end_; ++k) {
    std::string_view text = rows_[k].text();
    if (glyphs) {
      for_each_run(text, put);
    } else {
      put(text);
    }
    put("\n");
  }
  fwrite_unlocked(buffer, 1, used, out);
}

void Canvas::append_to(std::string& out, bool glyphs) const {
  for (size_t k = top_; k < end_; ++k) {
    std::string_view text = rows_[k].text();
    if (glyphs) {
      for_each_run(text, [&out](std::string_view run) { out.append(run); });
    } else {
      out.append(text);
    }
    out += '\n';
  }
}

std::ostream& operator<<(std::ostream& out, const Canvas& canvas) {
  for (int i = canvas.first_row(); i < canvas.first_row() + canvas.nrows();
       ++i) {
    out << canvas[i].text() << '\n';
  }
  return out;
}

CanvasRef::CanvasRef(CanvasPool& pool) {
  if (pool.spare_.empty()) {
    canvas_ = new Canvas(pool, 1, 0, 0);
  } else {
    canvas_ = pool.spare_.back();
    pool.spare_.pop_back();
    VORNIX_UNPOISON(canvas_, sizeof(Canvas));
    pool.charge(1);
  }
  canvas_->share_count_ = 1;
}

CanvasRef::CanvasRef(const CanvasRef& other) : canvas_(other.canvas_) {
  ++canvas_->share_count_;
}

CanvasRef& CanvasRef::operator=(const CanvasRef& other) {
  ++other.canvas_->share_count_;
  release();
  canvas_ = other.canvas_;
  return *this;
}

CanvasRef::~CanvasRef() { release(); }

void CanvasRef::release() {
  if (--canvas_->share_count_ != 0) return;
  std::vector<Canvas*>& spare = canvas_->pool_->spare_;
  if (spare.size() < kMaxSpareCanvases && canvas_->clear_for_reuse()) {
    spare.push_back(canvas_);
    VORNIX_POISON(canvas_, sizeof(Canvas));
    return;
  }
  delete canvas_;
}
