// Fuzz target: the whole path from input bytes to printed drawings. The
// bytes are one standard-input text, read the way the driver reads a pipe;
// whatever vornix prints goes to /dev/null, so only crashes, sanitizer
// reports, leaks and hangs count.
//
// An input whose first byte is 128 or more is drawn with upright radicals
// (option -r); that byte is still read, as a bad character.
#include <sys/resource.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "expr/expr.h"
#include "front/front.h"
#include "language/language.h"
#define yylval token_value
#include "grammar.hh"

namespace {

const uint8_t* input_data = nullptr;
size_t input_left = 0;

int read_input(char* buf, int max_size) {
  size_t n = std::min(input_left, static_cast<size_t>(max_size));
  std::memcpy(buf, input_data, n);
  input_data += n;
  input_left -= n;
  return static_cast<int>(n);
}

// Reads what a "quit" statement left unread, up to the end of the input,
// so that the scanner starts the next input fresh.
void drain_input() {
  while (int token = next_token()) {
    if (token == INTEGER || token == REAL || token == SYMBOL || token == TRIG_NAME) {
      NodeDeleter()(token_value.expr);
    }
  }
}

// Drawing recurses once per level of nesting: like the driver, take a
// stack of 64 MiB where the hard limit allows it.
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

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  raise_stack_limit();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  input_data = data;
  input_left = size;
  wide_radicals = size == 0 || data[0] < 128;
  input_reader = read_input;
  // As the driver does: a parse stopped inside a line resumes after it.
  while (parse() != 0) skip_line();
  drain_input();
  return 0;
}
