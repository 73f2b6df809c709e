// The symbol table against the manual's list of symbols and against what
// the readers and the drawings make of each row.
#include <locale.h>
#include <wchar.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "api/vornix.hpp"
#include "expr/expr.h"

namespace {

std::string manual_symbols() {
  std::ifstream in(std::filesystem::path(VORNIX_SOURCE_DIR) / "doc" / "vornix.1.in");
  std::ostringstream page;
  page << in.rdbuf();
  std::string text = page.str();
  size_t begin = text.find(".\\\" The list of symbols");
  size_t end = text.find(".\\\" End of the symbols.");
  if (begin == std::string::npos || end == std::string::npos) return {};
  return text.substr(begin, end - begin);
}

// Text as the manual's source writes it.
std::string roff(std::string_view text) {
  std::string out;
  for (char c : text) out += c == '\\' ? "\\e" : c == '-' ? "\\-" : std::string(1, c);
  return out;
}

char32_t decode(std::string_view utf8) {
  mbstate_t state{};
  wchar_t c = 0;
  mbrtowc(&c, utf8.data(), utf8.size(), &state);
  return static_cast<char32_t>(c);
}

bool listed(const SymbolRow& row) {
  return !row.latex.empty() &&
         (row.kind == SymbolClass::letter || row.kind == SymbolClass::binary ||
          row.kind == SymbolClass::relation || row.kind == SymbolClass::arrow);
}

// Each letter and sign is in the manual's list, on a line of its LaTeX
// names, its Unicode glyph and its ASCII form; and its glyph is one column.
TEST(Symbols, AreTheManualsList) {
  locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  ASSERT_NE(nullptr, utf8) << "no C.UTF-8 locale";
  locale_t previous = uselocale(utf8);
  std::string list = manual_symbols();
  ASSERT_FALSE(list.empty());
  int rows = 0;
  for (const SymbolRow& row : symbol_table()) {
    if (!listed(row)) continue;
    ++rows;
    std::string line;
    for (std::string_view names = row.latex; !names.empty();) {
      std::string_view name = names.substr(0, names.find(' '));
      line += (line.empty() ? "\\e" : " \\e") + std::string(name);
      names.remove_prefix(std::min(names.size(), name.size() + 1));
    }
    std::string unicode = roff(row.ascii);
    if (row.glyph != 0) {
      std::string_view glyph = glyph_text(row.glyph);
      char32_t code = decode(glyph);
      EXPECT_EQ(1, wcwidth(static_cast<wchar_t>(code))) << line;
      char escape[16];
      std::snprintf(escape, sizeof escape, "\\[u%04X]", static_cast<unsigned>(code));
      unicode = escape;
    }
    line += "\t" + unicode + "\t" + roff(row.ascii);
    EXPECT_NE(std::string::npos, list.find("\n" + line + "\n")) << "not in the manual: " << line;
  }
  // And nothing else: a line a row after the comment.
  EXPECT_EQ(rows + 1, std::count(list.begin(), list.end(), '\n'));
  uselocale(previous);
  freelocale(utf8);
}

std::string Draw(const std::string& latex, bool unicode) {
  vornix::Session session(vornix::Options{false, unicode, true, 0});
  vornix::Result result = session.draw(latex);
  EXPECT_TRUE(result.warnings.empty()) << latex;
  return result.text;
}

// Every LaTeX name and UTF-8 character of a row reads as that row: a
// letter draws as its ASCII form or glyph, a sign between two operands.
TEST(Symbols, ReadAndDrawAsTheirRows) {
  for (const SymbolRow& row : symbol_table()) {
    if (!listed(row)) continue;
    bool letter = row.kind == SymbolClass::letter;
    for (bool unicode : {false, true}) {
      std::string shown = unicode && row.glyph != 0
                              ? std::string(glyph_text(row.glyph))
                              : std::string(row.ascii);
      std::string expected = letter ? shown + "\n" : "a " + shown + " b\n";
      for (std::string_view names = row.latex; !names.empty();) {
        std::string name(names.substr(0, names.find(' ')));
        std::string text = "\\" + name;
        EXPECT_EQ(expected, Draw(letter ? text : "a " + text + " b", unicode)) << text;
        names.remove_prefix(std::min(names.size(), name.size() + 1));
      }
      if (!row.utf8.empty()) {
        // The first of the row's characters.
        auto lead = static_cast<unsigned char>(row.utf8[0]);
        std::string text(row.utf8.substr(0, lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4));
        EXPECT_EQ(expected, Draw(letter ? text : "a " + text + " b", unicode)) << text;
      }
    }
  }
}

}  // namespace
