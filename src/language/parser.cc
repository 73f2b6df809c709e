// The reader in front of the scanner and the bookkeeping of a parse.
#include <algorithm>
#include <cstring>

#include "language/parse_state.h"

size_t TextSource::read(char* buf, size_t size) {
  if (!text_.empty()) {
    size_t n = std::min(size, text_.size());
    std::memcpy(buf, text_.data(), n);
    text_.remove_prefix(n);
    return n;
  }
  if (newline_sent_ || size == 0) return 0;
  buf[0] = '\n';
  newline_sent_ = true;
  return 1;
}

size_t Parser::State::read(char* buf, size_t size, long partial_token) {
  if (partial_token > kMaxTokenLength) {
    // End the token here; the scanner is restarted on the rest.
    cut = true;
    return 0;
  }
  if (ended) return 0;
  if (delivered == after_newline && !soft_end) {
    // The scanner asks for the byte after a newline that ends all it has:
    // an end of the reader's own lets it return the newline at once, and
    // the line is done before the next is read. A source that knows it has
    // no more spares the read.
    if (source->at_end()) {
      ended = true;
    } else {
      soft_end = true;
    }
    return 0;
  }
  soft_end = false;
  // Reads go on until a newline has come or the buffer is full: the
  // scanner moves a long token's text at each read, so a read must not
  // stop at what a pipe happens to hold. None waits for bytes that the
  // line before them does not need.
  size_t filled = 0;
  while (filled < size) {
    char* part = buf + filled;
    size_t n = source->read(part, size - filled);
    if (n == 0) {
      // A terminal's end of input is asked for once.
      ended = true;
      break;
    }
    if (skipping) {
      // Drop what comes before the end of the line, keep the newline.
      auto* newline = static_cast<char*>(std::memchr(part, '\n', n));
      if (newline == nullptr) continue;
      skipping = false;
      n -= static_cast<size_t>(newline - part);
      std::memmove(part, newline, n);
    }
    filled += n;
    if (auto* last = static_cast<char*>(memrchr(part, '\n', n))) {
      after_newline = delivered + (last - buf) + 1;
      break;
    }
    if (source->at_end()) {
      ended = true;
      break;
    }
  }
  delivered += static_cast<long>(filled);
  return filled;
}

void Parser::State::report(Status status, std::string_view message) {
  listener->error(status, message, line, column());
}

void Parser::State::drop_line(Status status, std::string_view message) {
  if (!line_failed) report(status, message);
  // The line's newline has been read already (a rule reduced at the end
  // of the line failed): the next line is not to be touched.
  if (!line_open) return;
  line_failed = true;
  dropping = true;
  // Bytes not yet handed to the scanner are dropped by the reader, unless
  // the line's newline is among those handed over.
  if (after_newline <= token_offset() + token_length) skipping = true;
}

long Parser::State::token_offset() const { return scanned_offset(scanner); }

void Parser::State::begin(Source& new_source, Listener& new_listener) {
  source = &new_source;
  listener = &new_listener;
  delivered = 0;
  after_newline = -1;
  skipping = cut = soft_end = ended = false;
  token_length = 0;
  line_start = next_line_start = 0;
  line = 1;
  newline_pending = attention = line_open = false;
  cost = 0;
  dropping = line_failed = false;
  quit = false;
  stopped = false;
  if (broken) {
    // A scanner that ran out of memory is made anew.
    destroy_scanner(scanner);
    scanner = nullptr;
    broken = false;
  }
  if (scanner == nullptr) scanner = make_scanner(this);
  restart_scanner(scanner);
}

Parser::Parser() : state_(std::make_unique<State>()) {}
Parser::~Parser() = default;

void Parser::stop() { state_->stopped = state_->attention = true; }

void Parser::begin_scan(Source& source, Listener& listener) {
  state_->begin(source, listener);
}

int Parser::scan(void* value) { return next_token(value, *state_); }
