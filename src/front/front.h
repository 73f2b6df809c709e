// The driver's pieces: standard input and output as the library's source
// and sink, and the process-wide settings that only the program changes.
#ifndef VORNIX_FRONT_H_
#define VORNIX_FRONT_H_

#include <cstddef>
#include <memory>
#include <string_view>

#include "api/vornix.hpp"

/// Lets the stack grow to 64 MiB where the system allows it, whatever the
/// shell's default: drawing recurses once per level of a statement's
/// nesting, and a deeper stack lets deeper statements draw.
void raise_stack_limit();

/// Whether a write to standard output has failed; if so, says why on
/// standard error, once. The program then ends with status 2.
bool output_failed();

/// The columns of the terminal on standard output: its window's width, or
/// else the COLUMNS variable; 0 when standard output is not a terminal or
/// neither tells.
int terminal_width();

/// Sets the session's width to the terminal's, so that drawings follow a
/// resized window.
void follow_terminal_width(vornix::Session& session);

/// Drawings, empty lines and messages on standard output, each drawing
/// after an empty line; remembers whether a statement nested too deeply
/// to parse. Held output gathers here and goes to standard output in
/// large writes: when much has gathered, before a warning, at pass_on()
/// and at the end; otherwise each piece goes to standard output at once.
class StandardOutput : public vornix::Sink {
 public:
  explicit StandardOutput(bool held = false);
  ~StandardOutput() override;
  StandardOutput(const StandardOutput&) = delete;
  StandardOutput& operator=(const StandardOutput&) = delete;

  void drawing(int line, const vornix::DrawingView& drawing) override;
  void message(const vornix::Message& message) override;
  void empty_line(int line) override;
  /// "vornix: " and the warning on standard error.
  void warning(const vornix::Message& message) override;
  /// A Markdown document's bytes, as they are.
  void document(std::string_view bytes) override;
  /// Hands what is held to standard output's own buffer.
  void pass_on();

  bool too_deep = false;

 private:
  void put(std::string_view bytes);
  void put_newline();

  bool held_;
  std::unique_ptr<char[]> held_bytes_;  // room for kHeldBytes when held_
  size_t held_size_ = 0;
};

/// Standard input as it arrives: each read returns what is there, and
/// standard output is flushed before a read that may wait, so that every
/// drawing is out before vornix waits for the next line. Once a write to
/// standard output has failed, the input ends.
/// With a session to follow, its width is set to the terminal's before
/// each read; with an output that holds, what it holds goes on before each
/// read.
class StandardInput : public vornix::Source {
 public:
  explicit StandardInput(vornix::Session* follow = nullptr, StandardOutput* out = nullptr)
      : follow_(follow), out_(out) {}
  size_t read(char* buf, size_t size) override;

 private:
  vornix::Session* follow_;
  StandardOutput* out_;
};

/// Reads statements typed at the interactive prompt and draws them, until
/// "quit" or the end of the input (prompt.cc). Returns the exit status:
/// that of the last statement line, or 2 when the line editor cannot be
/// loaded. With follow_terminal, drawings fit the terminal's width, looked
/// up before each line, until a :width command says otherwise.
int run_prompt(vornix::Session& session, bool quiet, bool follow_terminal);

#endif  // VORNIX_FRONT_H_
