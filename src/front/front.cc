#include "front/front.h"

#include <sys/resource.h>

#include <algorithm>
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

void raise_stack_limit() {
  constexpr rlim_t kStack = rlim_t{64} << 20;
  rlimit limit;
  if (getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur >= kStack) {
    return;
  }
  limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? kStack : std::min(kStack, limit.rlim_max);
  setrlimit(RLIMIT_STACK, &limit);
}
