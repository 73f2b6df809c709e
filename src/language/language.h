// The input language: the scanner that turns input bytes into tokens, and
// the parser that turns tokens into statement trees.
#ifndef VORNIX_LANGUAGE_H_
#define VORNIX_LANGUAGE_H_

#include <cstddef>
#include <memory>
#include <string_view>

#include "expr/expr.h"

namespace latex {
class Macros;
}

/// How a statement ended when it did not draw; the numbers are the
/// library's status codes.
enum class Status {
  ok = 0,
  input = 1,      ///< a bad character or a syntax error
  too_large = 2,  ///< "drawing too large"
  too_deep = 3,   ///< "yacc stack overflow": nested too deeply to parse
  memory = 4,     ///< out of memory
};

/// The whole message of a status that needs no more words: "drawing too
/// large" and "out of memory"; the others say what went wrong where.
constexpr std::string_view status_message(Status s) {
  return s == Status::too_large ? DrawingTooLarge::kMessage
         : s == Status::memory  ? "out of memory"
                                : "";
}

/// Where the bytes of an input come from.
class Source {
 public:
  virtual ~Source() = default;
  /// Stores between 1 and size bytes in buf and returns how many, or 0 at
  /// the end of the input.
  virtual size_t read(char* buf, size_t size) = 0;
  /// True when a read would return 0 without waiting: a source that knows
  /// spares the parser that last read.
  virtual bool at_end() const { return false; }
};

/// The bytes of a text followed by one newline: an argument, a line typed
/// at the prompt, a text handed to the library.
class TextSource : public Source {
 public:
  explicit TextSource(std::string_view text) : text_(text) {}
  size_t read(char* buf, size_t size) override;
  bool at_end() const override { return newline_sent_; }

 private:
  std::string_view text_;
  bool newline_sent_ = false;
};

/// Takes what the parser makes of an input, in input order. Lines are
/// counted from 1 in each input, columns from 0 in bytes.
class Listener {
 public:
  virtual ~Listener() = default;
  /// A statement line's tree, now the listener's.
  virtual void statement(Owned<> tree, int line) = 0;
  /// A line with no statement.
  virtual void empty_statement(int line) = 0;
  /// A message in place of a statement's drawing. column is where the
  /// token that caused it starts, or -1.
  virtual void error(Status status, std::string_view message, int line, int column) = 0;
  /// A remark on a statement that still draws, such as a LaTeX command
  /// that vornix does not know and draws as written; column as for error.
  virtual void warning(std::string_view message, int line, int column) {
    (void)message, (void)line, (void)column;
  }
};

/// The most bytes of one token; a longer one cannot be drawn within the
/// drawing limit, and its statement is "drawing too large".
inline constexpr long kMaxTokenLength = kDrawingLimit;

/// What the tree of one statement may cost before it is "drawing too
/// large": each token counts kTokenCost and its length. It bounds the
/// memory of a statement of any length to a few hundred MiB.
inline constexpr long kTokenCost = 128;
inline constexpr long kMaxStatementCost = 1L << 28;

/// Parses inputs one after the other, reusing its scanner and its buffers.
/// Each parser serves one thread at a time; parsers share nothing.
class Parser {
 public:
  Parser();
  ~Parser();
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  /// Parses the statement lines of source and hands each to listener,
  /// until the input ends or a statement "quit" is read; returns true in
  /// the second case. Nothing after "quit" is read. A line whose parse
  /// overflowed the parser's stack is reported and skipped; the next line
  /// is parsed as usual.
  bool parse(Source& source, Listener& listener);

  /// Ends the input being parsed: no more of it is read, and the parse
  /// returns once it has put away what it holds.
  void stop();

  /// The scanner alone: the next token's code and, for numbers and names,
  /// its node in *value (an Expression*), or 0 at the end of the input.
  /// For tests of the scanner; begin_scan starts an input.
  void begin_scan(Source& source, Listener& listener);
  int scan(void* value);

  /// What the scanner and the grammar share (language/parse_state.h).
  struct State;

 private:
  std::unique_ptr<State> state_;
};

/// Reads statements written in LaTeX, one formula a line, into the trees
/// that the linear language builds for the same meaning; the same contract
/// as Parser, "quit" on a line of its own included. A line that does not
/// parse gets one message, "syntax error at column C: WHAT" with C counted
/// in characters from 1; an unknown command is drawn as written and gets a
/// warning; a line that memory runs out for gets "out of memory". Each parser serves one thread at a time; parsers share nothing.
class LatexParser {
 public:
  LatexParser();
  ~LatexParser();
  LatexParser(const LatexParser&) = delete;
  LatexParser& operator=(const LatexParser&) = delete;

  /// Macros that an input defines (\newcommand, \def, ...) hold for the
  /// rest of that input; with keep_definitions, a new input goes on with
  /// those of the inputs before it, as the formulas of one document do.
  bool parse(Source& source, Listener& listener, bool keep_definitions = false);

  /// Macros that every input starts with, or null; the parser does not
  /// own them, and they must outlive its parses.
  void set_macros(const latex::Macros* macros);
  /// Drops the macros that inputs defined, before an input parsed with
  /// keep_definitions.
  void forget_definitions();

  /// Ends the input being parsed, from a listener's call: no more of it is
  /// read, and parse returns after the current line.
  void stop();

  /// Levels of recursion that a line may take, at most kMaxDrawableDepth,
  /// each taking up to kLatexStackPerLevel bytes of stack; a line nested
  /// deeper is "drawing too large". Each group, bracket, argument, operand
  /// and script counts one level or a few.
  void set_max_depth(int depth);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

/// Stack that one level of the LaTeX parser's recursion takes, with room
/// to spare.
#ifdef VORNIX_ADDRESS_SANITIZER
inline constexpr long kLatexStackPerLevel = 8192;
#else
inline constexpr long kLatexStackPerLevel = 2048;
#endif

/// The most bytes of one LaTeX line; a longer line is "drawing too large".
inline constexpr long kMaxLatexLine = kMaxTokenLength;

/// Nesting depth beyond which a tree cannot be drawn within the drawing
/// limit: every level adds at least a row or a column to the drawing of the
/// level below, so the canvases of a tree of depth D hold at least D*D/4
/// characters.
inline constexpr int kMaxDrawableDepth = 16384;

#endif  // VORNIX_LANGUAGE_H_
