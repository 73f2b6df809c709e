// Fitting drawings into a width, through the library: a few drawings in
// full, then the rules that every fitted drawing keeps, checked over
// generated statements at every width from 10 to 120.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "api/vornix.hpp"

namespace {

vornix::Drawing DrawOne(const std::string& text, int width, bool unicode = false) {
  static vornix::Session session;
  vornix::Options options;
  options.width = width;
  options.unicode = unicode;
  session.set_options(options);
  vornix::Result result = session.draw(text);
  EXPECT_EQ(result.status, vornix::Status::ok) << text;
  EXPECT_EQ(result.drawings.size(), 1u) << text;
  if (result.drawings.empty()) return {};
  return result.drawings[0];
}

std::string Draw(const std::string& text, int width, bool unicode = false) {
  std::string out;
  for (const std::string& row : DrawOne(text, width, unicode).rows) out += row + "\n";
  return out;
}

// Columns of a UTF-8 row: every character takes one.
int Columns(const std::string& row) {
  return static_cast<int>(std::count_if(row.begin(), row.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

TEST(Fit, DrawingThatFitsIsUnchanged) {
  for (const char* text : {"x^2/2 + 1", "a + b + c", "[1, 2; 3, 4]"}) {
    EXPECT_EQ(Draw(text, 10), Draw(text, 0)) << text;
  }
}

TEST(Fit, WidthsBelowTenAreTen) {
  const std::string text = "a + b + c + d + e + f + g";
  EXPECT_EQ(Draw(text, 10),
  "a + b + c\n"
  "    + d\n"
  "    + e\n"
  "    + f\n"
  "    + g\n");
  for (int width : {1, 5, 9}) EXPECT_EQ(Draw(text, width), Draw(text, 10)) << width;
  EXPECT_EQ(Draw(text, -1), Draw(text, 0));
}

// The pieces keep their own heights; the drawing's baseline is the first
// piece's.
TEST(Fit, BaselineIsTheFirstPieces) {
  vornix::Drawing d = DrawOne("a + b + c + d + 1/2 + e + f + g", 16);
  EXPECT_EQ(d.rows, (std::vector<std::string>{
                        "a + b + c + d",
                        "      1",
                        "    + - + e",
                        "      2",
                        "    + f + g"}));
  EXPECT_EQ(d.baseline, 0);
  EXPECT_EQ(d.width, 13);
}

// Relation signs line up under the first one and other pieces after it,
// when that leaves half the width.
TEST(Fit, RelationChainsLineUp) {
  EXPECT_EQ(Draw("y = a + b + c + d = e + f + g + h + i + j + k", 20),
  "y = a + b + c + d\n"
  "  = e + f + g + h\n"
  "    + i + j + k\n");
  EXPECT_EQ(Draw("longname = a + b + c + d + e", 20),
  "longname = a + b\n"
  "    + c + d + e\n");
}

// Lines of a broken chain are filled evenly: as many lines as filling each
// to the width takes, none of them a scrap, and nothing broken that filling
// kept whole.
TEST(Fit, BrokenChainsFillTheirLinesEvenly) {
  EXPECT_EQ(Draw("a + b + c + d + e + f + g + h + i", 20),
  "a + b + c + d + e\n"
  "    + f + g + h + i\n");
  // Inside brackets too: the factor after them does not end up alone.
  EXPECT_EQ(Draw("y = 3*(a + b + c + d + e + f + g)*x", 20),
  "y = 3 (a + b + c\n"
  "       + d + e\n"
  "       + f + g) x\n");
  // Products are not split to even the lines out.
  EXPECT_EQ(Draw("aaaa*bbbb + cccc*dddd + e", 16),
  "aaaa bbbb\n"
  "    + cccc dddd\n"
  "    + e\n");
}

// A cut row ends with a marker and its continuation starts with one; in
// Unicode drawings the marker is an arrow.
TEST(Fit, StripsOfAPartWithNoPlaceToBreak) {
  EXPECT_EQ(Draw("abcdefghijklmnopqrstuvwxyz", 12),
  "abcdefghij >\n"
  "   > klmno >\n"
  "   > pqrst >\n"
  "   > uvwxyz\n");
  EXPECT_EQ(Draw("abcdefghijklmnopqrstuvwxyz", 12, true),
  "abcdefghij \u21aa\n"
  "   \u21aa klmno \u21aa\n"
  "   \u21aa pqrst \u21aa\n"
  "   \u21aa uvwxyz\n");
}

// A fraction wider than the line is broken by its terms, not cut: at
// every width that holds its widest term with a sign and an indent, no
// marker appears, one bar stands under the numerator's last line, and
// each operand's terms come in order.
TEST(Fit, WideFractionsBreakByTerms) {
  const std::string text =
      "(x^8 + 8*x^7 + 28*x^6 + 56*x^5 + 70*x^4 + 56*x^3 + 28*x^2 + 8*x + 1)/"
      "(y^4 + 4*y^3 + 6*y^2 + 4*y + 1)";
  for (bool unicode : {false, true}) {
    const std::string bar = unicode ? "\u2500" : "-";
    for (int width = 16; width <= 66; width += 5) {
      SCOPED_TRACE(std::to_string(width) + (unicode ? " unicode" : ""));
      vornix::Drawing d = DrawOne(text, width, unicode);
      int bars = 0;
      std::string flat;  // the numerator's rows, then the denominator's
      for (const std::string& row : d.rows) {
        EXPECT_EQ(row.find(unicode ? "\u21aa" : ">"), std::string::npos) << row;
        if (row.rfind(bar, 0) == 0) {
          ++bars;
          flat += "|";
          continue;
        }
        flat += row + " ";
      }
      EXPECT_EQ(bars, 1);
      for (const char* terms : {"+ 8 x", "+ 28 x", "+ 56 x", "+ 70 x", "+ 56 x", "+ 28 x",
                                "+ 8 x", "+ 1", "|", "+ 4 y", "+ 6 y", "+ 4 y", "+ 1"}) {
        size_t at = flat.find(terms);
        ASSERT_NE(at, std::string::npos) << terms << " in " << flat;
        flat.erase(0, at + 1);
      }
    }
  }
}

TEST(Fit, CApiTakesTheWidth) {
  vornix_options options{0, 12, nullptr, 0};
  int status = -1;
  char* text = vornix_draw("a + b + c + d", 13, &options, &status);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "a + b + c\n    + d\n");
  EXPECT_EQ(status, VORNIX_OK);
  vornix_free(text);
}

// ---- Rules over generated statements ----

// Statements of every construct, with chains of every kind, nested
// brackets, tall parts and parts too wide for narrow widths.
class Statements {
 public:
  /// With `flat`, only statements drawn on one row.
  Statements(unsigned seed, bool flat = false) : rng_(seed), flat_(flat) {}

  std::string statement() { return expr(2); }

  // Atoms whose drawings have no place to break.
  std::string atom() {
    static const char* const kAtoms[] = {
        "x", "alpha", "12345", "3.25", "inf", "f(x, y)", "sin(x)", "n!", "x'",
        "a_1", "x^2", "1/2", "(x + 1)/(x - 1)", "sqrt(x + 1)", "root(x, 3)", "pi",
        "~(z)", "[1, 2; 3, 4]", "det[a, b; c, d]", "x_(i + 1)", "sqrt(1/2)",
        "e^(i*pi)", "(a + b)\\"};
    constexpr size_t kFlatAtoms = 9;
    switch (pick(12)) {
      case 0:
        return std::string(1 + pick(40), 'q');
      case 1:
        return std::to_string(pick(1000000));
      default:
        return kAtoms[pick(flat_ ? kFlatAtoms : std::size(kAtoms))];
    }
  }

  std::string expr(int depth) {
    static const char* const kOps[] = {" + ", " - ", "*", " = ", " < ", " > ",
                                       " + ", " - ", "*", " <= ", " >= ", "/"};
    constexpr size_t kFlatOps = 9;
    std::string text = term(depth);
    for (int n = pick(8); n > 0; --n) {
      text += kOps[pick(flat_ ? kFlatOps : std::size(kOps))] + term(depth);
    }
    return text;
  }

 private:
  std::string term(int depth) {
    if (depth == 0 || pick(3) != 0) return atom();
    std::string inner = expr(depth - 1);
    switch (pick(flat_ ? 4 : 9)) {
      case 0: return "(" + inner + ")";
      case 1: return "-(" + inner + ")";
      case 2: return "abs(" + inner + ")";
      case 3: return "sin(" + inner + ")";
      case 4: return "int(" + inner + ", x)";
      case 5: return "int(" + inner + ", x = 0 .. 1)";
      case 6: return "sum(" + inner + ", k = 1 .. n)";
      case 7: return "(" + inner + ")^2";
      default: return "lim(" + inner + ", x -> 0)";
    }
  }

  size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

  std::mt19937 rng_;
  bool flat_;
};

// The nonblank characters of a drawing, counted: the markers, and every
// other character.
struct Counts {
  long markers = 0;
  std::map<std::string, long> chars;
  long blank_rows = 0;
  bool operator==(const Counts& other) const {
    return markers == other.markers && chars == other.chars;
  }
};

Counts Counted(const vornix::Drawing& d, const std::string& marker) {
  Counts counts;
  for (const std::string& row : d.rows) {
    if (row.find_first_not_of(' ') == std::string::npos) ++counts.blank_rows;
    for (size_t i = 0; i < row.size();) {
      size_t n = 1;
      while (i + n < row.size() && (static_cast<unsigned char>(row[i + n]) & 0xC0) == 0x80) ++n;
      if (row.compare(i, marker.size(), marker) == 0) {
        ++counts.markers;
      } else if (row[i] != ' ') {
        ++counts.chars[row.substr(i, n)];
      }
      i += n;
    }
  }
  return counts;
}

// Whether `after` holds what `before` does: the same characters, but for
// fraction bars, which a fraction broken by its terms draws shorter, and
// the brackets and slash of a fraction written on one row.
bool NothingLost(const Counts& before, const Counts& after) {
  static const std::set<std::string> kBars{"-", "\u2500", "\u2501", "\u23af"};
  static const std::set<std::string> kOneRow{"(", ")", "/", "\\", "|", "\u239b", "\u239c", "\u239d",
                                             "\u239e", "\u239f", "\u23a0"};
  std::set<std::string> seen;
  for (const auto& [c, n] : before.chars) seen.insert(c);
  for (const auto& [c, n] : after.chars) seen.insert(c);
  for (const std::string& c : seen) {
    // A bar counts with every other bar: a fraction broken to fit may draw
    // its main bar as a plain one.
    auto count = [&](const Counts& k) {
      long n = 0;
      for (const auto& [d, m] : k.chars) {
        if (d == c || (kBars.count(c) && kBars.count(d))) n += m;
      }
      return n;
    };
    long b = count(before);
    long a = count(after);
    if (kBars.count(c) ? a > b : kOneRow.count(c) ? a < b : a != b) return false;
  }
  return true;
}

// Rejoins the rows of a one-row drawing's pieces: a piece goes on after a
// blank, or, after a cut, after the blanks that the cut dropped. Returns
// whether that gives the unbroken row.
bool Rejoins(const std::vector<std::string>& rows, const std::string& whole,
             const std::string& marker) {
  size_t at = 0;
  bool after_cut = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string piece = rows[i].substr(std::min(rows[i].find_first_not_of(' '), rows[i].size()));
    if (after_cut) {
      if (piece.rfind(marker + " ", 0) != 0) return false;
      piece.erase(0, marker.size() + 1);
      while (at < whole.size() && whole[at] == ' ') ++at;
    } else if (i > 0) {
      if (whole.compare(at, 1, " ") != 0) return false;
      ++at;
    }
    after_cut = piece.size() > marker.size() &&
                piece.compare(piece.size() - marker.size() - 1, std::string::npos,
                              " " + marker) == 0;
    if (after_cut) piece.erase(piece.size() - marker.size() - 1);
    if (whole.compare(at, piece.size(), piece) != 0) return false;
    at += piece.size();
  }
  return at == whole.size();
}

// No row is wider than the width; a drawing that fits is unchanged; the
// pieces hold the drawing's characters, each once, besides markers; no
// empty row comes in that the drawing did not have; a one-row drawing's
// pieces rejoin into its row.
void CheckFitted(const std::string& text, const vornix::Drawing& whole, int width,
                 bool unicode) {
  vornix::Drawing fitted = DrawOne(text, width, unicode);
  SCOPED_TRACE(text + " at width " + std::to_string(width));
  for (const std::string& row : fitted.rows) ASSERT_LE(Columns(row), width) << row;
  if (whole.width <= width) {
    EXPECT_EQ(fitted.rows, whole.rows);
    EXPECT_EQ(fitted.baseline, whole.baseline);
    return;
  }
  const std::string marker = unicode ? "\u21aa" : ">";
  Counts before = Counted(whole, marker);
  Counts after = Counted(fitted, marker);
  EXPECT_GE(after.markers, before.markers);
  EXPECT_TRUE(NothingLost(before, after));
  if (before.blank_rows == 0) {
    EXPECT_EQ(after.blank_rows, 0);
  }
  if (whole.rows.size() == 1) {
    EXPECT_TRUE(Rejoins(fitted.rows, whole.rows[0], marker));
  }
}

TEST(Fit, RulesHoldAtEveryWidth) {
  Statements statements(20240611);
  Statements flat(611, true);
  for (int k = 0; k < 300; ++k) {
    std::string text = k % 3 == 0 ? flat.statement() : statements.statement();
    vornix::Drawing whole = DrawOne(text, 0);
    vornix::Drawing whole_unicode = DrawOne(text, 0, true);
    for (int width = 10; width <= 120; ++width) {
      bool unicode = width % 3 == 0;
      CheckFitted(text, unicode ? whole_unicode : whole, width, unicode);
      if (HasFatalFailure()) return;
    }
  }
}

// Chains of parts that fit on a line with their signs and brackets at any
// indent (at most half the width) are broken only between terms: nothing
// is cut, and no marker appears.
TEST(Fit, NothingIsCutThatFitsOnALine) {
  Statements statements(7);
  std::map<std::string, int> widths;
  auto chain = [&](int& widest) {
    static const char* const kOps[] = {" + ", " - ", "*", " = ", " < ", " >= "};
    std::string text;
    for (int n = 0; n < 10; ++n) {
      std::string atom = statements.atom();
      if (!widths.count(atom)) widths[atom] = DrawOne(atom, 0).width;
      widest = std::max(widest, widths[atom]);
      if (n > 0) text += kOps[static_cast<size_t>(n * 7 + widest) % std::size(kOps)];
      // Grouped, so that no neighbour takes part of it.
      text += "(" + atom + ")";
    }
    return text;
  };
  for (int k = 0; k < 200; ++k) {
    int widest = 0;
    std::string text = chain(widest);
    if (k % 3 == 0) text = "y = 2*(" + text + ")*x - (" + chain(widest) + ")";
    if (k % 3 == 1) text = "-(" + text + ") + z";
    vornix::Drawing whole = DrawOne(text, 0);
    for (int width = 2 * (widest + 6); width <= 120; ++width) {
      SCOPED_TRACE(text + " at width " + std::to_string(width));
      EXPECT_TRUE(Counted(DrawOne(text, width), ">") == Counted(whole, ">"));
    }
  }
}

}  // namespace
