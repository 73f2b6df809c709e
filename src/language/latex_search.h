// Finding the few bytes that tell something in a LaTeX line, 16 bytes at
// a time where the target has vector compares, and one at a time where it
// has none.
#ifndef VORNIX_LANGUAGE_LATEX_SEARCH_H_
#define VORNIX_LANGUAGE_LATEX_SEARCH_H_

#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace latex {

/// The places of the bytes Marks in a text. A text shorter than 16 bytes
/// is searched in a copy that blanks fill out.
template <char... Marks>
class MarkSearch {
  static_assert(((Marks != ' ') && ...), "blanks fill out a short text");

 public:
  explicit MarkSearch(std::string_view text)
      : text_(text.data()), size_(text.size()), searched_(text.size()) {
    if (size_ < kBlock) {
      std::memset(padded_, ' ', kBlock);
      copy_short(text.data());
      text_ = padded_;
      searched_ = kBlock;
    }
  }
  MarkSearch(const MarkSearch&) = delete;
  MarkSearch& operator=(const MarkSearch&) = delete;

  /// Where the first of the marks from i on stands, or the text's size.
  size_t next(size_t i) const {
    for (; i + kBlock <= searched_; i += kBlock) {
      if (unsigned found = marks_at(i)) return i + first(found);
    }
    if (i >= searched_) return size_;
    // The last block, the bytes before i left out.
    size_t last = searched_ - kBlock;
    unsigned found = marks_at(last) >> (i - last);
    return found == 0 ? size_ : i + first(found);
  }

 private:
  static constexpr size_t kBlock = 16;

  // Copies the text into the padded block in two pieces of a fixed size
  // that may overlap, which take no call.
  void copy_short(const char* from) {
    if (size_ >= 8) {
      std::memcpy(padded_, from, 8);
      std::memcpy(padded_ + size_ - 8, from + size_ - 8, 8);
    } else if (size_ >= 4) {
      std::memcpy(padded_, from, 4);
      std::memcpy(padded_ + size_ - 4, from + size_ - 4, 4);
    } else {
      for (size_t k = 0; k < size_; ++k) padded_[k] = from[k];
    }
  }

  static size_t first(unsigned found) { return static_cast<size_t>(std::countr_zero(found)); }

  // The marks among the block at i, a bit each from the first byte's
  // lowest bit.
  unsigned marks_at(size_t i) const {
    const char* p = text_ + i;
#if defined(__SSE2__)
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i found = _mm_setzero_si128();
    ((found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(Marks)))), ...);
    return static_cast<unsigned>(_mm_movemask_epi8(found));
#else
    unsigned found = 0;
    for (unsigned k = 0; k < kBlock; ++k) {
      if (((p[k] == Marks) || ...)) found |= 1u << k;
    }
    return found;
#endif
  }

  const char* text_;
  size_t size_;
  size_t searched_;  // bytes that may be read: the padded copy's, for a short text
  char padded_[kBlock];
};

/// The end of the run of letters A to Z and a to z that starts at
/// text[i], no further than size: a command's name. Names are read 16
/// bytes at a time while as many are left.
inline size_t letters_end(const char* text, size_t i, size_t size) {
#if defined(__SSE2__)
  for (; i + 16 <= size; i += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    // A letter with the bit of the case set is one of a to z: at most 25
    // past a, counted without sign.
    __m128i past_a = _mm_sub_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    __m128i letter = _mm_cmpeq_epi8(_mm_min_epu8(past_a, _mm_set1_epi8(25)), past_a);
    auto others = static_cast<unsigned>(~_mm_movemask_epi8(letter) & 0xffff);
    if (others != 0) return i + static_cast<size_t>(std::countr_zero(others));
  }
#endif
  while (i < size && static_cast<unsigned char>((text[i] | 0x20) - 'a') < 26) ++i;
  return i;
}

}  // namespace latex

#endif  // VORNIX_LANGUAGE_LATEX_SEARCH_H_
