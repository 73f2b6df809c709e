// The driver: options, the choice of input, the prompt loop and the exit
// status.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <readline/history.h>
#include <readline/readline.h>

#include "front/front.h"

namespace {

[[noreturn]] void print_usage() {
  std::fputs(
      "vornix version 0.3 - ASCII art mathematics\n"
      "\n"
      "Usage: vornix [options]\n"
      "\n"
      "Options are:\n"
      "\n"
      "  -l   LaTeX input\n"
      "  -r   narrower radicals\n"
      "  -q   quiet mode\n",
      stderr);
  std::exit(1);
}

// Each argument is an input of its own: a "quit" in one drops the rest of
// that argument only.
int run_arguments(vornix::Session& session, int count, char** texts) {
  StandardOutput out;
  for (int i = 0; i < count; ++i) session.draw(texts[i], out);
  return out.too_deep ? 1 : 0;
}

int run_stdin(vornix::Session& session) {
  StandardInput in;
  StandardOutput out;
  session.draw(in, out);
  return out.too_deep ? 1 : 0;
}

// The line editor, loaded when the interactive mode starts: the other modes
// start without loading it and its terminal library, nearly as fast as a C
// program does.
class LineEditor {
 public:
  LineEditor() : library_(dlopen(VORNIX_READLINE_LIBRARY, RTLD_NOW)) {
    if (library_ == nullptr) return;
    readline_ = reinterpret_cast<decltype(readline_)>(dlsym(library_, "readline"));
    add_history_ = reinterpret_cast<decltype(add_history_)>(dlsym(library_, "add_history"));
  }
  // The library stays loaded until the program ends: what it allocated
  // stays reachable from its own variables.
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  bool loaded() const { return readline_ != nullptr && add_history_ != nullptr; }
  /// A new line without its newline, or null at the end of the input.
  char* read(const char* prompt) { return readline_(prompt); }
  void remember(const char* line) { add_history_(line); }

 private:
  void* library_;  // never closed
  decltype(&::readline) readline_ = nullptr;
  decltype(&::add_history) add_history_ = nullptr;
};

int run_interactive(vornix::Session& session, bool quiet) {
  LineEditor editor;
  if (!editor.loaded()) {
    std::fprintf(stderr, "vornix: cannot load the line editor: %s\n", dlerror());
    return 2;
  }
  if (!quiet) {
    std::puts("vornix version 0.3");
    std::fflush(stdout);
  }
  const char* prompt = quiet ? "" : "vornix> ";
  int result = 0;
  while (char* line = editor.read(prompt)) {
    if (line[0] == '\0') {
      std::free(line);
      continue;
    }
    if (std::strcmp(line, "quit") == 0) {
      std::free(line);
      break;
    }
    editor.remember(line);
    StandardOutput out;
    session.draw(line, out);
    result = out.too_deep ? 1 : 0;
    std::free(line);
    std::fflush(stdout);
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  raise_stack_limit();
  bool interactive = isatty(0) != 0;
  bool quiet = false;
  vornix::Options options;
  // "+": options stand before the first statement; later words are
  // statements even when they start with a minus sign.
  int option;
  while ((option = getopt(argc, argv, "+lrqh")) != -1) {
    switch (option) {
      case 'l':
        options.latex = true;
        break;
      case 'q':
        quiet = true;
        break;
      case 'r':
        options.narrow_roots = true;
        break;
      default:
        print_usage();
    }
  }

  vornix::Session session(options);
  int status;
  try {
    if (optind < argc) {
      status = run_arguments(session, argc - optind, argv + optind);
    } else if (!interactive) {
      status = run_stdin(session);
    } else {
      status = run_interactive(session, quiet);
    }
  } catch (const std::bad_alloc&) {
    // Only the scanner's buffer is left to fail here: no line can go on.
    std::fflush(stdout);
    std::fputs("vornix: out of memory\n", stderr);
    return 2;
  }
  std::fflush(stdout);
  check_output();
  return status;
}
