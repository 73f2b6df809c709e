// The scanner works a line at a time. The block layer matches the line's
// containers (block quotes and list items), tells code blocks, HTML blocks
// and math fences from paragraphs, and hands paragraph text to the span
// layer, which holds back only the bytes from an open delimiter on.
#include "markdown/markdown.h"

#include <algorithm>
#include <cstring>

namespace markdown {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Columns of indentation at the start of text, a tab counting four, and
// the bytes they take.
size_t indentation(std::string_view text, int& columns) {
  size_t i = 0;
  columns = 0;
  for (; i < text.size() && (text[i] == ' ' || text[i] == '\t'); ++i)
    columns += text[i] == '\t' ? 4 : 1;
  return i;
}

bool blank_line(std::string_view text) {
  return std::all_of(text.begin(), text.end(), is_blank);
}

// The kinds of math span, by their delimiters.
enum class Span { dollar, tick, paren, display_dollar, bracket };

bool is_display(Span s) { return s == Span::display_dollar || s == Span::bracket; }

struct Container {
  bool quote;
  int indent;  // a list item's content column, past its marker
};

}  // namespace

struct Scanner::State {
  State(Formulas& f, int w) : formulas(f), width(w) {}

  Formulas& formulas;
  int width;

  // ---- Writing, and what the last lines written were ----

  // Whether the line being written has text beyond its prefix, and
  // whether the line before it had.
  bool line_started = false;
  bool line_has_text = false;
  bool last_line_blank = true;
  // After a display formula: 1 while its last row is the line being
  // written, 2 once that line has ended and the next has yet to come.
  int after_display = 0;

  void write(std::string_view bytes, bool text) {
    if (bytes.empty()) return;
    if (after_display == 1 && text) {
      size_t nl = bytes.find('\n');
      std::string_view head = bytes.substr(0, nl);
      if (!blank_line(head)) {
        // Text after the closing delimiter starts a line of its own, after
        // an empty one.
        after_display = 0;
        put(eol, false);
        put(blank_prefix(), false);
        put(eol, false);
        put(prefix(), false);
      } else if (nl != std::string_view::npos) {
        after_display = 2;
      }
    }
    put(bytes, text);
  }

  void put(std::string_view bytes, bool text) {
    if (bytes.empty()) return;
    formulas.write(bytes);
    for (;;) {
      size_t nl = bytes.find('\n');
      std::string_view head = bytes.substr(0, nl);
      if (!head.empty()) {
        line_started = true;
        if (text && !blank_line(head)) line_has_text = true;
      }
      if (nl == std::string_view::npos) return;
      last_line_blank = !line_has_text;
      line_has_text = false;
      line_started = false;
      bytes.remove_prefix(nl + 1);
    }
  }

  // ---- Containers ----

  std::vector<Container> containers;
  std::string eol = "\n";  // the current line's ending

  std::string prefix() const {
    std::string p;
    for (const Container& c : containers) p += c.quote ? std::string("> ") : std::string(c.indent, ' ');
    return p;
  }
  std::string blank_prefix() const {
    std::string p = prefix();
    while (!p.empty() && p.back() == ' ') p.pop_back();
    return p;
  }

  // Draws a display formula and writes it as a block of its own; false when
  // it does not draw.
  bool write_display(std::string_view tex, Place at) {
    std::string pre = prefix();
    int w = width > 0 ? std::max(1, width - static_cast<int>(pre.size())) : 0;
    std::vector<std::string> rows;
    if (!formulas.display(tex, w, at, rows) || rows.empty()) return false;
    if (line_has_text) put(eol, false);
    bool prefix_written = line_started;
    if (!last_line_blank && !line_has_text && line_started) {
      // The line holds only its prefix: end it as the empty line before.
      put(eol, false);
      prefix_written = false;
    } else if (!last_line_blank) {
      put(blank_prefix(), false);
      put(eol, false);
    }
    for (size_t i = 0; i < rows.size(); ++i) {
      if (i > 0) put(eol, false);
      if (i > 0 || !prefix_written) put(pre, false);
      put(rows[i], true);
    }
    after_display = 1;
    return true;
  }

  // ---- Spans inside a paragraph ----

  // Paragraph bytes not yet written: from an open delimiter, or from a
  // character whose meaning the next bytes decide. content[i] tells text
  // from container prefix; (held_line, held_column) is the place of held[0].
  std::string held;
  std::string content;
  int held_line = 1;
  int held_column = 0;

  void hold(std::string_view bytes, bool text, Place at) {
    if (held.empty()) {
      held_line = at.line;
      held_column = at.column;
    }
    held.append(bytes);
    content.append(bytes.size(), text ? '1' : '0');
  }

  Place place_of(size_t n) const {
    Place p{held_line, held_column};
    for (size_t i = 0; i < n; ++i) {
      if (held[i] == '\n') {
        ++p.line;
        p.column = 0;
      } else {
        ++p.column;
      }
    }
    return p;
  }

  // Writes (or drops) the first n held bytes.
  void release(size_t n, bool write_them) {
    if (write_them) {
      size_t i = 0;
      while (i < n) {
        size_t j = i;
        while (j < n && content[j] == content[i]) ++j;
        write(std::string_view(held).substr(i, j - i), content[i] == '1');
        i = j;
      }
    }
    Place p = place_of(n);
    held_line = p.line;
    held_column = p.column;
    held.erase(0, n);
    content.erase(0, n);
  }

  size_t next_text(size_t i) const {
    while (i < held.size() && content[i] != '1') ++i;
    return i;
  }

  enum class Close { found, failed, need_more };

  // Looks for the end of a span whose body starts at `body`; on found,
  // [close, end) is the closing delimiter.
  Close find_close(Span kind, size_t body, bool at_end, size_t& close, size_t& end) const {
    const size_t n = held.size();
    Close more = at_end ? Close::failed : Close::need_more;
    auto find = [&](std::string_view delim) {
      for (size_t i = next_text(body); i < n; i = next_text(i + 1)) {
        if (held.compare(i, delim.size(), delim) == 0) {
          close = i;
          end = i + delim.size();
          return Close::found;
        }
      }
      return more;
    };
    switch (kind) {
      case Span::tick: return find("`$");
      case Span::display_dollar: return find("$$");
      case Span::bracket: return find("\\]");
      case Span::dollar:
      case Span::paren: break;
    }
    // An inline span: a blank before the closing delimiter, or a digit
    // after it, means it was no span; a backslash takes the next character
    // with it, and \text takes a group in braces.
    size_t i = next_text(body);
    while (i < n) {
      char c = held[i];
      if (kind == Span::dollar && c == '$') {
        size_t after = next_text(i + 1);
        if (after >= n && !at_end) return more;
        if (after < n && is_digit(held[after])) return Close::failed;
        close = i;
        end = i + 1;
        return Close::found;
      }
      if (c == '\\') {
        size_t j = next_text(i + 1);
        if (j >= n) return more;
        if (kind == Span::paren && held[j] == ')') {
          size_t after = next_text(j + 1);
          if (after >= n && !at_end) return more;
          if (after < n && is_digit(held[after])) return Close::failed;
          close = i;
          end = j + 1;
          return Close::found;
        }
        if (held.compare(j, 5, "text{") == 0) {
          int depth = 0;
          size_t k = j + 4;
          for (; k < n; k = next_text(k + 1)) {
            if (held[k] == '\\') {
              k = next_text(k + 1);
              if (k >= n) break;
            } else if (held[k] == '{') {
              ++depth;
            } else if (held[k] == '}' && --depth == 0) {
              break;
            }
          }
          if (k >= n) return more;
          i = next_text(k + 1);
          continue;
        }
        i = next_text(j + 1);
        continue;
      }
      if (is_blank(c)) {
        size_t j = i;
        while (j < n && (content[j] != '1' || is_blank(held[j]))) ++j;
        if (j >= n) return more;
        if (held[j] == '$') return Close::failed;
        i = j;
        continue;
      }
      i = next_text(i + 1);
    }
    return more;
  }

  // The formula of a span: its text, less the prefixes of the lines it
  // crosses, with line breaks as spaces.
  std::string formula(size_t from, size_t to) const {
    std::string tex;
    for (size_t i = from; i < to; ++i) {
      if (content[i] != '1') continue;
      char c = held[i];
      tex += c == '\n' || c == '\r' ? ' ' : c;
    }
    return tex;
  }

  // Writes what is held up to the first byte whose meaning is still open;
  // at the end of the paragraph, every open delimiter is text.
  void scan(bool at_end) {
    size_t i = 0;
    for (;;) {
      i = next_text(i);
      if (i >= held.size()) {
        release(held.size(), true);
        return;
      }
      char c = held[i];
      if (c != '\\' && c != '`' && c != '$') {
        ++i;
        continue;
      }
      size_t j = next_text(i + 1);
      if (j >= held.size()) {
        if (!at_end) break;
        i = j;
        continue;
      }
      Span kind;
      size_t body;
      if (c == '\\') {
        if (held[j] != '(' && held[j] != '[') {
          i = j + 1;
          continue;
        }
        kind = held[j] == '(' ? Span::paren : Span::bracket;
        body = j + 1;
      } else if (c == '`') {
        // A code span: its run of backticks closes it, and nothing in it is
        // math.
        size_t run = i;
        while (run < held.size() && held[run] == '`') ++run;
        size_t len = run - i;
        size_t k = run;
        bool closed = false;
        while ((k = held.find('`', k)) != std::string::npos) {
          size_t e = k;
          while (e < held.size() && held[e] == '`') ++e;
          if (e - k == len) {
            closed = true;
            k = e;
            break;
          }
          k = e;
        }
        if (closed) {
          i = k;
        } else if (!at_end && held.size() - i <= kMaxHeld) {
          break;
        } else {
          i = run;
        }
        continue;
      } else if (held[j] == '$') {
        kind = Span::display_dollar;
        body = j + 1;
      } else if (held[j] == '`') {
        kind = Span::tick;
        body = j + 1;
      } else if (is_blank(held[j])) {
        i = j;
        continue;
      } else {
        kind = Span::dollar;
        body = j;
      }
      size_t close = 0;
      size_t end = 0;
      Close found = find_close(kind, body, at_end, close, end);
      if (found == Close::need_more && held.size() - i > kMaxHeld) found = Close::failed;
      if (found == Close::need_more) break;
      if (found == Close::failed) {
        i = body;
        continue;
      }
      release(i, true);
      close -= i;
      end -= i;
      body -= i;
      i = 0;
      std::string tex = formula(body, close);
      Place at{held_line, held_column};
      bool drawn;
      if (is_display(kind)) {
        drawn = write_display(tex, at);
      } else {
        std::string row;
        drawn = formulas.inline_math(tex, at, row);
        if (drawn) write(row, true);
      }
      release(end, !drawn);
    }
    release(i, true);
  }

  void paragraph_text(std::string_view bytes, bool text, Place at) {
    if (held.empty() && text && bytes.find_first_of("$\\`") == std::string_view::npos) {
      write(bytes, true);
      return;
    }
    hold(bytes, text, at);
    if (text) scan(false);
  }

  void end_paragraph() {
    if (!held.empty()) scan(true);
    in_paragraph = false;
  }

  // ---- Blocks ----

  enum class Block { none, paragraph, fence, math_fence, html };
  bool in_paragraph = false;
  Block block = Block::none;
  char fence_char = 0;
  size_t fence_length = 0;
  size_t fence_depth = 0;  // containers open when the fence opened
  int fence_indent = 0;
  std::string fence_raw;   // a math fence as written
  std::string fence_tex;
  Place fence_place{1, 0};
  std::string html_end;    // what ends an HTML block; empty: an empty line

  int line_number = 0;
  std::string line;        // bytes of a line not yet complete
  bool mid_line = false;   // part of the current line has been handled
  size_t line_done = 0;    // bytes of it

  void feed(std::string_view bytes) {
    while (!bytes.empty()) {
      size_t nl = bytes.find('\n');
      if (nl == std::string_view::npos) {
        line.append(bytes);
        if (line.size() > kMaxHeld) {
          piece(line, false);
          line.clear();
        }
        return;
      }
      if (line.empty()) {
        piece(bytes.substr(0, nl + 1), true);
      } else {
        line.append(bytes.substr(0, nl + 1));
        piece(line, true);
        line.clear();
      }
      bytes.remove_prefix(nl + 1);
    }
  }

  void finish() {
    if (!line.empty()) {
      piece(line, true);
      line.clear();
    }
    end_paragraph();
    if (block == Block::math_fence) write(fence_raw, true);
    block = Block::none;
  }

  // A line, or a piece of a long one (complete: the line ends with it).
  void piece(std::string_view bytes, bool complete) {
    if (!mid_line) {
      line_done = 0;
      ++line_number;
      std::string_view body = bytes;
      if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
      eol = !body.empty() && body.back() == '\r' && complete ? "\r\n" : "\n";
      start_line(bytes);
    } else {
      continue_line(bytes);
    }
    line_done += bytes.size();
    mid_line = !complete;
  }

  // The rest of a long line, past the piece that started it.
  void continue_line(std::string_view bytes) {
    switch (block) {
      case Block::paragraph:
        paragraph_text(bytes, true, Place{line_number, static_cast<int>(line_done)});
        break;
      case Block::math_fence:
        fence_raw.append(bytes);
        fence_tex.append(bytes);
        if (fence_raw.size() > kMaxHeld) drop_math_fence();
        break;
      default:
        write(bytes, true);
    }
  }

  void drop_math_fence() {
    write(fence_raw, true);
    fence_raw.clear();
    fence_tex.clear();
    block = Block::fence;
  }

  // How many containers the line continues, and where its text starts.
  size_t match_containers(std::string_view text, size_t& at) const {
    size_t matched = 0;
    at = 0;
    for (const Container& c : containers) {
      std::string_view rest = text.substr(at);
      int cols;
      size_t lead = indentation(rest, cols);
      if (c.quote) {
        if (cols > 3 || lead >= rest.size() || rest[lead] != '>') break;
        at += lead + 1;
        if (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
      } else if (blank_line(rest)) {
        at += lead;
      } else if (cols >= c.indent) {
        size_t k = 0;
        for (int n = 0; n < c.indent && k < rest.size(); ++k) n += rest[k] == '\t' ? 4 : 1;
        at += k;
      } else {
        break;
      }
      ++matched;
    }
    return matched;
  }

  // A container that opens at the start of text: a block quote or a list
  // item; its width in bytes, or 0.
  size_t open_container(std::string_view text, Container& c) const {
    int cols;
    size_t i = indentation(text, cols);
    if (cols > 3 || i >= text.size()) return 0;
    if (text[i] == '>') {
      c = {true, 0};
      ++i;
      if (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      return i;
    }
    size_t m = i;
    if (text[m] == '-' || text[m] == '+' || text[m] == '*') {
      ++m;
    } else {
      while (m < text.size() && m - i < 9 && is_digit(text[m])) ++m;
      if (m == i || m >= text.size() || (text[m] != '.' && text[m] != ')')) return 0;
      ++m;
    }
    std::string_view after = text.substr(m);
    if (blank_line(after)) {
      if (after.empty() || after[0] == '\n' || after[0] == '\r') {
        c = {false, static_cast<int>(m) + 1};
        return m;
      }
    }
    if (after.empty() || (after[0] != ' ' && after[0] != '\t')) return 0;
    int spaces;
    size_t s = indentation(after, spaces);
    if (spaces > 4 || blank_line(after)) s = 1, spaces = 1;
    c = {false, static_cast<int>(m) + spaces};
    return m + s;
  }

  // A fence opening at the start of text: its character, length and info.
  bool fence_opens(std::string_view text, char& ch, size_t& length, std::string_view& info,
                   int& indent) const {
    size_t i = indentation(text, indent);
    if (indent > 3 || i >= text.size() || (text[i] != '`' && text[i] != '~')) return false;
    ch = text[i];
    size_t e = i;
    while (e < text.size() && text[e] == ch) ++e;
    length = e - i;
    if (length < 3) return false;
    info = text.substr(e);
    while (!info.empty() && is_blank(info.back())) info.remove_suffix(1);
    while (!info.empty() && is_blank(info.front())) info.remove_prefix(1);
    return ch != '`' || info.find('`') == std::string_view::npos;
  }

  bool fence_closes(std::string_view text) const {
    int indent;
    size_t i = indentation(text, indent);
    if (indent > 3) return false;
    size_t e = i;
    while (e < text.size() && text[e] == fence_char) ++e;
    return e - i >= fence_length && blank_line(text.substr(e));
  }

  static std::string html_block_end(std::string_view text) {
    int indent;
    size_t i = indentation(text, indent);
    if (indent > 3 || i + 1 >= text.size() || text[i] != '<') return "-";
    std::string_view rest = text.substr(i + 1);
    if (rest.substr(0, 3) == "!--") return "-->";
    if (rest[0] == '?') return "?>";
    if (rest.substr(0, 8) == "![CDATA[") return "]]>";
    if (rest[0] == '!') return ">";
    for (const char* tag : {"script", "pre", "style", "textarea"}) {
      size_t n = std::strlen(tag);
      if (rest.size() > n && strncasecmp(rest.data(), tag, n) == 0 &&
          (is_blank(rest[n]) || rest[n] == '>'))
        return std::string("</") + tag + ">";
    }
    size_t k = rest[0] == '/' ? 1 : 0;
    if (k < rest.size() && ((rest[k] >= 'a' && rest[k] <= 'z') || (rest[k] >= 'A' && rest[k] <= 'Z')))
      return "";
    return "-";
  }

  static bool contains_nocase(std::string_view text, std::string_view what) {
    if (what.size() > text.size()) return false;
    for (size_t i = 0; i + what.size() <= text.size(); ++i)
      if (strncasecmp(text.data() + i, what.data(), what.size()) == 0) return true;
    return false;
  }

  void start_line(std::string_view bytes) {
    std::string_view text = bytes;
    size_t at;
    size_t matched = match_containers(text, at);
    std::string_view rest = text.substr(at);
    bool blank = blank_line(rest);

    if (after_display == 2 && !blank) {
      put(blank_prefix(), false);
      put(eol, false);
    }
    after_display = 0;

    // Inside a fence or an HTML block, the line belongs to it while its
    // containers go on.
    if (block == Block::fence || block == Block::math_fence) {
      if (matched >= fence_depth) {
        containers.resize(std::min(containers.size(), std::max(matched, fence_depth)));
        if (fence_closes(rest)) {
          if (block == Block::math_fence) {
            fence_raw.append(bytes);
            block = Block::none;
            std::string tex = fence_tex;
            if (!write_display(tex, fence_place)) {
              write(fence_raw, true);
            } else {
              // The closing fence's line ending ends the last row.
              put(eol, false);
              after_display = 2;
            }
            fence_raw.clear();
            fence_tex.clear();
          } else {
            write(bytes, true);
            block = Block::none;
          }
          return;
        }
        if (block == Block::math_fence) {
          fence_raw.append(bytes);
          std::string_view code = rest;
          int cols;
          size_t lead = indentation(code, cols);
          code.remove_prefix(std::min(lead, static_cast<size_t>(fence_indent)));
          fence_tex.append(code);
          if (fence_raw.size() > kMaxHeld) drop_math_fence();
        } else {
          write(bytes, true);
        }
        return;
      }
      if (block == Block::math_fence) write(fence_raw, true);
      fence_raw.clear();
      fence_tex.clear();
      block = Block::none;
    }
    if (block == Block::html) {
      write(bytes, true);
      if (html_end.empty() ? blank : contains_nocase(rest, html_end)) block = Block::none;
      if (html_end.empty() && blank) last_line_blank = true;
      return;
    }

    // A line that continues the paragraph without repeating its
    // containers' markers stays in them.
    Container opened;
    bool lazy = in_paragraph && matched < containers.size() && !blank &&
                open_container(rest, opened) == 0;
    char ch;
    size_t length;
    std::string_view info;
    int indent;
    if (lazy && !fence_opens(rest, ch, length, info, indent)) {
      paragraph_line(text, at);
      return;
    }
    if (matched < containers.size()) {
      end_paragraph();
      containers.resize(matched);
    }

    // New containers.
    for (;;) {
      size_t w = open_container(text.substr(at), opened);
      if (w == 0) break;
      end_paragraph();
      containers.push_back(opened);
      at += w;
    }
    rest = text.substr(at);
    blank = blank_line(rest);

    if (blank) {
      end_paragraph();
      write(bytes, false);
      return;
    }
    int cols;
    indentation(rest, cols);
    if (!in_paragraph && cols >= 4) {
      write(bytes, true);
      return;
    }
    if (fence_opens(rest, ch, length, info, indent)) {
      end_paragraph();
      fence_char = ch;
      fence_length = length;
      fence_depth = containers.size();
      fence_indent = indent;
      if (info == "math") {
        block = Block::math_fence;
        fence_raw.assign(bytes);
        fence_tex.clear();
        fence_place = Place{line_number + 1, 0};
      } else {
        block = Block::fence;
        write(bytes, true);
      }
      return;
    }
    if (!in_paragraph) {
      std::string end = html_block_end(rest);
      if (end != "-") {
        block = Block::html;
        html_end = end;
        write(bytes, true);
        if (!end.empty() && contains_nocase(rest.substr(1), end)) block = Block::none;
        return;
      }
    }
    paragraph_line(text, at);
  }

  void paragraph_line(std::string_view text, size_t at) {
    in_paragraph = true;
    paragraph_text(text.substr(0, at), false, Place{line_number, 0});
    paragraph_text(text.substr(at), true, Place{line_number, static_cast<int>(at)});
  }
};

Scanner::Scanner(Formulas& formulas, int width)
    : state_(std::make_unique<State>(formulas, width)) {}
Scanner::~Scanner() = default;

void Scanner::feed(std::string_view bytes) { state_->feed(bytes); }
void Scanner::finish() { state_->finish(); }

}  // namespace markdown
