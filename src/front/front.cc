#include "front/front.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool output_failed() {
  static bool reported = false;
  if (!std::ferror(stdout)) return false;
  if (!reported) std::fprintf(stderr, "vornix: write error: %s\n", std::strerror(errno));
  reported = true;
  return true;
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

int terminal_width() {
  if (isatty(1) == 0) return 0;
  winsize size{};
  if (ioctl(1, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  const char* columns = std::getenv("COLUMNS");
  if (columns == nullptr) return 0;
  char* end = nullptr;
  long n = std::strtol(columns, &end, 10);
  return end != columns && *end == '\0' && n > 0 && n <= 100000 ? static_cast<int>(n) : 0;
}

void follow_terminal_width(vornix::Session& session) {
  vornix::Options options = session.options();
  options.width = terminal_width();
  session.set_options(options);
}

size_t StandardInput::read(char* buf, size_t size) {
  if (follow_ != nullptr) follow_terminal_width(*follow_);
  pollfd ready{0, POLLIN, 0};
  if (poll(&ready, 1, 0) == 0) {
    // Nothing to read yet: what was drawn goes out before the wait.
    std::fflush(stdout);
  }
  if (std::ferror(stdout)) return 0;
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
  std::fprintf(stderr, "vornix: %.*s\n", static_cast<int>(message.text.size()),
               message.text.data());
}

void StandardOutput::document(std::string_view bytes) {
  fwrite_unlocked(bytes.data(), 1, bytes.size(), stdout);
}
