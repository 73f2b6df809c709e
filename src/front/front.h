// The driver's pieces: standard input and output as the library's source
// and sink, and the process-wide settings that only the program changes.
#ifndef VORNIX_FRONT_H_
#define VORNIX_FRONT_H_

#include "api/vornix.hpp"

/// Lets the stack grow to 64 MiB where the system allows it, whatever the
/// shell's default: drawing recurses once per level of a statement's
/// nesting, and a deeper stack lets deeper statements draw.
void raise_stack_limit();

/// Ends the program with status 2 and the system's reason on standard error
/// when a write to standard output has failed.
void check_output();

/// Standard input as it arrives: each read returns what is there, and
/// standard output is flushed before a read that may wait, so that every
/// drawing is out before vornix waits for the next line.
class StandardInput : public vornix::Source {
 public:
  size_t read(char* buf, size_t size) override;
};

/// Drawings, empty lines and messages on standard output, each drawing
/// after an empty line; remembers whether a statement nested too deeply
/// to parse.
class StandardOutput : public vornix::Sink {
 public:
  void drawing(int line, const vornix::DrawingView& drawing) override;
  void message(const vornix::Message& message) override;
  void empty_line(int line) override;
  /// "vornix: " and the warning on standard error.
  void warning(const vornix::Message& message) override;

  bool too_deep = false;
};

#endif  // VORNIX_FRONT_H_
