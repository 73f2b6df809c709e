// Reading LaTeX lines: each line of the input is one formula, its
// wrappers and comment taken away, parsed and handed to the listener.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "language/latex_macros.h"
#include "language/latex_parser.h"
#include "language/latex_search.h"

namespace latex {

LineFacts read_line(std::string_view line, const Macros& defined, const Macros* base) {
  LineFacts facts;
  const char* text = line.data();
  size_t size = line.size();
  // The bytes that tell something: a comment's %, an & and a backslash.
  MarkSearch<'%', '&', '\\'> marks(line);
  size_t i = 0;
  while ((i = marks.next(i)) < size) {
    char c = text[i];
    // A % starts the comment, unless a backslash before it takes it as
    // its control symbol, \%, a percent sign.
    if (c == '%') break;
    if (c == '&') {
      facts.rows = true;
      ++i;
      continue;
    }
    size_t k = letters_end(text, i + 1, size);
    if (k == i + 1) {
      // A control symbol: \\, \% and the like.
      facts.rows = facts.rows || (k < size && text[k] == '\\');
      i = k + 1;
      continue;
    }
    std::string_view name(text + i + 1, k - i - 1);
    facts.rows = facts.rows || name == "tag";
    facts.macros = facts.macros || is_macro_name(name, defined, base);
    i = k;
  }
  facts.end = std::min(i, size);
  return facts;
}

// The formula of a line whose comment is cut off: its blanks, the $ $,
// $$ $$, \( \) or \[ \] around it and a last \\ taken away.
void strip(std::string_view line, size_t& begin, size_t& end) {
  begin = 0;
  end = line.size();
  // Most lines are the formula alone: no blank, $, \( or \[ starts them,
  // and no blank or backslash ends them.
  if (end > 0 && !is_blank(line.front()) && line.front() != '$' &&
      !(line.front() == '\\' && end > 1 && (line[1] == '(' || line[1] == '[')) &&
      !is_blank(line.back()) && line.back() != '\\') {
    return;
  }
  // A blank after an odd number of backslashes is a control space, "\ ".
  auto control_space = [&](size_t i) {
    size_t slashes = 0;
    while (slashes < i - begin && line[i - 1 - slashes] == '\\') ++slashes;
    return slashes % 2 == 1;
  };
  auto trim = [&] {
    while (begin < end && is_blank(line[begin])) ++begin;
    while (end > begin && is_blank(line[end - 1]) && !control_space(end - 1)) --end;
  };
  auto trailing_newline = [&] {
    size_t slashes = 0;
    while (slashes < end - begin && line[end - 1 - slashes] == '\\') ++slashes;
    if (slashes >= 2 && slashes % 2 == 0) {
      end -= 2;
      trim();
    }
  };
  trim();
  trailing_newline();
  std::string_view text = line.substr(begin, end - begin);
  static constexpr std::pair<std::string_view, std::string_view> kWrappers[] = {
      {"$$", "$$"}, {"$", "$"}, {"\\(", "\\)"}, {"\\[", "\\]"}};
  for (auto [open, close] : kWrappers) {
    if (text.size() >= open.size() + close.size() && text.substr(0, open.size()) == open &&
        text.substr(text.size() - close.size()) == close) {
      begin += open.size();
      end -= close.size();
      trim();
      trailing_newline();
      break;
    }
  }
}


}  // namespace latex

using latex::FormulaParser;
using latex::strip;

// ---- Reading lines ----

struct LatexParser::State {
  /// The next line of the source into `line`; false at the end of the
  /// input. A line longer than kMaxLatexLine comes back empty, with
  /// `overlong` set, its bytes dropped as they come.
  bool next_line(Source& source, std::string_view& line, bool& terminated, bool& overlong);

  NodePool nodes;
  /// Room for size more bytes after the filled ones, kept as it is: the
  /// buffer starts small and grows while reads fill it, so that a short
  /// text costs a small block and a stream reads in large pieces.
  void make_room();

  std::unique_ptr<char[]> buffer;  // not cleared: only filled bytes are read
  size_t capacity = 0;
  bool filled_up = false;  // the last read filled all the room it was given
  size_t start = 0;    // the next line's first byte
  size_t filled = 0;   // bytes in the buffer
  size_t scanned = 0;  // bytes from start known to hold no newline
  int max_depth = kMaxDrawableDepth;
  bool stopped = false;
  // The macros that every input starts with, and those that this input
  // defined; a line's expansion, and where each of its bytes comes from.
  const latex::Macros* base_macros = nullptr;
  latex::Macros defined;
  std::string expanded;
  std::vector<int> origins;
};

bool LatexParser::State::next_line(Source& source, std::string_view& line, bool& terminated,
                                   bool& overlong) {
  overlong = false;
  for (;;) {
    const char* from = buffer.get() + start + scanned;
    size_t unscanned = filled - start - scanned;
    auto* newline =
        unscanned == 0 ? nullptr : static_cast<const char*>(std::memchr(from, '\n', unscanned));
    if (newline != nullptr) {
      size_t length = static_cast<size_t>(newline - (buffer.get() + start));
      line = overlong ? std::string_view() : std::string_view(buffer.get() + start, length);
      start += length + 1;
      scanned = 0;
      terminated = true;
      return true;
    }
    scanned = filled - start;
    if (scanned > static_cast<size_t>(kMaxLatexLine)) {
      // Too long to draw: its bytes are dropped up to its newline.
      overlong = true;
      start = filled;
      scanned = 0;
    }
    if (start > 0) {
      std::memmove(buffer.get(), buffer.get() + start, filled - start);
      filled -= start;
      start = 0;
    }
    make_room();
    size_t room = capacity - filled;
    size_t n = source.read(buffer.get() + filled, room);
    filled_up = n == room;
    if (n == 0) {
      if (filled == 0 && !overlong) return false;
      line = overlong ? std::string_view() : std::string_view(buffer.get(), filled);
      start = filled = scanned = 0;
      terminated = false;
      return true;
    }
    filled += n;
  }
}

void LatexParser::State::make_room() {
  constexpr size_t kLeastRead = 4096;
  constexpr size_t kStreamRead = 65536;
  size_t room = capacity - filled;
  if (room >= kLeastRead && !(filled_up && room < kStreamRead)) return;
  size_t grown = std::max({filled + kLeastRead, capacity * 2, kLeastRead});
  std::unique_ptr<char[]> bigger(new char[grown]);  // not zeroed: bytes are read into it
  if (filled > 0) std::memcpy(bigger.get(), buffer.get(), filled);
  buffer = std::move(bigger);
  capacity = grown;
}

LatexParser::LatexParser() : state_(std::make_unique<State>()) {}
LatexParser::~LatexParser() = default;

void LatexParser::set_max_depth(int depth) {
  state_->max_depth = std::min(depth, kMaxDrawableDepth);
}

void LatexParser::stop() { state_->stopped = true; }

void LatexParser::set_macros(const latex::Macros* macros) { state_->base_macros = macros; }

void LatexParser::forget_definitions() { state_->defined.clear(); }

bool LatexParser::parse(Source& source, Listener& listener, bool keep_definitions) {
  State& s = *state_;
  s.start = s.filled = s.scanned = 0;
  s.stopped = false;
  if (!keep_definitions) s.defined.clear();
  std::string_view line;
  bool terminated, overlong;
  for (int number = 1; !s.stopped && s.next_line(source, line, terminated, overlong); ++number) {
    if (overlong) {
      listener.error(Status::too_large, status_message(Status::too_large), number, -1);
      continue;
    }
    latex::LineFacts facts = latex::read_line(line, s.defined, s.base_macros);
    size_t begin, end;
    strip(line.substr(0, facts.end), begin, end);
    std::string_view formula = line.substr(begin, end - begin);
    if (formula.empty()) {
      // Blanks or a comment alone on a last line without its newline are
      // no statement.
      if (terminated) listener.empty_statement(number);
      continue;
    }
    if (formula == "quit") return true;
    Owned<> tree;
    bool empty = false;
    try {
      bool expanded = false;
      if (facts.macros) {
        latex::MacroError fault;
        if (!latex::expand_macros(line, begin, end, s.defined, s.base_macros, expanded, s.expanded,
                                  s.origins, fault)) {
          listener.error(Status::input, latex::syntax_error(line, fault.offset, fault.message),
                         number, fault.offset);
          continue;
        }
      }
      FormulaParser parser(s.nodes, listener, number, s.max_depth);
      if (expanded) {
        parser.expanded_from(line, &s.origins);
        tree = parser.parse(s.expanded, 0, s.expanded.size(), true, empty);
      } else {
        tree = parser.parse(line, begin, end, facts.rows, empty);
      }
    } catch (const std::bad_alloc&) {
      // What the line built so far is deleted on the way out.
      listener.error(Status::memory, status_message(Status::memory), number, -1);
      continue;
    }
    if (tree) {
      listener.statement(std::move(tree), number);
    } else if (empty && terminated) {
      listener.empty_statement(number);
    }
  }
  return false;
}
