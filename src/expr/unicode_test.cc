// Unicode drawings against the ASCII drawings of the same statements, over
// the golden statements, the benchmark's corpus and generated statements:
// the characters used, the size, the baseline and the messages.
#include <locale.h>
#include <wchar.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "api/vornix.hpp"
#include "canvas/canvas.h"

namespace {

const std::filesystem::path kSource = VORNIX_SOURCE_DIR;

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every line of the golden cases and of the benchmark's corpus.
std::vector<std::string> corpus_statements() {
  std::vector<std::filesystem::path> files{kSource / "bench" / "corpus.vx"};
  for (const auto& entry : std::filesystem::directory_iterator(kSource / "tests" / "cases")) {
    if (entry.path().extension() == ".vx") files.push_back(entry.path());
  }
  std::vector<std::string> statements;
  for (const auto& file : files) {
    std::istringstream lines(read_file(file));
    for (std::string line; std::getline(lines, line);) statements.push_back(line);
  }
  return statements;
}

// Random statements of every construct, nested a few levels deep: each
// "@" of a form is an operand, itself a form or an atom.
class StatementGenerator {
 public:
  explicit StatementGenerator(unsigned seed) : random_(seed) {}

  std::string statement() { return expression(4); }

 private:
  std::string expression(int depth) {
    static const std::vector<std::string> kAtoms = {
        "x", "2", "10", "2.5", "alpha", "Gamma", "omega_1", "pi", "nabla", "inf",
        "...", "x_1", "x_i_j", "f''", "~z", "z\\", "theta'^2", "Alpha", "pi^2"};
    static const std::vector<std::string> kForms = {
        "@ + @", "@ - @", "@ * @", "@ / @", "@ ^ @", "-@", "@!", "sqrt(@)",
        "root(@, @)", "abs(@)", "~(@)", "(@)\\", "@ = @", "@ < @", "@ > @", "@ <= @",
        "@ >= @", "sum(@, k)", "sum(@, k = @ .. @)", "prod(@, j)", "prod(@, j = @ .. @)",
        "int(@, x)", "int(@, x = @ .. @)", "lim(@, x -> @)", "f(@, @)", "Gamma(@)",
        "sin(@)", "sin(@)^@", "[@, @; @]", "[@; @; @]", "det[@, @; @, @]", "x_(@)",
        "beta_(@)^@"};
    if (depth == 0 || pick(3) == 0) return kAtoms[pick(kAtoms.size())];
    std::string text;
    for (char c : kForms[pick(kForms.size())]) {
      if (c != '@') {
        text += c;
        continue;
      }
      text += '(';
      text += expression(depth - 1);
      text += ')';
    }
    return text;
  }

  size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }

  std::mt19937 random_;
};

// The statements of the corpus and a few thousand generated ones.
const std::vector<std::string>& statements() {
  static const std::vector<std::string> all = [] {
    std::vector<std::string> s = corpus_statements();
    StatementGenerator generator(2026);
    for (int i = 0; i < 3000; ++i) s.push_back(generator.statement());
    return s;
  }();
  return all;
}

// One statement drawn in both modes, with slanted or upright radicals.
struct Pair {
  std::string statement;
  bool narrow_roots;
  vornix::Result ascii;
  vornix::Result unicode;
};

const std::vector<Pair>& pairs() {
  static const std::vector<Pair> all = [] {
    std::vector<Pair> p;
    for (bool narrow : {false, true}) {
      vornix::Session ascii(vornix::Options{.narrow_roots = narrow});
      vornix::Session unicode(vornix::Options{.narrow_roots = narrow, .unicode = true});
      for (const std::string& s : statements()) {
        p.push_back(Pair{s, narrow, ascii.draw(s), unicode.draw(s)});
      }
    }
    return p;
  }();
  return all;
}

std::string where(const Pair& p) {
  return "statement: " + p.statement + (p.narrow_roots ? " (-r)" : "") + "\n" + p.unicode.text;
}

// The code points of a UTF-8 text, or nothing if it is not valid UTF-8.
std::optional<std::vector<char32_t>> decode(const std::string& text) {
  std::vector<char32_t> points;
  for (size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    int length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return std::nullopt;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      auto byte = static_cast<unsigned char>(text[i + k]);
      if ((byte & 0xC0) != 0x80) return std::nullopt;
      point = point << 6 | (byte & 0x3F);
    }
    static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kLeast[length] || point > 0x10FFFF || (point >= 0xD800 && point < 0xE000)) {
      return std::nullopt;
    }
    points.push_back(point);
    i += length;
  }
  return points;
}

// The characters that the manual lists for Unicode drawings.
std::set<char32_t> documented_characters() {
  std::string page = read_file(kSource / "doc" / "vornix.1.in");
  size_t begin = page.find(".\\\" The list of characters");
  size_t end = page.find(".\\\" End of the list.");
  EXPECT_NE(begin, std::string::npos);
  EXPECT_NE(end, std::string::npos);
  std::string list = page.substr(begin, end - begin);
  // Each character is written as the escape \[uXXXX].
  std::set<char32_t> characters;
  for (size_t at = list.find("\\[u"); at != std::string::npos; at = list.find("\\[u", at + 1)) {
    characters.insert(static_cast<char32_t>(std::stoul(list.substr(at + 3, 4), nullptr, 16)));
  }
  return characters;
}

// Display widths as the C library gives them in a UTF-8 locale.
class Utf8Widths {
 public:
  Utf8Widths() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr)) {
    if (locale_ != nullptr) previous_ = uselocale(locale_);
  }
  ~Utf8Widths() {
    if (locale_ == nullptr) return;
    uselocale(previous_);
    freelocale(locale_);
  }
  Utf8Widths(const Utf8Widths&) = delete;
  Utf8Widths& operator=(const Utf8Widths&) = delete;

  bool available() const { return locale_ != nullptr; }
  int width(char32_t point) const { return wcwidth(static_cast<wchar_t>(point)); }

 private:
  locale_t locale_;
  locale_t previous_ = nullptr;
};

bool is_ascii(const std::vector<std::string>& rows) {
  for (const std::string& row : rows) {
    for (char c : row) {
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
  }
  return true;
}

// Most statements must draw, or the checks below would check little.
TEST(UnicodeDrawing, CorpusDrawsMostly) {
  size_t drawn = 0;
  for (const Pair& p : pairs()) drawn += p.unicode.drawings.size();
  EXPECT_GT(drawn, pairs().size() * 3 / 4);
}

// Drawings of the other modes that write Unicode: LaTeX's statements,
// lines broken to fit, and the characters of neutral width.
std::vector<vornix::Result> other_unicode_drawings() {
  std::vector<vornix::Result> results;
  for (const auto& entry : std::filesystem::directory_iterator(kSource / "tests" / "cases")) {
    if (entry.path().extension() != ".tex") continue;
    vornix::Session latex(vornix::Options{.unicode = true, .latex = true});
    results.push_back(latex.draw(read_file(entry.path())));
    vornix::Session neutral(vornix::Options{.unicode = true, .latex = true, .ambiguous_wide = true});
    results.push_back(neutral.draw(read_file(entry.path())));
  }
  vornix::Session fitted(vornix::Options{.unicode = true, .width = 16});
  results.push_back(fitted.draw(read_file(kSource / "tests" / "cases" / "fit.vx")));
  for (bool narrow : {false, true}) {
    vornix::Session neutral(vornix::Options{.narrow_roots = narrow, .unicode = true, .ambiguous_wide = true});
    for (const std::string& s : statements()) results.push_back(neutral.draw(s));
  }
  return results;
}

// Valid UTF-8 of printable ASCII and of the manual's characters, each one
// column wide, within the Basic Multilingual Plane; `used` gains the
// characters beyond ASCII.
void check_characters(const vornix::Drawing& d, const std::set<char32_t>& documented,
                      const Utf8Widths& widths, std::set<char32_t>& used, const std::string& where) {
  size_t widest = 0;
  for (const std::string& row : d.rows) {
    auto points = decode(row);
    ASSERT_TRUE(points) << "not UTF-8: " << where;
    for (char32_t c : *points) {
      bool ascii = c >= 0x20 && c < 0x7F;
      ASSERT_TRUE(ascii || documented.count(c)) << "U+" << std::hex << int(c) << " " << where;
      ASSERT_LE(c, 0xFFFFu) << where;
      ASSERT_EQ(1, widths.width(c)) << "U+" << std::hex << int(c) << " " << where;
      if (!ascii) used.insert(c);
    }
    widest = std::max(widest, points->size());
  }
  // One cell a character: the widest row has as many as the drawing has
  // columns.
  EXPECT_EQ(widest, static_cast<size_t>(d.width)) << where;
}

// The drawings of every mode keep to the manual's list, and every
// character of the list is drawn somewhere.
TEST(UnicodeDrawing, UsesTheDocumentedCharactersOfOneColumn) {
  Utf8Widths widths;
  ASSERT_TRUE(widths.available()) << "no C.UTF-8 locale";
  const std::set<char32_t> documented = documented_characters();
  ASSERT_GT(documented.size(), 50u);
  std::set<char32_t> used;
  for (const Pair& p : pairs()) {
    for (const vornix::Drawing& d : p.unicode.drawings) {
      check_characters(d, documented, widths, used, where(p));
      if (testing::Test::HasFatalFailure()) return;
    }
  }
  for (const vornix::Result& result : other_unicode_drawings()) {
    for (const vornix::Drawing& d : result.drawings) {
      check_characters(d, documented, widths, used, result.text);
      if (testing::Test::HasFatalFailure()) return;
    }
  }
  for (char32_t c : documented) EXPECT_TRUE(used.count(c)) << "never drawn: U+" << std::hex << int(c);
}

// The manual lists exactly the characters that a canvas can hold beyond
// ASCII.
TEST(UnicodeDrawing, TheManualListsEveryGlyph) {
  std::set<char32_t> glyphs;
  for (int byte = 0; byte < 256; ++byte) {
    std::string_view text = glyph_text(static_cast<unsigned char>(byte));
    if (!maybe_glyph(static_cast<unsigned char>(byte)) || text.size() == 1) continue;
    auto points = decode(std::string(text));
    ASSERT_TRUE(points && points->size() == 1) << text;
    EXPECT_TRUE(glyphs.insert(points->front()).second) << "two bytes for " << text;
  }
  EXPECT_EQ(glyphs, documented_characters());
}

// Never wider than in ASCII; never more rows above or below the baseline
// either, but where a sum or product sign grows with its body.
TEST(UnicodeDrawing, IsNeverLargerThanTheAsciiDrawing) {
  for (const Pair& p : pairs()) {
    ASSERT_EQ(p.ascii.drawings.size(), p.unicode.drawings.size()) << where(p);
    bool grows = p.statement.find("sum(") != std::string::npos ||
                 p.statement.find("prod(") != std::string::npos;
    for (size_t i = 0; i < p.unicode.drawings.size(); ++i) {
      const vornix::Drawing& a = p.ascii.drawings[i];
      const vornix::Drawing& u = p.unicode.drawings[i];
      int a_below = static_cast<int>(a.rows.size()) - 1 - a.baseline;
      int u_below = static_cast<int>(u.rows.size()) - 1 - u.baseline;
      EXPECT_LE(u.width, a.width) << where(p);
      if (grows) continue;
      EXPECT_LE(u.baseline, a.baseline) << "more rows above the baseline: " << where(p);
      EXPECT_LE(u_below, a_below) << "more rows below the baseline: " << where(p);
    }
  }
}

// A drawing without any Unicode character is the ASCII drawing, and a
// statement made of names, numbers and the plain operators draws the same.
TEST(UnicodeDrawing, WithoutUnicodeSignsIsTheAsciiDrawing) {
  for (const Pair& p : pairs()) {
    for (size_t i = 0; i < p.unicode.drawings.size() && i < p.ascii.drawings.size(); ++i) {
      if (!is_ascii(p.unicode.drawings[i].rows)) continue;
      EXPECT_EQ(p.ascii.drawings[i].rows, p.unicode.drawings[i].rows) << where(p);
      EXPECT_EQ(p.ascii.drawings[i].baseline, p.unicode.drawings[i].baseline) << where(p);
    }
  }
  for (const char* plain : {"a + b", "f(x, y)", "n!", "x_1^2 - (a + b)^n * -c", "~z'' = (y\\)\\",
                            "sin(x)^2 + cos(t + 1) > 0", "Alpha + PI + x1"}) {
    vornix::Session ascii;
    vornix::Session unicode(vornix::Options{false, true, false, 0});
    EXPECT_EQ(ascii.draw(plain).text, unicode.draw(plain).text) << plain;
  }
}

TEST(UnicodeDrawing, GivesTheSameMessages) {
  for (const Pair& p : pairs()) {
    ASSERT_EQ(p.ascii.errors.size(), p.unicode.errors.size()) << where(p);
    for (size_t i = 0; i < p.ascii.errors.size(); ++i) {
      EXPECT_EQ(p.ascii.errors[i].message, p.unicode.errors[i].message) << where(p);
      EXPECT_EQ(p.ascii.errors[i].status, p.unicode.errors[i].status) << where(p);
      EXPECT_EQ(p.ascii.errors[i].column, p.unicode.errors[i].column) << where(p);
    }
    EXPECT_EQ(p.ascii.status, p.unicode.status) << where(p);
  }
}

}  // namespace
