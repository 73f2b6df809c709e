// The driver: options, the choice of input and the exit status; the
// prompt is in prompt.cc.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

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

}  // namespace

int main(int argc, char** argv) {
  raise_stack_limit();
  bool interactive = isatty(0) != 0;
  bool quiet = false;
  vornix::Options options;
  // "+": options stand before the first statement; later words are
  // statements even when they start with a minus sign.
  int option;
  while ((option = getopt(argc, argv, "+rqh")) != -1) {
    switch (option) {
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
      status = run_prompt(session, quiet);
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
