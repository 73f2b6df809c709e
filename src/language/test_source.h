// For the language's tests: a text as a source that hands it out in reads
// of at most `chunk` bytes, with no newline added, so that tokens and lines
// span reads.
#ifndef VORNIX_LANGUAGE_TEST_SOURCE_H_
#define VORNIX_LANGUAGE_TEST_SOURCE_H_

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "language/language.h"

class ChunkedText : public Source {
 public:
  ChunkedText(std::string text, size_t chunk) : text_(std::move(text)), chunk_(chunk) {}
  size_t read(char* buf, size_t size) override {
    size_t n = std::min({text_.size() - offset_, size, chunk_});
    std::memcpy(buf, text_.data() + offset_, n);
    offset_ += n;
    return n;
  }

 private:
  std::string text_;
  size_t chunk_;
  size_t offset_ = 0;
};

#endif  // VORNIX_LANGUAGE_TEST_SOURCE_H_
