// Finding the mathematics in a Markdown document as it streams past: the
// document's bytes go out as they are, except each math span, which goes to
// a Formulas object to be drawn and comes back as its drawing.
#ifndef VORNIX_MARKDOWN_H_
#define VORNIX_MARKDOWN_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace markdown {

/// Where a formula starts in the document: line from 1, byte column from 0.
struct Place {
  int line;
  int column;
};

/// Draws the formulas that the scanner finds, and takes what it writes.
class Formulas {
 public:
  virtual ~Formulas() = default;
  /// Rows of the drawing of tex, a formula to stand as a block of its own,
  /// fitted into width columns (0: no limit); false when it does not draw.
  virtual bool display(std::string_view tex, int width, Place at, std::vector<std::string>& rows) = 0;
  /// The one-row form of tex, a formula inside a line of text; false when it
  /// does not draw.
  virtual bool inline_math(std::string_view tex, Place at, std::string& row) = 0;
  /// Bytes of the document, in order.
  virtual void write(std::string_view bytes) = 0;
};

/// Reads a document in pieces of any size and writes it to formulas, with
/// each math span replaced by its drawing. Text goes out as soon as no math
/// span can still take it: a line with no delimiter left open at its end is
/// written before the next piece is needed, and a display formula as soon as
/// it closes. A span left open for longer than kMaxHeld bytes is taken for
/// text, so memory stays bounded whatever the input.
class Scanner {
 public:
  /// width: the columns of the page, 0 for no limit; a display formula
  /// fits the width less its container's prefix.
  Scanner(Formulas& formulas, int width);
  ~Scanner();
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  void feed(std::string_view bytes);
  /// The end of the document: spans still open are text.
  void finish();

  struct State;

 private:
  std::unique_ptr<State> state_;
};

/// The most bytes a math span or a line is held for before it is taken for
/// text or written in pieces.
inline constexpr std::size_t kMaxHeld = std::size_t{1} << 20;

}  // namespace markdown

#endif  // VORNIX_MARKDOWN_H_
