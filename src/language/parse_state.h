// What the scanner and the parser of one Parser share while they read an
// input: the reader in front of the scanner, the position of the current
// token, and what the current statement has cost.
#ifndef VORNIX_LANGUAGE_PARSE_STATE_H_
#define VORNIX_LANGUAGE_PARSE_STATE_H_

#include <string_view>

#include "language/language.h"

struct ScannerSlots;

struct Parser::State {
  State();
  ~State();

  /// Hands the scanner up to size bytes of the source (YY_INPUT).
  /// partial_token is how many bytes of an unfinished token the scanner
  /// holds: past kMaxTokenLength the input is cut short, so that the
  /// token ends there.
  size_t read(char* buf, size_t size, long partial_token);

  /// Where the scanner's last match starts in the input, in bytes.
  long token_offset() const;
  int column() const { return static_cast<int>(token_offset() - line_start); }
  /// Once the parser has taken a line's newline, the tokens that follow
  /// are on the next line.
  void begin_line() {
    newline_pending = false;
    ++line;
    line_start = next_line_start;
  }

  /// Reports a message for the current line at the current token.
  void report(Status status, std::string_view message);

  /// Counts a token against the statement's cost; false past
  /// kMaxStatementCost. (A token longer than kMaxTokenLength is TOO_LARGE
  /// from the scanner.)
  bool charge(long length) {
    cost += kTokenCost + length;
    return cost <= kMaxStatementCost;
  }
  /// Gives up the current line with a message, unless it has had one
  /// already: its remaining tokens are dropped.
  void drop_line(Status status, std::string_view message);
  void too_large() { drop_line(Status::too_large, status_message(Status::too_large)); }
  void out_of_memory() { drop_line(Status::memory, status_message(Status::memory)); }

  /// Starts a new input: no byte of the previous one is kept.
  void begin(Source& new_source, Listener& new_listener);

  NodePool nodes;           // first: it outlives every node
  void* scanner = nullptr;  // flex's yyscan_t, made when an input begins
  ScannerSlots* slots = nullptr;  // memory the scanner keeps
  Source* source = nullptr;
  Listener* listener = nullptr;

  // The reader.
  long delivered = 0;        // bytes handed to the scanner
  long after_newline = -1;   // offset just after the last newline handed over
  bool skipping = false;     // bytes are dropped up to the next newline
  bool cut = false;          // the input was cut short after a long token
  bool soft_end = false;     // the reader ended a read at a newline
  bool ended = false;        // the source has come to its end

  // The scanner's position.
  int token_length = 0;      // bytes of the last match
  long line_start = 0;
  long next_line_start = 0;  // just after the newline last matched
  int line = 1;
  bool newline_pending = false;  // a newline was matched: a line begins
  // newline_pending or stopped: one test tells the next token that it has
  // more to do than scan.
  bool attention = false;
  bool line_open = false;    // a token other than a newline since the last one

  // The current statement.
  long cost = 0;
  bool dropping = false;     // tokens are dropped up to the end of the line
  bool line_failed = false;  // the line has had a message
  bool quit = false;         // a statement "quit" ended the input
  bool broken = false;       // the scanner ran out of memory: the input ends
  bool stopped = false;      // the listener asked for the input to end
};

/// A new scanner for state, or std::bad_alloc.
void* make_scanner(Parser::State* state);
void destroy_scanner(void* scanner);
/// Starts the scanner on a fresh buffer, keeping nothing of the last input.
void restart_scanner(void* scanner);
/// Where the scanner's last match starts, counted in the bytes handed to it.
long scanned_offset(void* scanner);
/// The next token for the parser, with the line bookkeeping done: tokens
/// of a line being dropped are deleted here and never reach the parser.
int next_token(void* value, Parser::State& state);
/// Deletes the node that a value token carries.
void drop_token(int token, void* value);

#endif  // VORNIX_LANGUAGE_PARSE_STATE_H_
