// Fuzz target: the whole path from input bytes to drawings, through the
// library. The bytes are one text handed to vornix_draw, then the same
// bytes read by a session as a stream, the way the program reads a pipe,
// and drawn in Unicode; only crashes, sanitizer reports, leaks and hangs
// count.
//
// An input whose first byte is 128 or more is drawn with upright radicals;
// that byte is still read, as a bad character. Memory is limited: while
// the library draws, allocations past a budget fail (std::bad_alloc), the
// budget set by the input's last byte, from 16 KiB to 4 MiB, so that
// allocation failures happen all along the way from input to drawing.
// The stream is fitted into a width from 10 to 120 set by the last byte,
// and a row wider than that counts as a crash.
// Each input is read as the linear language, as LaTeX, and as a Markdown
// document whose formulas are LaTeX. When its first line starts with a
// definition (\newcommand, \def, ...), that line is also the LaTeX macros
// that vornix_draw is given.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "vornix.hpp"

namespace {

// Bytes that the library may still allocate in this run; unlimited outside.
bool limited = false;
size_t budget = 0;

void* allocate(size_t size, bool nothrow) {
  if (limited) {
    if (size > budget) {
      if (nothrow) return nullptr;
      throw std::bad_alloc();
    }
    budget -= size;
  }
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr && !nothrow) throw std::bad_alloc();
  return block;
}

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
  explicit Discard(int width) : width_(width) {}
  void drawing(int, const vornix::DrawingView& drawing) override {
    for (int i = 0; i < drawing.height(); ++i) {
      // Every character takes one column: count all but UTF-8's
      // continuation bytes.
      size_t columns = 0;
      for (char byte : drawing.row(i)) columns += (byte & 0xC0) != 0x80;
      if (columns > static_cast<size_t>(width_)) __builtin_trap();
      size_ += columns;
    }
  }
  void message(const vornix::Message& m) override { size_ += m.text.size(); }
  void warning(const vornix::Message& m) override { size_ += m.text.size(); }
  void empty_line(int) override {}
  void document(std::string_view bytes) override { size_ += bytes.size(); }

 private:
  int width_;
  size_t size_ = 0;
};

// The input's first line when it starts with a definition: the macros of
// the LaTeX passes through vornix_draw.
std::string_view first_line_macros(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string_view line = text.substr(0, text.find('\n'));
  for (std::string_view definer : {"\\newcommand", "\\renewcommand", "\\def", "\\let",
                                   "\\DeclareMathOperator"}) {
    if (line.substr(0, definer.size()) == definer) return line;
  }
  return {};
}

}  // namespace

void* operator new(size_t size) { return allocate(size, false); }
void* operator new[](size_t size) { return allocate(size, false); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return allocate(size, true); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return allocate(size, true); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  budget = size_t{16} << (10 + (size == 0 ? 8 : data[size - 1] % 9));
  limited = true;
  bool narrow = size != 0 && data[0] >= 128;
  enum { linear, latex, markdown };
  for (int mode : {linear, latex, markdown}) {
    vornix_options options{0, 0, nullptr, 0};
    if (narrow) options.flags |= VORNIX_NARROW_ROOTS;
    if (mode == latex) options.flags |= VORNIX_LATEX;
    if (mode == markdown) options.flags |= VORNIX_MARKDOWN;
    std::string_view macros = first_line_macros(data, size);
    if (mode != linear && !macros.empty()) {
      options.flags |= VORNIX_MACROS;
      options.macros = macros.data();
      options.macros_length = macros.size();
    }
    int status;
    char* text = vornix_draw(reinterpret_cast<const char*>(data), size, &options, &status);
    vornix_free(text);

    try {
      int width = size != 0 ? 10 + data[size - 1] % 111 : 10;
      vornix::Options fitted;
      fitted.narrow_roots = narrow;
      fitted.latex = mode == latex;
      fitted.markdown = mode == markdown;
      fitted.unicode = true;
      fitted.width = width;
      vornix::Session session(fitted);
      Bytes input(data, size);
      Discard out(width);
      session.draw(input, out);
    } catch (const std::bad_alloc&) {
      // The input could not be held: the session gave up, as documented.
    }
  }
  limited = false;
  return 0;
}
