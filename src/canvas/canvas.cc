#include "canvas/canvas.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <ostream>

namespace {

// Only a few small released canvases are kept, so that what stays
// allocated is bounded.
constexpr size_t kMaxSpareRows = 64;
constexpr size_t kMaxSpareRowSlots = 4 * kMaxSpareRows;
constexpr int kMaxSpareRowCapacity = 256;
// Every canvas has room for a few rows above row 0 before its rows move,
// and for a few more below.
constexpr size_t kSpareRowsAbove = 3;
constexpr size_t kRowsAtFirst = 8;
constexpr int kMinRowCapacity = 32;
// Bytes that a row's text is copied in at once when it is as short.
constexpr size_t kWideCopy = 16;
static_assert(kWideCopy <= kMinRowCapacity, "a row with text holds a wide copy's bytes");

}  // namespace

CanvasPool::CanvasPool() = default;

CanvasPool::~CanvasPool() {
  for (size_t k = 0; k < spare_count_; ++k) {
    VORNIX_UNPOISON(spare_[k], sizeof(Canvas));
    delete spare_[k];
  }
}

Canvas* CanvasPool::make_canvas() { return new Canvas(*this); }

void CanvasPool::give(Canvas* canvas) {
  if (spare_count_ < kMaxSpare && canvas->clear_for_reuse()) {
    spare_[spare_count_++] = canvas;
    VORNIX_POISON(canvas, sizeof(Canvas));
    return;
  }
  discard(canvas);
}

// Apart, so that keeping a canvas, the usual case, does not pay for
// deleting one.
[[gnu::noinline]] void CanvasPool::discard(Canvas* canvas) { delete canvas; }

// Rows grow by doubling, from room for a short formula.
void Canvas::Row::reserve(int end) {
  int capacity = std::max({end, 2 * capacity_, kMinRowCapacity});
  char* chars = new char[static_cast<size_t>(capacity)];
  if (length_ != 0) std::memcpy(chars, chars_, static_cast<size_t>(length_));
  delete[] chars_;
  chars_ = chars;
  capacity_ = capacity;
  if (capacity > kMaxSpareRowCapacity) canvas_->grown_large_ = true;
}

void Canvas::Row::clear() {
  length_ = 0;
  if (capacity_ > kMaxSpareRowCapacity) free_storage();
}

[[gnu::noinline]] void Canvas::Row::free_storage() {
  delete[] std::exchange(chars_, nullptr);
  capacity_ = 0;
}

Canvas::Canvas(CanvasPool& pool) : pool_(&pool) {
  rows_.reserve(kRowsAtFirst);
  for (size_t k = 0; k <= kSpareRowsAbove; ++k) rows_.emplace_back(this);
  top_ = kSpareRowsAbove;
  end_ = top_ + 1;
  settle_rows();
}

Canvas::Row& Canvas::add_rows(int i) {
  if (i < first_row_) {
    size_t added = static_cast<size_t>(first_row_ - i);
    pool_->charge(static_cast<long>(added));
    if (top_ < added) make_room_above(added);
    top_ -= added;
    first_row_ = i;
  } else {
    size_t added = static_cast<size_t>(i - (first_row_ + nrows()) + 1);
    pool_->charge(static_cast<long>(added));
    if (rows_.size() < end_ + added) make_rows_below(end_ + added);
    end_ += added;
  }
  settle_rows();
  return top_row_[static_cast<size_t>(i - first_row_)];
}

// The rows move down behind as many new spares as there are rows after
// the move.
[[gnu::noinline]] void Canvas::make_room_above(size_t added) {
  size_t spares = added + (end_ - top_) - top_;
  if (rows_.size() - end_ >= spares) {
    // Emptied rows after the last one in use come to the front in place.
    rotate_rows(end_, end_ + spares);
    top_ += spares;
    end_ += spares;
    return;
  }
  std::vector<Row> moved;
  moved.reserve(spares + rows_.size());
  for (size_t k = 0; k < spares; ++k) moved.emplace_back(this);
  for (Row& row : rows_) moved.push_back(std::move(row));
  rows_.swap(moved);
  top_ += spares;
  end_ += spares;
  note_row_count();
}

// Turns rows_[0, end) so that rows_[middle, end) come first, by three
// reversals: a row moves by swapping its text with another's.
void Canvas::rotate_rows(size_t middle, size_t end) {
  auto reverse = [this](size_t first, size_t last) {
    while (first + 1 < last) {
      Row& a = rows_[first++];
      Row& b = rows_[--last];
      std::swap(a.chars_, b.chars_);
      std::swap(a.length_, b.length_);
      std::swap(a.capacity_, b.capacity_);
    }
  };
  reverse(0, middle);
  reverse(middle, end);
  reverse(0, end);
}

// Emptied rows of an earlier drawing come first, then new ones; the count
// of rows in use changes once they all exist, should making them fail.
[[gnu::noinline]] void Canvas::make_rows_below(size_t count) {
  while (rows_.size() < count) rows_.emplace_back(this);
  note_row_count();
}

void Canvas::note_row_count() {
  if (rows_.size() > kMaxSpareRows || rows_.capacity() > kMaxSpareRowSlots) grown_large_ = true;
}

[[gnu::noinline]] void Canvas::drop_spare_rows() {
  while (rows_.size() > kMaxSpareRows) rows_.pop_back();
}

bool Canvas::clear_for_reuse() {
  if (!grown_large_) {
    // The usual canvas: its rows keep their storage for the next drawing.
    for (Row* row = top_row_; row != top_row_ + count_; ++row) row->length_ = 0;
  } else {
    if (rows_.capacity() > kMaxSpareRowSlots) return false;
    // The rows keep their storage for the next drawing, unless it is
    // large; rows beyond the few that a canvas keeps go, all of them empty.
    for (size_t k = top_; k < end_; ++k) rows_[k].clear();
    if (rows_.size() > kMaxSpareRows) drop_spare_rows();
    grown_large_ = false;
  }
  top_ = kSpareRowsAbove;
  end_ = top_ + 1;
  settle_rows();
  first_row_ = 0;
  width_ = 0;
  return true;
}

void Canvas::paste_rows(const Canvas& src, int row, int col, Alignment align) {
  int h = src.nrows();
  int top = align == ALIGN_BASELINE ? row + src.first_row_
            : align == ALIGN_BOTTOM ? row - h + 1
                                    : row;
  // Create the whole span first, so that a tall source costs one extension
  // of the row array and not one per row.
  ensure_rows(top, top + h - 1);
  Row* target = &top_row_[static_cast<size_t>(top - first_row_)];
  const Row* source = &src.rows_[src.top_];
  // As Row::paste on each row, with the growth counted once for all rows
  // (but before any row's storage grows) and the width set once.
  long grown = 0;
  for (int k = 0; k < h; ++k) {
    int n = source[k].length_;
    if (n == 0) continue;
    Row& t = target[k];
    int end = col + n;
    if (end > t.length_) {
      grown += end - (t.length_ > 1 ? t.length_ : 1);
      if (end > t.capacity_) {
        pool_->charge(std::exchange(grown, 0));
        t.reserve(end);
      }
      if (col > t.length_) canvas_detail::fill_bytes(t.chars_ + t.length_, ' ', static_cast<size_t>(col - t.length_));
      t.length_ = end;
    }
    canvas_detail::copy_bytes(t.chars_ + col, source[k].chars_, static_cast<size_t>(n));
  }
  pool_->charge(grown);
  if (src.width_ != 0 && col + src.width_ > width_) width_ = col + src.width_;
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

void Canvas::fill(int row, int col, int n, char ch) {
  if (n <= 0) return;
  Row& target = (*this)[row];
  if (col + n > target.length_) target.extend(col, col + n);
  canvas_detail::fill_bytes(target.chars_ + col, ch, static_cast<size_t>(n));
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
  if (n == 1) {
    Row& target = (*this)[row];
    target[right] = shape.right.single;
    target[left] = shape.left.single;
    return;
  }
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

// The UTF-8 text of each cell byte in a slot of fixed size, so that it is
// copied in one move, and its length.
constexpr size_t kMaxGlyphBytes = 4;
struct CellUtf8 {
  char bytes[kMaxGlyphBytes];
  unsigned char size;
};
constexpr auto kCellUtf8 = [] {
  std::array<CellUtf8, 256> cells{};
  for (size_t i = 0; i < cells.size(); ++i) {
    std::string_view text = glyph_text(static_cast<unsigned char>(i));
    if (text.size() > kMaxGlyphBytes) throw "a glyph longer than its slot";
    for (size_t k = 0; k < text.size(); ++k) cells[i].bytes[k] = text[k];
    cells[i].size = static_cast<unsigned char>(text.size());
  }
  return cells;
}();

// Whether any of eight cell bytes may be a glyph, as maybe_glyph() tells
// of one: whether a byte is below the blank or above '~'.
constexpr bool maybe_glyphs(std::uint64_t cells) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  std::uint64_t below_blank = (cells - kOnes * ' ') & ~cells & kHighBits;
  std::uint64_t above_tilde = ((cells + kOnes * (0x7f - '~')) | cells) & kHighBits;
  return (below_blank | above_tilde) != 0;
}
static_assert(!maybe_glyphs(0x7e7e7e7e20202020u) && maybe_glyphs(0x7e7e7e7f20202020u) &&
              maybe_glyphs(0x7e7e7e7e201f2020u) && maybe_glyphs(0xff20202020202020u) &&
              maybe_glyphs(0x2020202020202000u));

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

// Copies a row's text to `to`, glyph bytes as their text, and the newline
// after it; returns the end of what it wrote. A glyph's slot is copied
// whole, so up to kMaxGlyphBytes - 1 bytes past the end may be written.
char* put_row(char* to, std::string_view text, bool glyphs) {
  if (glyphs) {
    auto put_cell = [&to](char byte) {
      auto cell = static_cast<unsigned char>(byte);
      if (!maybe_glyph(cell)) {
        *to++ = byte;
        return;
      }
      const CellUtf8& utf8 = kCellUtf8[cell];
      std::memcpy(to, utf8.bytes, kMaxGlyphBytes);
      to += utf8.size;
    };
    // Eight cells at a time while none of them is a glyph.
    const char* from = text.data();
    const char* end = from + text.size();
    while (end - from >= 8) {
      std::uint64_t cells;
      std::memcpy(&cells, from, 8);
      if (!maybe_glyphs(cells)) {
        std::memcpy(to, &cells, 8);
        to += 8;
        from += 8;
        continue;
      }
      for (const char* stop = from + 8; from != stop; ++from) put_cell(*from);
    }
    while (from != end) put_cell(*from++);
  } else {
    canvas_detail::copy_bytes(to, text.data(), text.size());
    to += text.size();
  }
  *to++ = '\n';
  return to;
}

}  // namespace

void Canvas::write(std::FILE* out, bool glyphs) const {
  // The rows are gathered here and go to the stream in one call: most
  // drawings are a few short rows, for which a call per row, or one per
  // byte, costs more than copying them.
  char buffer[4096];
  char* end = buffer;
  for (size_t k = top_; k < end_; ++k) {
    std::string_view text = rows_[k].text();
    size_t most = (glyphs ? text.size() * kMaxGlyphBytes : text.size()) + 1;
    if (most > static_cast<size_t>(buffer + sizeof buffer - end)) {
      fwrite_unlocked(buffer, 1, static_cast<size_t>(end - buffer), out);
      end = buffer;
      if (most > sizeof buffer) {
        // A row too long for the buffer goes out in runs.
        auto put = [out](std::string_view run) { fwrite_unlocked(run.data(), 1, run.size(), out); };
        if (glyphs) {
          for_each_run(text, put);
        } else {
          put(text);
        }
        putc_unlocked('\n', out);
        continue;
      }
    }
    end = put_row(end, text, glyphs);
  }
  fwrite_unlocked(buffer, 1, static_cast<size_t>(end - buffer), out);
}

size_t Canvas::copy_to(char* out, size_t size, bool glyphs) const {
  // What the rows may take, their longest texts and the slot copied past
  // the last glyph included.
  size_t most = (static_cast<size_t>(width_) + 1) * static_cast<size_t>(nrows());
  if (glyphs) most = most * kMaxGlyphBytes + kMaxGlyphBytes - 1;
  if (most > size) return 0;
  char* end = out;
  if (glyphs || size - most < kWideCopy - 1) {
    for (size_t k = top_; k < end_; ++k) end = put_row(end, rows_[k].text(), glyphs);
  } else {
    // With room to spare, a short row is copied as kWideCopy bytes in one
    // move: its storage holds that many, and the next row or the room's
    // spare end takes the excess.
    for (size_t k = top_; k < end_; ++k) {
      const Row& row = rows_[k];
      auto n = static_cast<size_t>(row.length_);
      if (n - 1 < kWideCopy) {
        std::memcpy(end, row.chars_, kWideCopy);
      } else {
        canvas_detail::copy_bytes(end, row.chars_, n);
      }
      end += n;
      *end++ = '\n';
    }
  }
  return static_cast<size_t>(end - out);
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
