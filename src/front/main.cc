// The driver: options, the choice of input, the prompt loop and the exit
// status.
#include <dlfcn.h>
#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <readline/history.h>
#include <readline/readline.h>

#include "front/front.h"
#include "language/language.h"

namespace {

// The text that read_string delivers: an argument or a line from the
// editor, followed by one newline.
const char* input_text = nullptr;
size_t input_left = 0;
bool newline_sent = false;

int read_string(char* buf, int max_size) {
  if (input_left != 0) {
    size_t n = std::min(static_cast<size_t>(max_size), input_left);
    std::memcpy(buf, input_text, n);
    input_text += n;
    input_left -= n;
    return static_cast<int>(n);
  }
  if (!newline_sent) {
    buf[0] = '\n';
    newline_sent = true;
    return 1;
  }
  return 0;
}

int read_stdin(char* buf, int max_size) {
  return static_cast<int>(
      fread_unlocked(buf, 1, static_cast<size_t>(max_size), stdin));
}

int parse_string(const char* text) {
  input_text = text;
  input_left = std::strlen(text);
  newline_sent = false;
  input_reader = read_string;
  return parse_input();
}

// The usage text goes to standard output when asked for with --help, and
// to standard error, with status 1, for -h or a bad option.
[[noreturn]] void print_usage(std::FILE* out, int status) {
  std::fputs(
      "vornix version " VORNIX_VERSION " - ASCII art mathematics\n"
      "\n"
      "Usage: vornix [options]\n"
      "\n"
      "Options are:\n"
      "\n"
      "  -r, --narrow-roots   narrower radicals\n"
      "  -q, --quiet          quiet mode\n"
      "      --help           print this text\n"
      "      --version        print the version\n",
      out);
  if (out == stdout) {
    std::fflush(stdout);
    check_output();
  }
  std::exit(status);
}

int run_arguments(int count, char** texts) {
  int result = 0;
  for (int i = 0; i < count; ++i) result |= parse_string(texts[i]);
  return result;
}

int run_stdin() {
  input_reader = read_stdin;
  return parse_input();
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

int run_interactive() {
  LineEditor editor;
  if (!editor.loaded()) {
    std::fprintf(stderr, "vornix: cannot load the line editor: %s\n", dlerror());
    return 2;
  }
  if (!quiet) {
    std::puts("vornix version " VORNIX_VERSION);
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
    result = parse_string(line);
    std::free(line);
    std::fflush(stdout);
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  raise_stack_limit();
  interactive = isatty(0) != 0;
  // "+": options stand before the first statement; later words are
  // statements even when they start with a minus sign.
  enum { kHelp = 256, kVersion };
  static const option kLongOptions[] = {
      {"narrow-roots", no_argument, nullptr, 'r'},
      {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, kHelp},
      {"version", no_argument, nullptr, kVersion},
      {nullptr, 0, nullptr, 0},
  };
  int option;
  while ((option = getopt_long(argc, argv, "+rqh", kLongOptions, nullptr)) != -1) {
    switch (option) {
      case 'q':
        quiet = true;
        break;
      case 'r':
        wide_radicals = false;
        break;
      case kHelp:
        print_usage(stdout, 0);
      case kVersion:
        std::puts("vornix " VORNIX_VERSION);
        std::fflush(stdout);
        check_output();
        return 0;
      default:
        print_usage(stderr, 1);
    }
  }

  int status;
  if (optind < argc) {
    status = run_arguments(argc - optind, argv + optind);
  } else if (!interactive) {
    status = run_stdin();
  } else {
    status = run_interactive();
  }
  std::fflush(stdout);
  check_output();
  return status;
}
