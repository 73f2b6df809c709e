// The driver: options, the choice of input and the exit status; the
// prompt is in prompt.cc.
#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "front/front.h"

namespace {

// The usage text goes to standard output when asked for with --help, and
// to standard error, with status 1, for -h or a bad option.
[[noreturn]] void print_usage(std::FILE* out, int status) {
  std::fputs(
      "vornix version " VORNIX_VERSION_STRING " - ASCII art mathematics\n"
      "\n"
      "Usage: vornix [options]\n"
      "\n"
      "Options are:\n"
      "\n"
      "  -l, --latex          LaTeX input\n"
      "  -m, --markdown       Markdown documents: draw the math in them\n"
      "  -r, --narrow-roots   narrower radicals\n"
      "  -q, --quiet          quiet mode\n"
      "  -u, --unicode        Unicode drawings (UTF-8)\n"
      "      --ambiguous-wide Unicode drawings for terminals that show East Asian\n"
      "                       ambiguous characters two columns wide\n"
      "  -w, --width=N        fit drawings into N columns (0: never break)\n"
      "      --macros=FILE    LaTeX macros (\\newcommand, \\def, ...) for every input\n"
      "      --help           print this text\n"
      "      --version        print the version\n",
      out);
  std::fflush(out);
  std::exit(out == stdout && output_failed() ? 2 : status);
}

// A width of N columns: a decimal number from 0 up.
bool parse_width(const char* text, int& width) {
  if (*text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  long n = std::strtol(text, &end, 10);
  if (*end != '\0' || errno != 0 || n > INT_MAX) return false;
  width = static_cast<int>(n);
  return true;
}

// The LaTeX macros of a file, which must read as definitions; a file that
// cannot be read or does not read ends the program with status 1.
std::string read_macros(const char* path) {
  std::string text;
  int error = 0;
  if (std::FILE* file = std::fopen(path, "rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) text.append(buf, n);
    if (std::ferror(file)) error = errno;
    std::fclose(file);
  } else {
    error = errno;
  }
  if (error != 0) {
    std::fprintf(stderr, "vornix: %s: %s\n", path, std::strerror(error));
    std::exit(1);
  }
  std::string message;
  if (!vornix::check_macros(text, &message)) {
    std::fprintf(stderr, "vornix: %s: %s\n", path, message.c_str());
    std::exit(1);
  }
  return text;
}

// Without -w, drawings follow the width of the terminal on standard output,
// looked up again before each input is drawn; on anything else they are
// never broken.
bool follow_terminal = false;

// Each argument is an input of its own: a "quit" in one drops the rest of
// that argument only.
int run_arguments(vornix::Session& session, int count, char** texts) {
  StandardOutput out;
  for (int i = 0; i < count && !std::ferror(stdout); ++i) {
    if (follow_terminal) follow_terminal_width(session);
    session.draw(texts[i], out);
  }
  return out.too_deep ? 1 : 0;
}

int run_stdin(vornix::Session& session) {
  // The drawings of a stream are held and go out in large writes, before
  // each read at the latest.
  StandardOutput out(true);
  StandardInput in(follow_terminal ? &session : nullptr, &out);
  session.draw(in, out);
  return out.too_deep ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  raise_stack_limit();
  bool interactive = isatty(0) != 0;
  bool quiet = false;
  vornix::Options options;
  // VORNIX_MARKDOWN=1 makes -m the default, for programs that pipe
  // documents through vornix.
  const char* markdown = std::getenv("VORNIX_MARKDOWN");
  options.markdown = markdown != nullptr && *markdown != '\0' && std::strcmp(markdown, "0") != 0;
  bool width_given = false;
  // "+": options stand before the first statement; later words are
  // statements even when they start with a minus sign.
  enum { kHelp = 256, kVersion, kAmbiguousWide, kMacros };
  static const option kLongOptions[] = {
      {"latex", no_argument, nullptr, 'l'},
      {"markdown", no_argument, nullptr, 'm'},
      {"narrow-roots", no_argument, nullptr, 'r'},
      {"quiet", no_argument, nullptr, 'q'},
      {"unicode", no_argument, nullptr, 'u'},
      {"ambiguous-wide", no_argument, nullptr, kAmbiguousWide},
      {"width", required_argument, nullptr, 'w'},
      {"macros", required_argument, nullptr, kMacros},
      {"help", no_argument, nullptr, kHelp},
      {"version", no_argument, nullptr, kVersion},
      {nullptr, 0, nullptr, 0},
  };
  int option;
  while ((option = getopt_long(argc, argv, "+lmrquhw:", kLongOptions, nullptr)) != -1) {
    switch (option) {
      case 'l':
        options.latex = true;
        break;
      case 'm':
        options.markdown = true;
        break;
      case 'w':
        if (!parse_width(optarg, options.width)) {
          std::fprintf(stderr, "vornix: bad width '%s'\n", optarg);
          print_usage(stderr, 1);
        }
        width_given = true;
        break;
      case 'q':
        quiet = true;
        break;
      case 'r':
        options.narrow_roots = true;
        break;
      case 'u':
        options.unicode = true;
        break;
      case kAmbiguousWide:
        options.unicode = true;
        options.ambiguous_wide = true;
        break;
      case kMacros:
        options.macros = read_macros(optarg);
        break;
      case kHelp:
        print_usage(stdout, 0);
      case kVersion:
        std::puts("vornix " VORNIX_VERSION_STRING);
        std::fflush(stdout);
        return output_failed() ? 2 : 0;
      default:
        print_usage(stderr, 1);
    }
  }

  follow_terminal = !width_given && isatty(1) != 0;
  vornix::Session session(options);
  int status;
  try {
    if (optind < argc) {
      status = run_arguments(session, argc - optind, argv + optind);
    } else if (!interactive || options.markdown) {
      status = run_stdin(session);
    } else {
      status = run_prompt(session, quiet, follow_terminal);
    }
  } catch (const std::bad_alloc&) {
    // Only the scanner's buffer is left to fail here: no line can go on.
    std::fflush(stdout);
    std::fputs("vornix: out of memory\n", stderr);
    return 2;
  }
  std::fflush(stdout);
  return output_failed() ? 2 : status;
}
