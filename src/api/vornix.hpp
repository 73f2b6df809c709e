// vornix for C++: sessions that draw statements and hand each drawing over
// with its rows, width and baseline, and each error with its line.
//
//   vornix::Session session;
//   vornix::Result result = session.draw("x^2/2");
//   for (const vornix::Drawing& d : result.drawings)
//     for (const std::string& row : d.rows) std::cout << row << '\n';
//
// Threads: a Session serves one thread at a time; sessions share nothing,
// so each thread may draw with a session of its own. No call exits the
// program, writes to standard output or standard error, or changes a
// process-wide setting.
#ifndef VORNIX_HPP_
#define VORNIX_HPP_

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vornix.h"

namespace vornix {

/// How a statement ended; the codes of vornix.h.
enum class Status {
  ok = VORNIX_OK,
  input = VORNIX_ERROR_INPUT,          ///< a bad character or a syntax error
  too_large = VORNIX_ERROR_TOO_LARGE,  ///< "drawing too large"
  too_deep = VORNIX_ERROR_TOO_DEEP,    ///< "yacc stack overflow"
  memory = VORNIX_ERROR_MEMORY,        ///< "out of memory"
};

/// How to draw; the defaults are the program's without options.
struct Options {
  bool narrow_roots = false;  ///< upright radical signs
  bool unicode = false;       ///< Unicode drawings (UTF-8)
  bool latex = false;         ///< statements written in LaTeX
  /// Each input is a Markdown document: its text comes back as it is,
  /// with the LaTeX of each math span replaced by its drawing. A formula
  /// that does not draw stays as written, with a warning, and the status
  /// stays Status::ok.
  bool markdown = false;
  /// Columns to fit each drawing into: a wider one is broken between terms
  /// into pieces stacked in one drawing, whose baseline is the first
  /// piece's; 1 to 9 count as 10; 0 or less: no limit.
  int width = 0;
  /// With `unicode`: characters of neutral East Asian width only, for
  /// terminals that draw ambiguous ones two columns wide.
  bool ambiguous_wide = false;
  /// LaTeX macros that every input starts with: the text of definitions
  /// (\newcommand, \renewcommand, \providecommand, \def, \let,
  /// \DeclareMathOperator), over as many lines as they take, with %
  /// comments. An input's own definitions hold for the rest of it. When
  /// the text does not read (see check_macros), every input gets one
  /// message "macros: line L, column C: what" with Status::input, and
  /// nothing is drawn.
  std::string macros = {};
};

/// Whether text reads as LaTeX macro definitions for Options::macros; if
/// not, and message is not null, *message says where and why: "line L,
/// column C: what", L and C counted from 1, C in characters.
VORNIX_EXPORT bool check_macros(std::string_view text, std::string* message);

/// A drawing lent to a Sink: valid only during the call that hands it over.
class VORNIX_EXPORT DrawingView {
 public:
  int height() const;
  /// Columns of the widest row; each character takes one.
  int width() const;
  /// The baseline's row, counted from 0 at the top.
  int baseline() const;
  /// Row i's text (UTF-8), from 0 at the top, without trailing blanks.
  std::string row(int i) const;
  /// Appends every row, each followed by a newline.
  void append_to(std::string& out) const;
  /// Writes every row, each followed by a newline.
  void write(std::FILE* out) const;
  /// Copies every row, each followed by a newline, to the size bytes from
  /// out when they are sure to fit, and returns the bytes copied; returns 0
  /// and copies nothing when they may not fit. Room for
  /// (width() + 1) * height() * 4 + 3 bytes is always enough.
  std::size_t copy_to(char* out, std::size_t size) const;

 private:
  friend class Session;
  DrawingView(const void* canvas, bool glyphs) : canvas_(canvas), glyphs_(glyphs) {}
  const void* canvas_;
  bool glyphs_;  // Unicode characters stand in the canvas as glyph bytes
};

/// A message printed in place of a statement's drawing.
struct Message {
  Status status;
  std::string_view text;  ///< "syntax error", "bad character 'c'", ...
  int line;               ///< from 1 in each input
  int column;             ///< byte in the line where the fault was seen, from 0; -1 if none
};

/// Takes the outcome of each statement line, in input order. A function
/// that throws ends the input: nothing more reaches the sink, and the
/// session's draw passes the exception on once it has put away what it
/// held.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void drawing(int line, const DrawingView& drawing) = 0;
  /// A message; a bad line may have several.
  virtual void message(const Message& message) = 0;
  /// A line without a statement.
  virtual void empty_line(int line) = 0;
  /// A remark on a statement that still draws, with Status::ok: "unknown
  /// command \foo" for a LaTeX command drawn as written. Ignored unless
  /// overridden; vornix_draw's text has none.
  virtual void warning(const Message& message) { (void)message; }
  /// Bytes of a Markdown document, in order, with its formulas drawn: a
  /// session with Options::markdown hands its whole output here, and its
  /// warnings to warning(), each text starting with the formula's place.
  virtual void document(std::string_view bytes) { (void)bytes; }
};

/// Where the bytes of an input come from.
class Source {
 public:
  virtual ~Source() = default;
  /// Stores between 1 and size bytes in buf and returns how many, or 0 at
  /// the end of the input.
  virtual std::size_t read(char* buf, std::size_t size) = 0;
};

/// A drawing of one statement.
struct Drawing {
  int line;
  std::vector<std::string> rows;  ///< top row first
  int width;
  int baseline;                   ///< index in rows
};

/// A message of one statement.
struct Error {
  Status status;
  std::string message;
  int line;
  int column;
};

/// All that a text gives.
struct Result {
  Status status = Status::ok;    ///< of the first statement that did not draw
  std::vector<Drawing> drawings;
  std::vector<Error> errors;
  std::vector<Error> warnings;   ///< remarks on statements that drew
  std::string text;              ///< what vornix_draw returns for the text
};

/// Draws statements with one set of options, reusing its memory from one
/// statement to the next.
class VORNIX_EXPORT Session {
 public:
  explicit Session(const Options& options = {});
  ~Session();
  Session(Session&&) noexcept;
  Session& operator=(Session&&) noexcept;

  const Options& options() const;
  void set_options(const Options& options);

  /// Draws every statement of text, as the program draws one argument, and
  /// hands each outcome to sink. Returns the status of the first statement
  /// that did not draw, or Status::ok. A statement that runs out of memory
  /// gets the message "out of memory" (Status::memory), or "drawing too
  /// large" when its drawing did, and the next one is drawn as usual; only
  /// when the input cannot be held at all does draw throw std::bad_alloc,
  /// and the session is then ready for a new input.
  Status draw(std::string_view text, Sink& sink);
  /// The same for the statements read from source up to its end or a
  /// "quit" statement; nothing after "quit" is read. *quit, when given,
  /// tells whether "quit" ended it.
  Status draw(Source& source, Sink& sink, bool* quit = nullptr);
  /// Draws text and collects what it gives; throws std::bad_alloc when
  /// memory runs out for the result.
  Result draw(std::string_view text);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

/// The library's version, such as "0.3".
VORNIX_EXPORT const char* version();

}  // namespace vornix

#endif  // VORNIX_HPP_
