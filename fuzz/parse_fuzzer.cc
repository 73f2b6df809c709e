// Fuzz target: the whole path from input bytes to printed drawings. The
// bytes are one standard-input text, read the way the driver reads a pipe;
// whatever vornix prints goes to /dev/null, so only crashes, sanitizer
// reports, leaks and hangs count.
//
// An input whose first byte is 128 or more is drawn with upright radicals
// (option -r); that byte is still read, as a bad character.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "front/front.h"
#include "language/language.h"

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
  parse_input();
  // What a "quit" statement left unread would start the next input.
  skip_input();
  return 0;
}
