// LaTeX's environments of rows and columns: matrices and cases, drawn as
// the linear language's matrices are, and the tables that align, gather,
// array and their kin write, with their tags and rules. A formula that
// writes \\ or & outside any environment is a table of its own.
#include <algorithm>
#include <array>
#include <iterator>
#include <memory>
#include <vector>

#include "language/latex_parser.h"
#include "language/latex_search.h"

namespace latex {

enum class Argument : unsigned char {
  none,
  count,    // {n}: how many columns, as alignat writes; read and not needed
  columns,  // {lcr}: the columns of an array
};

struct Environment {
  std::string_view name;
  /// A matrix's brackets, and the blank columns between its columns: 1 in
  /// matrices, which draw as the linear language's; 2 where cells are
  /// formulas that hold blanks.
  Delimiter opening = Delimiter::none;
  Delimiter closing = Delimiter::none;
  int column_gap = 1;
  /// A table's columns (empty for a matrix), as a pattern repeated as far
  /// as its rows reach: for each column a digit, the blanks before it, and
  /// a letter, how it aligns: l, c or r; L for a left column that goes on
  /// with the formula of the column before it, so that an operator first
  /// in it has an empty operand on its left, as = in a &= b; C for a
  /// centred column whose rows go on with the row before.
  std::string_view columns{};
  Argument argument = Argument::none;
  /// A product in a cell shows its dot in Unicode, as in a matrix.
  bool dotted = false;
};

// Pairs of a right and a left column, the relations of one row lined up
// with those of the next.
constexpr std::string_view kPairs = "2r1L";
constexpr std::string_view kCentred = "2c";

constexpr Environment kEnvironments[] = {
    {"matrix"},
    {"smallmatrix"},
    {"pmatrix", Delimiter::paren, Delimiter::paren},
    {"bmatrix", Delimiter::square, Delimiter::square},
    {"Bmatrix", Delimiter::brace, Delimiter::brace},
    {"vmatrix", Delimiter::bar, Delimiter::bar},
    {"Vmatrix", Delimiter::double_bar, Delimiter::double_bar},
    {"cases", Delimiter::brace, Delimiter::none, 2},
    {"dcases", Delimiter::brace, Delimiter::none, 2},
    {"rcases", Delimiter::none, Delimiter::brace, 2},
    {.name = "align", .columns = kPairs},
    {.name = "align*", .columns = kPairs},
    {.name = "aligned", .columns = kPairs},
    {.name = "flalign", .columns = kPairs},
    {.name = "flalign*", .columns = kPairs},
    {.name = "split", .columns = kPairs},
    {.name = "alignat", .columns = kPairs, .argument = Argument::count},
    {.name = "alignat*", .columns = kPairs, .argument = Argument::count},
    {.name = "alignedat", .columns = kPairs, .argument = Argument::count},
    {.name = "eqnarray", .columns = "2r1c1l"},
    {.name = "eqnarray*", .columns = "2r1c1l"},
    {.name = "gather", .columns = kCentred},
    {.name = "gather*", .columns = kCentred},
    {.name = "gathered", .columns = kCentred},
    // The first row of multline stands left and the last right in print;
    // drawn, all of them are centred, each going on with the one before.
    {.name = "multline", .columns = "2C"},
    {.name = "multline*", .columns = "2C"},
    {.name = "equation", .columns = kCentred},
    {.name = "equation*", .columns = kCentred},
    {.name = "displaymath", .columns = kCentred},
    {.name = "array", .columns = kCentred, .argument = Argument::columns, .dotted = true},
    {.name = "subarray", .columns = kCentred, .argument = Argument::columns, .dotted = true},
};

// The environments that a formula's own rows are read as.
constexpr Environment kTopColumns{.name = "aligned", .columns = kPairs};
constexpr Environment kTopRows{.name = "gathered", .columns = kCentred};

// An array declares no more columns than this; its rows may have more.
constexpr size_t kMaxDeclaredColumns = 256;

struct FormulaParser::Layout {
  const Environment& environment;
  /// An array's own columns; the environment's pattern goes on after them.
  std::vector<Table::Column> declared{};
  int rules_right = 0;
  /// The rows of a whole formula, which end where it ends.
  bool top = false;
  /// Rows in braces, which end at the closing one: \matrix{a & b \cr c & d}.
  bool braced = false;

  bool table() const { return !environment.columns.empty(); }

  /// Column j, and whether it goes on with the formula of the one before.
  Table::Column column(size_t j, bool* continues = nullptr) const {
    if (continues != nullptr) *continues = false;
    if (j < declared.size()) return declared[j];
    std::string_view pattern = environment.columns;
    size_t k = (j - declared.size()) % (pattern.size() / 2) * 2;
    char letter = pattern[k + 1];
    if (continues != nullptr) *continues = letter == 'L' || letter == 'C';
    Table::Column c;
    c.gap = pattern[k] - '0';
    c.align = letter == 'r'                    ? Table::Align::right
              : letter == 'c' || letter == 'C' ? Table::Align::centre
                                               : Table::Align::left;
    return c;
  }
};

namespace {

const Environment* find_environment(std::string_view name) {
  const Environment* env =
      std::find_if(std::begin(kEnvironments), std::end(kEnvironments),
                   [name](const Environment& e) { return e.name == name; });
  return env == std::end(kEnvironments) ? nullptr : env;
}

// Past the braced group that starts at pattern[i], after blanks; i stays
// before anything else.
size_t skip_group(std::string_view pattern, size_t i) {
  size_t k = i;
  while (k < pattern.size() && is_blank(pattern[k])) ++k;
  if (k >= pattern.size() || pattern[k] != '{') return i;
  for (int open = 0; k < pattern.size(); ++k) {
    if (pattern[k] == '{') ++open;
    if (pattern[k] == '}' && --open == 0) return k + 1;
  }
  return pattern.size();
}

// The columns of an array's column template, read leniently: l, c and r align;
// p{..}, m{..} and b{..} are columns of text, drawn left; | and : are
// rules; *{n}{...} repeats; @{..}, !{..}, >{..} and <{..} are dropped, and
// so is anything else that is not a letter.
void read_columns(std::string_view pattern, std::vector<Table::Column>& columns, int& rules,
                  int depth = 0) {
  for (size_t i = 0; i < pattern.size() && columns.size() < kMaxDeclaredColumns; ++i) {
    char c = pattern[i];
    Table::Column column;
    column.rules = rules;
    switch (c) {
      case '|':
      case ':':
        ++rules;
        continue;
      case '@':
      case '!':
      case '>':
      case '<':
        i = skip_group(pattern, i + 1) - 1;
        continue;
      case '*': {
        size_t count_end = skip_group(pattern, i + 1);
        size_t body_end = skip_group(pattern, count_end);
        size_t open = pattern.find('{', i + 1);
        int n = 0;
        for (size_t k = open + 1; k < count_end - 1 && n < 1000; ++k) {
          if (is_digit(pattern[k])) n = n * 10 + (pattern[k] - '0');
        }
        if (body_end > count_end && depth < 4) {
          size_t body = pattern.find('{', count_end);
          std::string_view inner = pattern.substr(body + 1, body_end - body - 2);
          // A body that declares no column is read once.
          for (int k = 0; k < n && columns.size() < kMaxDeclaredColumns; ++k) {
            size_t before = columns.size();
            read_columns(inner, columns, rules, depth + 1);
            if (columns.size() == before) break;
          }
        }
        i = body_end - 1;
        continue;
      }
      case 'l':
      case 'p':
      case 'm':
      case 'b':
        column.align = Table::Align::left;
        break;
      case 'r':
        column.align = Table::Align::right;
        break;
      default:
        if (!is_letter(c)) continue;
    }
    if (c == 'p' || c == 'm' || c == 'b') i = skip_group(pattern, i + 1) - 1;
    columns.push_back(column);
    rules = 0;
  }
}

}  // namespace

// Whether the formula holds rows, a \\, & or \tag outside any group and
// environment; columns, whether it holds an &.
bool has_rows(std::string_view formula, bool& columns) {
  int depth = 0;
  bool rows = false;
  columns = false;
  // Only braces, ampersands and backslashes matter: the bytes between are
  // passed over many at a time.
  MarkSearch<'{', '}', '&', '\\'> marks(formula);
  for (size_t i = 0; (i = marks.next(i)) < formula.size(); ++i) {
    char c = formula[i];
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      --depth;
    } else if (c == '&') {
      if (depth == 0) rows = columns = true;
    } else if (i + 1 < formula.size()) {
      size_t k = i + 1;
      while (k < formula.size() && is_letter(formula[k])) ++k;
      std::string_view name = formula.substr(i + 1, k - i - 1);
      if (name == "begin") {
        ++depth;
      } else if (name == "end") {
        --depth;
      } else if (depth == 0 && (name == "tag" || (name.empty() && formula[k] == '\\'))) {
        rows = true;
      }
      i = name.empty() ? k : k - 1;
    }
  }
  return rows;
}

bool FormulaParser::read_environment(std::string_view& name) {
  size_t begin, end;
  if (!tokens_.braced_text(begin, end)) return false;
  name = tokens_.line().substr(begin, end - begin);
  return true;
}

// The spacing that \\ may take, as in \\[2pt], and its star.
void FormulaParser::skip_row_spacing() {
  std::string_view line = tokens_.line();
  size_t i = tokens_.mark().pos;
  if (i < line.size() && line[i] == '*') ++i;
  size_t k = i;
  while (k < line.size() && is_blank(line[k])) ++k;
  if (k >= line.size() || line[k] != '[') {
    tokens_.skip_to(i);
    return;
  }
  size_t close = line.find(']', k);
  if (close == std::string_view::npos) return;
  // A length: a number and a unit, or a command such as \jot.
  std::string_view length = line.substr(k + 1, close - k - 1);
  size_t p = 0;
  auto skip = [&](auto accept) {
    while (p < length.size() && accept(length[p])) ++p;
  };
  skip(is_blank);
  skip([](char c) { return c == '-' || c == '+'; });
  skip([](char c) { return is_digit(c) || c == '.'; });
  skip(is_blank);
  size_t unit = p;
  if (p < length.size() && length[p] == '\\') ++p;
  skip(is_letter);
  std::string_view name = length.substr(unit, p - unit);
  skip(is_blank);
  constexpr std::string_view kUnits[] = {"pt", "mm", "cm", "in", "ex", "em",
                                         "bp", "pc", "dd", "cc", "sp", "mu"};
  bool known = (!name.empty() && name[0] == '\\') ||
               std::find(std::begin(kUnits), std::end(kUnits), name) != std::end(kUnits);
  if (p == length.size() && known) tokens_.skip_to(close + 1);
}

// The braced text after t, as \text draws it.
Owned<> FormulaParser::parse_words(const Token& t) {
  size_t begin, end;
  if (!tokens_.braced_text(begin, end)) return fail_at(t, spelled(t) + " needs {text}");
  return plain_text(tokens_.line().substr(begin, end - begin), false);
}

// \tag{1} as (1), \tag*{A} as A.
Owned<> FormulaParser::parse_tag(const Token& t) {
  bool star = tokens_.peek().is('*');
  if (star) tokens_.next();
  Owned<> written = parse_words(t);
  if (!written || star) return written;
  return text("(" + static_cast<Text&>(*written).lexeme + ")");
}

// Whether the sign that comes next is all its cell holds, as in a &+& b.
bool FormulaParser::sign_alone() {
  Tokenizer::Mark m = tokens_.mark();
  tokens_.next();
  bool alone = at_cell_end();
  tokens_.reset(m);
  return alone;
}

// A cell of a table. In a column that goes on with the one before it, and
// in any cell that starts with a relation or holds a sign alone, an
// operator first has an empty operand on its left: a &= b, a &+ b,
// a &=& b.
Owned<> FormulaParser::parse_cell(const Layout& layout, bool continues) {
  Owned<> cell;
  if (!layout.table()) {
    cell = parse_list();
  } else if (relation_at() >= 0 || (is_sign(tokens_.peek()) && (continues || sign_alone()))) {
    cell = parse_additive(text(""));
    if (cell && relation_at() >= 0) cell = parse_relations(std::move(cell));
    if (cell && tokens_.peek().is(',')) cell = parse_sequence(std::move(cell));
  } else {
    cell = parse_list();
  }
  if (cell && layout.table() && tokens_.peek().is(Kind::over)) cell = parse_over(std::move(cell));
  if (cell && at_final_punctuation()) cell = punctuated(std::move(cell));
  return cell;
}

// The rows of a matrix or a table up to its \end, or to the end of the
// formula: & parts cells and \\ rows; a short row leaves its cells blank,
// a last \\ starts no row. A table's row may hold a \tag, and \hline draws
// a rule between rows.
[[gnu::noinline]] Owned<> FormulaParser::parse_rows(const Token& opening, const Layout& layout) {
  std::vector<std::unique_ptr<Table::Row>> rows;
  rows.reserve(4);
  int rules_below = 0;
  {
    Nested nested(*this);
    Open open(open_matrices_);
    auto row = new_list<Table::Row>();
    auto rules = [&] {
      int n = 0;
      for (; layout.table() && tokens_.peek().is(Kind::hline); ++n) tokens_.next();
      return n;
    };
    auto ends = [&](const Token& t) {
      return layout.top ? t.type == Type::end : layout.braced ? t.is('}') : t.is(Kind::end);
    };
    // Starts the row after the one read; true when the rows end there.
    auto next_row = [&] {
      rows.push_back(std::move(row));
      row = new_list<Table::Row>();
      row->rules_above = rules();
      if (!ends(tokens_.peek())) return false;
      rules_below = row->rules_above;
      return true;
    };
    row->rules_above = rules();
    for (;;) {
      if (layout.table() && row->items.empty() && tokens_.peek().is(Kind::intertext)) {
        // A row of text between rows: \\ \intertext{so} b &= c.
        Owned<> words = parse_words(tokens_.next());
        if (!words) return {};
        row->append_item(words.get());
        (void)words.release();
        row->across = true;
        if (next_row()) break;
        continue;
      }
      const Token& c = tokens_.peek();
      bool blank = c.is('&') || c.is(Kind::newline) || c.is(Kind::tag) || ends(c);
      bool continues = false;
      if (layout.table()) layout.column(row->items.size(), &continues);
      Owned<> cell = blank ? text("") : parse_cell(layout, continues);
      if (!cell) return {};
      row->append_item(cell.get());
      (void)cell.release();
      while (layout.table() && tokens_.peek().is(Kind::tag)) {
        Token tag = tokens_.next();
        if (row->tag) return fail_at(tag, "a row takes one \\tag");
        row->tag = parse_tag(tag);
        if (!row->tag) return {};
      }
      const Token& after = tokens_.peek();
      if (after.is('&')) {
        tokens_.next();
        continue;
      }
      if (after.is(Kind::newline) || (layout.table() && after.is(Kind::intertext))) {
        if (after.is(Kind::newline)) {
          tokens_.next();
          skip_row_spacing();
        }
        if (next_row()) break;
        continue;
      }
      if (ends(after)) {
        rules_below = rules();
        rows.push_back(std::move(row));
        break;
      }
      if (!layout.top && (after.type == Type::end || closes_enclosing(after))) {
        return fail_at(opening, layout.braced ? std::string("unbalanced {")
                                             : "\\begin{" + std::string(layout.environment.name) +
                                                   "} without \\end");
      }
      if (!report_stray(after)) unexpected(after);
      return {};
    }
  }
  if (layout.table()) {
    size_t n_cols = layout.declared.size();
    for (const auto& row : rows) n_cols = std::max(n_cols, row->items.size());
    const Table::Row& only = *rows.front();
    if (rows.size() == 1 && n_cols == 1 && !only.tag && only.rules_above == 0 &&
        rules_below == 0 && layout.rules_right == 0) {
      // One cell alone is the formula it holds.
      return std::move(rows.front()->items.front());
    }
    std::vector<Table::Column> columns;
    for (size_t j = 0; j < n_cols; ++j) columns.push_back(layout.column(j));
    auto* table = new (pool_) Table(std::move(columns), layout.environment.dotted);
    Owned<> made(table);
    table->rules_right = layout.rules_right;
    table->rules_below = rules_below;
    table->rows.reserve(rows.size());
    for (auto& row : rows) {
      table->add_row(row.get());
      (void)row.release();
    }
    return made;
  }
  const Environment& env = layout.environment;
  auto* array = new (pool_) Array(env.opening, env.closing, env.column_gap);
  Owned<> matrix(array);
  array->rows.reserve(rows.size());
  for (auto& row : rows) {
    array->add_row(row.get());
    (void)row.release();
  }
  return matrix;
}

// \begin{pmatrix} a & b \\ c & d \end{pmatrix}, \begin{align} ... and the
// other environments.
[[gnu::noinline]] Owned<> FormulaParser::handle_environment(const Token& t, Arguments&) {
  std::string_view name;
  if (!read_environment(name)) return fail_at(t, "\\begin needs {pmatrix} or another matrix");
  const Environment* env = find_environment(name);
  if (env == nullptr) return fail_at(t, "unknown environment " + std::string(name));
  Layout layout{*env};
  if (layout.table()) {
    // [t], [b] or [c]: where the table stands beside what is around it.
    std::string_view line = tokens_.line();
    size_t i = tokens_.mark().pos;
    while (i < line.size() && is_blank(line[i])) ++i;
    if (line.substr(i, 3) == "[t]" || line.substr(i, 3) == "[b]" || line.substr(i, 3) == "[c]") {
      tokens_.skip_to(i + 3);
    }
  }
  if (env->argument != Argument::none) {
    size_t begin, end;
    bool given = tokens_.braced_text(begin, end);
    if (!given && env->argument == Argument::columns) {
      return fail_at(t, "\\begin{" + std::string(name) + "} needs {columns}");
    }
    if (given && env->argument == Argument::columns) {
      read_columns(tokens_.line().substr(begin, end - begin), layout.declared, layout.rules_right);
    }
  }
  Owned<> rows = parse_rows(t, layout);
  if (!rows) return {};
  Token end = tokens_.next();
  std::string_view end_name;
  if (!read_environment(end_name)) return fail_at(end, "\\end needs {" + std::string(name) + "}");
  if (end_name != name) {
    return fail_at(end, "\\end{" + std::string(end_name) + "} does not close \\begin{" +
                            std::string(name) + "}");
  }
  return rows;
}

// \matrix{a & b \cr c & d} and \pmatrix{...}, as plain TeX writes them.
Owned<> FormulaParser::handle_plain_matrix(const Token& t, Arguments&) {
  if (!tokens_.peek().is('{')) return fail_at(t, spelled(t) + " needs {rows}");
  Token opening = tokens_.next();
  Layout layout{*find_environment(t.command->text)};
  layout.braced = true;
  Owned<> rows = parse_rows(opening, layout);
  if (rows) tokens_.next();  // the closing brace
  return rows;
}

Owned<> FormulaParser::parse_top_rows(bool columns) {
  Layout layout{columns ? kTopColumns : kTopRows};
  layout.top = true;
  Token start = tokens_.peek();
  start.length = 0;
  return parse_rows(start, layout);
}

}  // namespace latex
