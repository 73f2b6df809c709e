#include "front/front.h"

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

size_t StandardInput::read(char* buf, size_t size) {
  pollfd ready{0, POLLIN, 0};
  if (poll(&ready, 1, 0) == 0) {
    // Nothing to read yet: what was drawn goes out before the wait.
    std::fflush(stdout);
    check_output();
  }
  for (;;) {
    ssize_t n = ::read(0, buf, size);
    if (n >= 0) return static_cast<size_t>(n);
    // A read error ends the input, as its end does.
    if (errno != EINTR) return 0;
  }
}

void StandardOutput::drawing(int, const vornix::DrawingView& drawing) {
  putc_unlocked('\n', stdout);
  drawing.write(stdout);
  check_output();
}

void StandardOutput::message(const vornix::Message& message) {
  if (message.status == vornix::Status::too_deep) too_deep = true;
  fwrite_unlocked(message.text.data(), 1, message.text.size(), stdout);
  putc_unlocked('\n', stdout);
}

void StandardOutput::empty_line(int) { putc_unlocked('\n', stdout); }

// What was drawn before goes out first, so that both streams read in
// order when they go to the same place.
void StandardOutput::warning(const vornix::Message& message) {
  std::fflush(stdout);
  check_output();
  std::fprintf(stderr, "vornix: %.*s\n", static_cast<int>(message.text.size()),
               message.text.data());
}
