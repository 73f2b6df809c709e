// The character canvas: a grid of text rows numbered around a baseline,
// on which drawings are composed and from which they are printed.
#ifndef VORNIX_CANVAS_H_
#define VORNIX_CANVAS_H_

#include <array>
#include <cassert>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iosfwd>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define VORNIX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORNIX_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef VORNIX_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
/// Memory kept for reuse is poisoned while it waits, so that AddressSanitizer
/// still reports a use of a released canvas or node.
#define VORNIX_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define VORNIX_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define VORNIX_POISON(address, size) ((void)(address), (void)(size))
#define VORNIX_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

/// Characters beyond ASCII. A canvas keeps one byte a cell; the byte
/// values that no reader lets into a drawing stand for the Unicode
/// characters that they are written as (UTF-8), each one column wide:
/// DEL and up, and the control bytes but 0x00 (the pieces' "none") and
/// 0x0a (a row's end). The readers turn a tab into a blank and reject the
/// other control bytes as bad characters. Add a glyph by giving it the
/// next value of the lower range and its text in kLowGlyphTexts below.
enum Glyph : unsigned {
  GLYPH_FIRST = 0x7f,
  GLYPH_BAR = GLYPH_FIRST,  // ─
  GLYPH_VERTICAL,           // │
  GLYPH_RADICAL,            // √
  GLYPH_RISING,             // ╱
  GLYPH_FALLING,            // ╲
  GLYPH_PAREN_LEFT_TOP,     // ⎛
  GLYPH_PAREN_LEFT_MIDDLE,  // ⎜
  GLYPH_PAREN_LEFT_BOTTOM,  // ⎝
  GLYPH_PAREN_RIGHT_TOP,    // ⎞
  GLYPH_PAREN_RIGHT_MIDDLE, // ⎟
  GLYPH_PAREN_RIGHT_BOTTOM, // ⎠
  GLYPH_INTEGRAL_TOP,       // ⌠
  GLYPH_INTEGRAL_MIDDLE,    // ⎮
  GLYPH_INTEGRAL_BOTTOM,    // ⌡
  GLYPH_NABLA,              // ∇
  GLYPH_INFINITY,           // ∞
  GLYPH_ELLIPSIS,           // ⋯
  GLYPH_LESS_EQUAL,         // ≤
  GLYPH_GREATER_EQUAL,      // ≥
  GLYPH_ARROW,              // →
  GLYPH_CONTINUED,          // ↪
  GLYPH_PLUS_MINUS,         // ±
  GLYPH_MINUS_PLUS,         // ∓
  GLYPH_TIMES,              // ×
  GLYPH_DIVIDE,             // ÷
  GLYPH_NOT_EQUAL,          // ≠
  GLYPH_APPROX,             // ≈
  GLYPH_EQUIV,              // ≡
  GLYPH_SIMILAR,            // ∼
  GLYPH_IMPLIES,            // ⇒
  GLYPH_ELEMENT_OF,         // ∈
  GLYPH_GREEK_FIRST,        // α … ω, then Γ Δ Θ Λ Ξ Π Σ Φ Ψ Ω: see kGlyphTexts
  GLYPH_GREEK_LAST = GLYPH_GREEK_FIRST + 24 + 10 - 1,
  GLYPH_DOWN_HORIZONTAL,    // ┬
  GLYPH_SQUARE_LEFT_TOP,     // ⎡
  GLYPH_SQUARE_LEFT_MIDDLE,  // ⎢
  GLYPH_SQUARE_LEFT_BOTTOM,  // ⎣
  GLYPH_SQUARE_RIGHT_TOP,    // ⎤
  GLYPH_SQUARE_RIGHT_MIDDLE, // ⎥
  GLYPH_SQUARE_RIGHT_BOTTOM, // ⎦
  GLYPH_BRACE_LEFT_TOP,      // ⎧
  GLYPH_BRACE_LEFT_MIDDLE,   // ⎨
  GLYPH_BRACE_LEFT_BOTTOM,   // ⎩
  GLYPH_BRACE_RIGHT_TOP,     // ⎫
  GLYPH_BRACE_RIGHT_MIDDLE,  // ⎬
  GLYPH_BRACE_RIGHT_BOTTOM,  // ⎭
  GLYPH_BRACE_EXTENSION,     // ⎪
  GLYPH_DOUBLE_VERTICAL,     // ‖
  GLYPH_ANGLE_LEFT,          // ⟨
  GLYPH_ANGLE_RIGHT,         // ⟩
  // Letters and signs of the symbol table (expr/symbols.cc).
  GLYPH_UPSILON_CAPITAL,    // Υ
  GLYPH_PARTIAL,            // ∂
  GLYPH_ELL,                // ℓ
  GLYPH_HBAR,               // ℏ
  GLYPH_REAL_PART,          // ℜ
  GLYPH_IMAGINARY_PART,     // ℑ
  GLYPH_ALEPH,              // ℵ
  GLYPH_EMPTY_SET,          // ∅
  GLYPH_ANGLE,              // ∠
  GLYPH_DEGREE,             // °
  GLYPH_DAGGER,             // †
  GLYPH_FOR_ALL,            // ∀
  GLYPH_EXISTS,             // ∃
  GLYPH_NOT,                // ¬
  GLYPH_RING,               // ∘
  GLYPH_STAR,               // ⋆
  GLYPH_CIRCLED_PLUS,       // ⊕
  GLYPH_CIRCLED_TIMES,      // ⊗
  GLYPH_AND,                // ∧
  GLYPH_OR,                 // ∨
  GLYPH_INTERSECTION,       // ∩
  GLYPH_UNION,              // ∪
  GLYPH_SET_MINUS,          // ∖
  GLYPH_NOT_ELEMENT_OF,     // ∉
  GLYPH_SUBSET,             // ⊂
  GLYPH_SUBSET_EQUAL,       // ⊆
  GLYPH_SUPERSET,           // ⊃
  GLYPH_SUPERSET_EQUAL,     // ⊇
  GLYPH_ASYMPTOTIC,         // ≃
  GLYPH_CONGRUENT,          // ≅
  GLYPH_PROPORTIONAL,       // ∝
  GLYPH_PERPENDICULAR,      // ⊥
  GLYPH_MUCH_LESS,          // ≪
  GLYPH_MUCH_GREATER,       // ≫
  GLYPH_LEFT_ARROW,         // ←
  GLYPH_MAPS_TO,            // ↦
  GLYPH_IMPLIED_BY,         // ⇐
  GLYPH_EQUIVALENT,         // ⇔
  GLYPH_LEFT_RIGHT_ARROW,   // ↔
  GLYPH_DOWN_RIGHT,         // ┌
  GLYPH_DOWN_LEFT,          // ┐
  GLYPH_UP_RIGHT,           // └
  GLYPH_UP_LEFT,            // ┘
  GLYPH_DIAGONAL_DOTS,      // ⋱
  GLYPH_RIGHT_HARPOON,      // ⇀
  GLYPH_LESS_SIMILAR,       // ≲
  GLYPH_GREATER_SIMILAR,    // ≳
  GLYPH_END,
  // The control bytes, from 0x01: see kLowGlyphTexts.
  GLYPH_LOW_FIRST = 0x01,
  GLYPH_HEAVY_BAR = GLYPH_LOW_FIRST,  // ━
  GLYPH_DOT,                 // ⋅
  GLYPH_CUBE_ROOT,           // ∛
  GLYPH_FOURTH_ROOT,         // ∜
  GLYPH_RULE,                // ⎯
  GLYPH_OVERLINE,            // ‾
  // Letters and signs of the symbol table.
  GLYPH_WEIERSTRASS,         // ℘
  GLYPH_TRIANGLE,            // △
  GLYPH_SQUARE,              // □
  GLYPH_BIG_CIRCLE = '\n' + 1,  // ◯, after the byte that ends a row
  GLYPH_EQUILIBRIUM,         // ⇌
  GLYPH_BIG_CIRCLED_TIMES,   // ⨂
  GLYPH_BIG_CIRCLED_PLUS,    // ⨁
  GLYPH_BIG_UNION,           // ⋃
  GLYPH_BIG_INTERSECTION,    // ⋂
  GLYPH_DOTLESS_I,           // ı
  GLYPH_DOTLESS_J,           // ȷ
  GLYPH_DOUBLE_STRUCK_R,     // ℝ, then ℕ ℤ ℚ ℂ
  GLYPH_DOUBLE_STRUCK_N,
  GLYPH_DOUBLE_STRUCK_Z,
  GLYPH_DOUBLE_STRUCK_Q,
  GLYPH_DOUBLE_STRUCK_C,
  GLYPH_FLOOR_LEFT,          // ⌊, then ⌋ ⌈ ⌉
  GLYPH_FLOOR_RIGHT,
  GLYPH_CEILING_LEFT,
  GLYPH_CEILING_RIGHT,
  GLYPH_CONTOUR_INTEGRAL,    // ∮
  GLYPH_UP_ARROW,            // ↑
  GLYPH_DOWN_ARROW,          // ↓
  GLYPH_VERTICAL_DOTS,       // ⋮
  GLYPH_LOW_END,
};

/// The text of each glyph, in the order of enum Glyph.
inline constexpr std::string_view kGlyphTexts[] = {
    "─", "│", "√", "╱", "╲", "⎛", "⎜", "⎝", "⎞", "⎟", "⎠", "⌠", "⎮", "⌡",
    "∇", "∞", "⋯", "≤", "≥", "→", "↪", "±", "∓", "×", "÷", "≠", "≈",
    "≡", "∼", "⇒", "∈",
    // Greek letters: alpha to omega, then the capitals that differ from
    // Latin ones.
    "α", "β", "γ", "δ", "ε", "ζ", "η", "θ", "ι", "κ", "λ", "μ", "ν", "ξ",
    "ο", "π", "ρ", "σ", "τ", "υ", "φ", "χ", "ψ", "ω",
    "Γ", "Δ", "Θ", "Λ", "Ξ", "Π", "Σ", "Φ", "Ψ", "Ω",
    "┬",
    // Pieces of tall brackets and braces, double bars and angle brackets.
    "⎡", "⎢", "⎣", "⎤", "⎥", "⎦", "⎧", "⎨", "⎩", "⎫", "⎬", "⎭", "⎪", "‖",
    "⟨", "⟩",
    // Letters and signs of the symbol table.
    "Υ", "∂", "ℓ", "ℏ", "ℜ", "ℑ", "ℵ", "∅", "∠", "°", "†", "∀", "∃", "¬",
    "∘", "⋆", "⊕", "⊗", "∧", "∨", "∩", "∪", "∖",
    "∉", "⊂", "⊆", "⊃", "⊇", "≃", "≅", "∝", "⊥", "≪", "≫",
    "←", "↦", "⇐", "⇔", "↔",
    // Corners of boxes and braces.
    "┌", "┐", "└", "┘",
    // More signs of the symbol table.
    "⋱", "⇀", "≲", "≳",
};
static_assert(GLYPH_END <= 0x100, "a glyph is one byte of a cell");
static_assert(std::size(kGlyphTexts) == GLYPH_END - GLYPH_FIRST);

/// The text of each glyph of the lower range, in the order of enum Glyph
/// from GLYPH_LOW_FIRST.
inline constexpr std::string_view kLowGlyphTexts[] = {
    // The main bar of a fraction over or under another, the dot of a
    // product, roots of a given index, a rule of neutral width.
    "━", "⋅", "∛", "∜", "⎯",
    // The rule under a sum sign.
    "‾",
    // Letters and signs of the symbol table.
    "℘", "△", "□", "◯", "⇌", "⨂", "⨁", "⋃", "⋂", "ı", "ȷ", "ℝ", "ℕ", "ℤ", "ℚ", "ℂ",
    // Floors and ceilings one row high, the contour integral's mark.
    "⌊", "⌋", "⌈", "⌉", "∮",
    "↑", "↓", "⋮",
};

/// The byte of the lower range's glyph i: 0x0a, which ends a row, is none.
constexpr unsigned low_glyph_byte(size_t i) {
  return static_cast<unsigned>(GLYPH_LOW_FIRST + i + (GLYPH_LOW_FIRST + i >= '\n' ? 1 : 0));
}
static_assert(GLYPH_LOW_END <= ' ', "the lower range ends before the blank");
static_assert(low_glyph_byte(std::size(kLowGlyphTexts)) == GLYPH_LOW_END);

/// Whether a cell byte may be a glyph: true of every glyph and of no
/// printable ASCII character. One comparison, for loops over every cell.
constexpr bool maybe_glyph(unsigned char byte) { return static_cast<unsigned char>(byte - ' ') >= '\x7f' - ' '; }

namespace canvas_detail {
// Every byte value, for the texts of the bytes that are not glyphs.
inline constexpr auto kBytes = [] {
  std::array<char, 256> bytes{};
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i);
  return bytes;
}();
// The text of each cell byte.
inline constexpr auto kCellTexts = [] {
  std::array<std::string_view, 256> texts{};
  for (size_t i = 0; i < texts.size(); ++i) texts[i] = std::string_view(&kBytes[i], 1);
  for (size_t i = 0; i < std::size(kGlyphTexts); ++i) texts[GLYPH_FIRST + i] = kGlyphTexts[i];
  for (size_t i = 0; i < std::size(kLowGlyphTexts); ++i) {
    texts[low_glyph_byte(i)] = kLowGlyphTexts[i];
  }
  return texts;
}();
}  // namespace canvas_detail

/// The UTF-8 text of a cell byte: a glyph's text, or the byte itself.
constexpr std::string_view glyph_text(unsigned char byte) { return canvas_detail::kCellTexts[byte]; }

/// The cell byte of one character written in UTF-8, at compile time: a
/// printable ASCII character is itself, another one its glyph's byte; a
/// character that is neither does not compile.
consteval char glyph(std::string_view utf8) {
  if (utf8.size() == 1 && !maybe_glyph(static_cast<unsigned char>(utf8[0]))) return utf8[0];
  for (size_t i = 0; i < std::size(kGlyphTexts); ++i) {
    if (kGlyphTexts[i] == utf8) return static_cast<char>(GLYPH_FIRST + i);
  }
  for (size_t i = 0; i < std::size(kLowGlyphTexts); ++i) {
    if (kLowGlyphTexts[i] == utf8) return static_cast<char>(low_glyph_byte(i));
  }
  throw "not a glyph";
}

/// A short text written in UTF-8 in the source, kept as a canvas keeps it:
/// one byte a character (see glyph()), converted at compile time.
class GlyphText {
 public:
  /// Implicit, so that a string literal stands where a GlyphText goes.
  template <size_t N>
  consteval GlyphText(const char (&utf8)[N]) {
    for (size_t i = 0; i + 1 < N;) {
      auto lead = static_cast<unsigned char>(utf8[i]);
      size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      if (size_ == kCapacity) throw "text too long";
      bytes_[size_++] = glyph(std::string_view(utf8 + i, length));
      i += length;
    }
  }
  constexpr operator std::string_view() const { return {bytes_, size_}; }
  constexpr int size() const { return static_cast<int>(size_); }

 private:
  static constexpr size_t kCapacity = 16;
  char bytes_[kCapacity] = {};
  size_t size_ = 0;
};

/// The characters of one bracket: the whole of a bracket one row high, then
/// the top, middle and bottom pieces of a taller one, and the piece of the
/// rows between them; with `between` 0 the rows above the middle one take
/// the top piece and those below it the bottom piece (an angle's sides).
struct BracketPieces {
  char single, top, middle, bottom, between;
};

/// A pair of brackets: the opening one and the closing one.
struct BracketShape {
  BracketPieces left, right;
};

namespace canvas_detail {
// Copies n bytes; the few bytes of most texts on a canvas are moved inline,
// with loads that may overlap, in place of a call.
inline void copy_bytes(char* to, const char* from, size_t n) {
  if (n >= 4 && n <= 16) {
    if (n >= 8) {
      std::uint64_t head, tail;
      std::memcpy(&head, from, 8);
      std::memcpy(&tail, from + n - 8, 8);
      std::memcpy(to, &head, 8);
      std::memcpy(to + n - 8, &tail, 8);
    } else {
      std::uint32_t head, tail;
      std::memcpy(&head, from, 4);
      std::memcpy(&tail, from + n - 4, 4);
      std::memcpy(to, &head, 4);
      std::memcpy(to + n - 4, &tail, 4);
    }
  } else if (n > 0 && n < 4) {
    char first = from[0], middle = from[n / 2], last = from[n - 1];
    to[0] = first;
    to[n / 2] = middle;
    to[n - 1] = last;
  } else if (n != 0) {
    std::memcpy(to, from, n);
  }
}
// Writes n copies of ch, short runs inline as copy_bytes does.
inline void fill_bytes(char* to, char ch, size_t n) {
  if (n > 0 && n <= 16) {
    if (n >= 8) {
      std::uint64_t word = 0x0101010101010101u * static_cast<unsigned char>(ch);
      std::memcpy(to, &word, 8);
      std::memcpy(to + n - 8, &word, 8);
    } else if (n >= 4) {
      std::uint32_t word = 0x01010101u * static_cast<unsigned char>(ch);
      std::memcpy(to, &word, 4);
      std::memcpy(to + n - 4, &word, 4);
    } else {
      to[0] = ch;
      to[n / 2] = ch;
      to[n - 1] = ch;
    }
  } else if (n != 0) {
    std::memset(to, ch, n);
  }
}
}  // namespace canvas_detail

/// Measurements of a canvas: height = ascent + 1 + descent.
struct Extent {
  int height;
  int width;    ///< length of the longest row
  int ascent;   ///< rows above row 0
  int descent;  ///< rows below row 0
};

/// Which row of a pasted canvas goes to the target row.
enum Alignment { ALIGN_BOTTOM = 0, ALIGN_TOP = 1, ALIGN_BASELINE = 2 };

/// Raised when the canvases of one drawing would hold more characters than
/// the drawing limit allows (see CanvasPool).
class DrawingTooLarge : public std::exception {
 public:
  /// The message of every statement whose drawing is too large.
  static constexpr const char* kMessage = "drawing too large";
  const char* what() const noexcept override { return kMessage; }
};

/// The most characters that the canvases of one drawing may hold in all:
/// every row counts its length, and at least one.
inline constexpr long kDrawingLimit = 1L << 26;

class Canvas;
/// Where the canvases of a drawing come from: released canvases kept for
/// reuse, and the count of characters held against kDrawingLimit. Each
/// drawing session has its own; a pool serves one thread at a time.
class CanvasPool {
 public:
  CanvasPool();
  ~CanvasPool();
  CanvasPool(const CanvasPool&) = delete;
  CanvasPool& operator=(const CanvasPool&) = delete;

  /// Starts a new drawing: the characters counted go back to zero.
  void reset_budget() { drawing_size_ = 0; }
  /// Characters counted since the drawing started.
  long drawing_size() const { return drawing_size_; }
  /// Counts n more characters; raises DrawingTooLarge past the limit.
  void charge(long n) {
    drawing_size_ += n;
    if (drawing_size_ > kDrawingLimit) throw DrawingTooLarge();
  }

 private:
  friend class CanvasRef;
  // A canvas with one empty row 0, charged for that row.
  Canvas* take();
  Canvas* make_canvas();
  // Keeps a canvas whose last handle went for reuse, or deletes it.
  void give(Canvas* canvas);

  // Characters held by the canvases of the drawing in progress, counted as
  // they come into being and never taken back, so that a drawing that would
  // exceed the limit is stopped before it allocates the excess.
  long drawing_size_ = 0;
  // Deletes a canvas that is not kept.
  static void discard(Canvas* canvas);

  // Released canvases, cut back to one empty row 0, waiting for reuse: as
  // many as kMaxSpare, in room made at once, so that releasing a canvas
  // never allocates and cannot fail.
  static constexpr size_t kMaxSpare = 64;
  std::array<Canvas*, kMaxSpare> spare_;
  size_t spare_count_ = 0;
};

class Canvas {
 public:
  /// One text row. Positions never written explicitly hold blanks.
  class Row {
   public:
    explicit Row(Canvas* canvas) : canvas_(canvas), pool_(canvas->pool_) {}
    Row(Row&& other) noexcept
        : chars_(std::exchange(other.chars_, nullptr)),
          length_(std::exchange(other.length_, 0)),
          capacity_(std::exchange(other.capacity_, 0)),
          canvas_(other.canvas_),
          pool_(other.pool_) {}
    Row& operator=(Row&&) = delete;
    ~Row() { delete[] chars_; }

    /// Writable character at column i; lengthens the row with blanks first.
    char& operator[](int i) {
      assert(i >= 0);
      if (i >= length_) extend(i, i + 1);
      return chars_[i];
    }
    /// Character at column i, which must lie within the row's text.
    char operator[](int i) const {
      assert(i >= 0 && i < length_);
      return chars_[i];
    }

    /// Copies src's whole text, blanks included, onto this row from column c.
    void paste(const Row& src, int c) {
      if (src.length_ != 0) put_text(src.text(), c);
    }
    /// Copies s onto this row from column c; an empty s still fills the
    /// row with blanks up to column c.
    void put_text(std::string_view s, int c) {
      int end = c + static_cast<int>(s.size());
      if (end > length_) extend(c, end);
      canvas_detail::copy_bytes(chars_ + c, s.data(), s.size());
    }

    int length() const { return length_; }
    std::string_view text() const { return {chars_, static_cast<size_t>(length_)}; }

   private:
    friend class Canvas;
    // Lengthens the row to column end - 1, with blanks from its old end to
    // column c - 1; what lies from c on is the caller's to write. The
    // growth is counted first: a row's first character was counted when
    // the row was made.
    void extend(int c, int end) {
      int grown = end - (length_ > 1 ? length_ : 1);
      if (grown > 0) pool_->charge(grown);
      if (end > capacity_) reserve(end);
      if (c > length_) canvas_detail::fill_bytes(chars_ + length_, ' ', static_cast<size_t>(c - length_));
      length_ = end;
      if (end > canvas_->width_) canvas_->width_ = end;
    }
    void reserve(int end);
    // Empties the row, keeping its storage unless it is large.
    void clear();
    void free_storage();

    char* chars_ = nullptr;
    int length_ = 0;
    int capacity_ = 0;
    Canvas* canvas_;    // told the row's length
    CanvasPool* pool_;  // the canvas's, charged for the row's growth
  };

  /// A canvas of one empty row, row 0, whose characters are counted in pool.
  explicit Canvas(CanvasPool& pool);
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  /// Row i, adding empty rows above or below so that it exists.
  Row& operator[](int i) {
    // A row above the first one is a k past every row.
    auto k = static_cast<size_t>(static_cast<long>(i) - first_row_);
    if (k >= count_) return add_rows(i);
    return top_row_[k];
  }
  /// Row i, which must exist.
  const Row& operator[](int i) const {
    assert(i >= first_row_ && i < first_row_ + nrows());
    return top_row_[static_cast<size_t>(i - first_row_)];
  }

  Extent extent() const {
    int height = nrows();
    return Extent{height, width_, -first_row_, first_row_ + height - 1};
  }
  int first_row() const { return first_row_; }
  int nrows() const { return static_cast<int>(count_); }

  /// Copies every row of src onto this canvas from column col; `align`
  /// says which row of src goes to `row`.
  void paste(const Canvas& src, int row, int col, Alignment align) {
    // A canvas of one row, row 0, goes to `row` whatever the alignment.
    if (src.count_ == 1) {
      (*this)[row].paste(src.top_row_[0], col);
    } else {
      paste_rows(src, row, col, align);
    }
  }
  /// Pastes src by its baseline at (row, col), or, when `bracketed`, at
  /// (row, col + 1) inside brackets of the given shape as tall as src.
  void paste_bracketed(const Canvas& src, int row, int col, bool bracketed,
                       const BracketShape& shape);
  void put_text(std::string_view s, int row, int col) { (*this)[row].put_text(s, col); }
  /// Writes s at the start of row 0 of a canvas that is still new, as
  /// put_text(s, 0, 0) would.
  void start_with(std::string_view s) {
    assert(count_ == 1 && first_row_ == 0 && top_row_->length_ == 0);
    auto n = static_cast<int>(s.size());
    if (n == 0) return;
    Row& row = *top_row_;
    pool_->charge(n - 1);  // the row's first character was counted with it
    if (n > row.capacity_) row.reserve(n);
    canvas_detail::copy_bytes(row.chars_, s.data(), s.size());
    row.length_ = n;
    width_ = n;
  }
  /// Writes text on row `row` from column col as pasting a canvas that
  /// holds only that text would, and counts what that canvas would have
  /// held: a drawing of one row needs no canvas of its own.
  void put_flat(std::string_view text, int row, int col) {
    pool_->charge(text.empty() ? 1 : static_cast<long>(text.size()));
    Row& target = (*this)[row];
    if (!text.empty()) target.put_text(text, col);
  }
  /// Writes the texts one under another, the first on row `row`, each from
  /// column col.
  template <class Texts>
  void put_rows(const Texts& texts, int row, int col) {
    for (std::string_view text : texts) put_text(text, row++, col);
  }
  /// Writes n copies of ch into the row from column col; nothing when n <= 0.
  void fill(int row, int col, int n, char ch);
  /// Writes n copies of ch down column col from row `row`; nothing when
  /// n <= 0.
  void vertical_line(int row, int col, int n, char ch);
  /// Writes n copies of ch on a line rising to the right from (row, col);
  /// nothing when n <= 0.
  void rising_line(int row, int col, int n, char ch);
  /// Draws brackets of the given shape over the n rows from row `row` down,
  /// in columns left and right.
  void brackets(int row, int left, int right, int n, const BracketShape& shape);
  /// Draws one bracket on the rows top to bottom, `width` columns wide from
  /// column col. Every tall bracket is drawn here.
  void bracket(const BracketPieces& pieces, int top, int bottom, int col, int width = 1);
  /// Adds empty rows above or below, so that rows top to bottom exist.
  void ensure_rows(int top, int bottom) {
    (*this)[top];
    (*this)[bottom];
  }

  /// Renumbers the rows so that the middle one (the lower of the two middle
  /// ones for an even count) becomes row 0.
  void center_baseline() { renumber(-(nrows() / 2)); }
  /// Renumbers the rows so that the top one becomes row `first_row`, which
  /// is at most 0 and leaves row 0 on the canvas; no text moves.
  void renumber(int first_row);

  /// Writes every row, top to bottom, each followed by a newline; with
  /// `glyphs`, glyph bytes as their UTF-8 text.
  void write(std::FILE* out, bool glyphs = false) const;
  /// Appends every row, top to bottom, each followed by a newline; with
  /// `glyphs`, glyph bytes as their UTF-8 text.
  void append_to(std::string& out, bool glyphs = false) const;
  /// Copies every row, each followed by a newline, as write() writes them,
  /// to the size bytes from out when they are sure to fit; returns the
  /// bytes copied, or 0 (and copies nothing) when they may not fit.
  size_t copy_to(char* out, size_t size, bool glyphs = false) const;

 private:
  friend class CanvasPool;
  friend class CanvasRef;

  Row& add_rows(int i);
  void paste_rows(const Canvas& src, int row, int col, Alignment align);
  // The rare growth of the row array: spares above row first_row_, or
  // rows_ made up to count rows.
  void make_room_above(size_t added);
  void make_rows_below(size_t count);
  void rotate_rows(size_t middle, size_t end);
  // Sets grown_large_ when the row array holds more than a kept canvas keeps.
  void note_row_count();
  /// Cuts the canvas back to one empty row 0, keeping its rows' storage
  /// (but for a row's large one); says whether the canvas is small enough
  /// to be kept for reuse.
  bool clear_for_reuse();
  // Lets go of the rows beyond the few that a reused canvas keeps.
  void drop_spare_rows();

  // The rows, top row first: rows_[top_ + k] is row first_row_ + k, up to
  // rows_[end_ - 1]. The rows before top_ are empty spares, so that rows
  // added above cost no more than rows added below, and a canvas starts
  // with a few; those from end_ on are emptied rows of an earlier drawing,
  // kept with their storage.
  std::vector<Row> rows_;
  CanvasPool* pool_;
  size_t top_ = 0;
  size_t end_ = 0;
  // &rows_[top_] and end_ - top_, kept for operator[]: see settle_rows().
  Row* top_row_ = nullptr;
  size_t count_ = 0;
  void settle_rows() {
    top_row_ = rows_.data() + top_;
    count_ = end_ - top_;
  }
  int first_row_ = 0;
  int width_ = 0;  // length of the longest row
  int share_count_ = 0;
  // Whether a row's storage or the row array has grown past what a canvas
  // kept for reuse keeps, so that clear_for_reuse() must cut it back.
  bool grown_large_ = false;
};

std::ostream& operator<<(std::ostream& out, const Canvas& canvas);

inline Canvas* CanvasPool::take() {
  charge(1);
  if (spare_count_ == 0) return make_canvas();
  Canvas* canvas = spare_[--spare_count_];
  VORNIX_UNPOISON(canvas, sizeof(Canvas));
  return canvas;
}

/// A shared handle to a canvas; the canvas is released with its last
/// handle. Released canvases go back to their pool for reuse, up to a few
/// small ones, so that drawing a statement seldom allocates.
class CanvasRef {
 public:
  /// A new canvas with one empty row, row 0, taken from pool.
  explicit CanvasRef(CanvasPool& pool) : canvas_(pool.take()) { canvas_->share_count_ = 1; }
  CanvasRef(const CanvasRef& other) : canvas_(other.canvas_) { ++canvas_->share_count_; }
  CanvasRef& operator=(const CanvasRef& other) {
    ++other.canvas_->share_count_;
    release();
    canvas_ = other.canvas_;
    return *this;
  }
  ~CanvasRef() { release(); }

  Canvas* get() const { return canvas_; }
  Canvas* operator->() const { return canvas_; }
  Canvas& operator*() const { return *canvas_; }

  /// Number of handles that share the canvas.
  int share_count() const { return canvas_->share_count_; }

 private:
  void release() {
    if (--canvas_->share_count_ == 0) canvas_->pool_->give(canvas_);
  }
  Canvas* canvas_;
};

#endif  // VORNIX_CANVAS_H_
