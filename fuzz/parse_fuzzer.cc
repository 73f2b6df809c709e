// Fuzz target: the whole path from input bytes to drawings, through the
// library. The bytes are one text handed to vornix_draw, then the same
// bytes read by a session as a stream, the way the program reads a pipe;
// only crashes, sanitizer reports, leaks and hangs count.
//
// An input whose first byte is 128 or more is drawn with upright radicals;
// that byte is still read, as a bad character. Each input is read both as
// the linear language and as LaTeX.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "vornix.hpp"

namespace {

class Bytes : public vornix::Source {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), left_(size) {}
  size_t read(char* buf, size_t size) override {
    size_t n = std::min(left_, size);
    std::memcpy(buf, data_, n);
    data_ += n;
    left_ -= n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t left_;
};

class Discard : public vornix::Sink {
 public:
  void drawing(int, const vornix::DrawingView& drawing) override {
    for (int i = 0; i < drawing.height(); ++i) size_ += drawing.row(i).size();
  }
  void message(const vornix::Message& m) override { size_ += m.text.size(); }
  void warning(const vornix::Message& m) override { size_ += m.text.size(); }
  void empty_line(int) override {}

 private:
  size_t size_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bool narrow = size != 0 && data[0] >= 128;
  for (bool latex : {false, true}) {
    vornix_options options{0, 0};
    if (narrow) options.flags |= VORNIX_NARROW_ROOTS;
    if (latex) options.flags |= VORNIX_LATEX;
    int status;
    char* text = vornix_draw(reinterpret_cast<const char*>(data), size, &options, &status);
    vornix_free(text);

    vornix::Options session_options;
    session_options.narrow_roots = narrow;
    session_options.latex = latex;
    vornix::Session session(session_options);
    Bytes input(data, size);
    Discard out;
    session.draw(input, out);
  }
  return 0;
}
