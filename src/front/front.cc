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
  if (out_ != nullptr) out_->pass_on();
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

namespace {
// Room for the held output, which goes on when the room runs out.
constexpr size_t kHeldBytes = 64 * 1024;
}  // namespace

StandardOutput::StandardOutput(bool held) : held_(held) {
  if (held_) held_bytes_ = std::make_unique_for_overwrite<char[]>(kHeldBytes);
}

StandardOutput::~StandardOutput() { pass_on(); }

void StandardOutput::pass_on() {
  if (held_size_ == 0) return;
  fwrite_unlocked(held_bytes_.get(), 1, held_size_, stdout);
  held_size_ = 0;
}

void StandardOutput::put(std::string_view bytes) {
  if (held_ && bytes.size() <= kHeldBytes - held_size_) {
    std::memcpy(held_bytes_.get() + held_size_, bytes.data(), bytes.size());
    held_size_ += bytes.size();
    return;
  }
  pass_on();
  fwrite_unlocked(bytes.data(), 1, bytes.size(), stdout);
}

void StandardOutput::put_newline() {
  if (held_ && held_size_ < kHeldBytes) {
    held_bytes_[held_size_++] = '\n';
  } else {
    pass_on();
    putc_unlocked('\n', stdout);
  }
}

// A drawing goes after an empty line. A drawing too large for the room
// left goes on with what is held, or alone when it is too large for all
// the room.
void StandardOutput::drawing(int, const vornix::DrawingView& drawing) {
  if (held_) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (held_size_ < kHeldBytes) {
        char* at = held_bytes_.get() + held_size_;
        size_t n = drawing.copy_to(at + 1, kHeldBytes - held_size_ - 1);
        if (n != 0) {
          *at = '\n';
          held_size_ += n + 1;
          return;
        }
      }
      if (held_size_ == 0) break;
      pass_on();
    }
  }
  putc_unlocked('\n', stdout);
  drawing.write(stdout);
}

void StandardOutput::message(const vornix::Message& message) {
  if (message.status == vornix::Status::too_deep) too_deep = true;
  put(message.text);
  put_newline();
}

void StandardOutput::empty_line(int) { put_newline(); }

// What was drawn before goes out first, so that both streams read in
// order when they go to the same place.
void StandardOutput::warning(const vornix::Message& message) {
  pass_on();
  std::fflush(stdout);
  std::fprintf(stderr, "vornix: %.*s\n", static_cast<int>(message.text.size()),
               message.text.data());
}

void StandardOutput::document(std::string_view bytes) { put(bytes); }
