// The functions the JavaScript package calls: one call draws a text and
// hands back either its drawings or the first statement's message.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "vornix.hpp"

namespace {

// A copy of s in memory that the caller frees with free(), or null.
char* copy_out(const std::string& s) {
  char* out = static_cast<char*>(std::malloc(s.size() + 1));
  if (out != nullptr) std::memcpy(out, s.c_str(), s.size() + 1);
  return out;
}

}  // namespace

extern "C" {

// Draws length bytes of text with the VORNIX_ flags and width, and the
// LaTeX macros of macros_length bytes at macros. Stores the status, line
// and column of the first statement that did not draw in where[0..2]
// (status 0 when every one drew) and returns the text that vornix_draw
// returns, or that statement's message; null when memory runs out.
// where[3] gets the remarks on statements that drew, each as its line,
// column and message ended by a unit separator (0x1f), in a string the
// caller frees; null when there are none.
__attribute__((used, visibility("default")))
char* vornix_js_draw(const char* text, std::size_t length, unsigned flags, int width,
                     const char* macros, std::size_t macros_length, int* where) {
  vornix::Options options;
  options.narrow_roots = (flags & VORNIX_NARROW_ROOTS) != 0;
  options.unicode = (flags & VORNIX_UNICODE) != 0;
  options.latex = (flags & VORNIX_LATEX) != 0;
  options.markdown = (flags & VORNIX_MARKDOWN) != 0;
  options.width = width;
  where[0] = VORNIX_ERROR_MEMORY;
  where[1] = 0;
  where[2] = -1;
  where[3] = 0;
  try {
    if (macros_length > 0) options.macros.assign(macros, macros_length);
    vornix::Session session(options);
    vornix::Result result = session.draw(std::string_view(text, length));
    if (!result.warnings.empty()) {
      std::string remarks;
      for (const vornix::Error& w : result.warnings) {
        remarks += std::to_string(w.line) + '\x1f' + std::to_string(w.column) + '\x1f' +
                   w.message + '\x1f';
      }
      where[3] = static_cast<int>(reinterpret_cast<std::uintptr_t>(copy_out(remarks)));
    }
    // A Markdown document's formulas that do not draw are remarks on a
    // document that still draws, as in the Python module.
    if (result.status == vornix::Status::ok || result.errors.empty()) {
      where[0] = VORNIX_OK;
      return copy_out(result.text);
    }
    const vornix::Error& first = result.errors.front();
    where[0] = static_cast<int>(first.status);
    where[1] = first.line;
    where[2] = first.column;
    return copy_out(first.message);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // extern "C"
