// The input language: the scanner that turns input bytes into tokens, and
// the parser that turns tokens into statement trees and prints them.
#ifndef VORNIX_LANGUAGE_H_
#define VORNIX_LANGUAGE_H_

/// Stores between 1 and max_size bytes of input in buf and returns how many
/// it stored, or returns 0 at the end of the input.
using InputReader = int (*)(char* buf, int max_size);

/// The reader through which the scanner takes its input; the driver
/// installs one before each parse.
extern InputReader input_reader;

/// The next token's code: a character's own code, a named token, or 0 at
/// the end of the input. For numbers and names it leaves the node it built
/// in the parser's token value. After the end of the input, the next call
/// starts a new input through the reader installed then.
int next_token();

/// Parses and draws statement lines until the input ends or a statement
/// "quit" is read. Returns 0, or 1 when the input ended inside a bad line
/// or the parse stack overflowed.
int parse();

/// Parses the installed input. A parse stopped inside a line (its stack
/// overflowed) resumes after that line, so that no later line is lost.
/// Returns 1 when any of the parses returned 1, else 0.
int parse_input();

/// Skips the rest of the current line when a parse stopped inside it, so
/// that the next parse starts with the next line.
void skip_line();

/// Reads and drops what is left of the installed input, such as the text
/// after a "quit" statement.
void skip_input();

/// Nesting depth beyond which a tree cannot be drawn within the drawing
/// limit: every level adds at least a row or a column to the drawing of the
/// level below, so the canvases of a tree of depth D hold at least D*D/4
/// characters.
inline constexpr int kMaxDrawableDepth = 16384;

#endif  // VORNIX_LANGUAGE_H_
