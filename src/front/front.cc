#include "front/front.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool interactive = false;
bool quiet = false;
bool wide_radicals = true;

void report_error(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::putchar('\n');
}

void check_output() {
  if (!std::ferror(stdout)) return;
  std::fprintf(stderr, "vornix: write error: %s\n", std::strerror(errno));
  std::exit(2);
}
