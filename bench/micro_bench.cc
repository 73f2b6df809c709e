// Micro-benchmarks: pasting on canvases; the corpus of typical statements
// scanned, parsed into trees, drawn from its trees, and streamed whole; and
// representative trees drawn.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "expr/expr.h"
#include "language/language.h"
#include "grammar.hh"
#include "vornix.hpp"

namespace {

// ---- Input ----

const std::string& Corpus() {
  static const std::string text = [] {
    std::ifstream in(VORNIX_CORPUS);
    if (!in) {
      std::fprintf(stderr, "micro_bench: cannot read %s\n", VORNIX_CORPUS);
      std::exit(1);
    }
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }();
  return text;
}

long CorpusStatements() {
  static const long lines = std::count(Corpus().begin(), Corpus().end(), '\n');
  return lines;
}

// The corpus handed to the scanner in reads of at most 8192 bytes, as a
// pipe hands it over.
class TextInput : public Source {
 public:
  explicit TextInput(std::string_view text) : text_(text) {}
  size_t read(char* buf, size_t size) override {
    size_t n = std::min({text_.size(), size, size_t{8192}});
    std::memcpy(buf, text_.data(), n);
    text_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view text_;
};

class IgnoreAll : public Listener {
 public:
  void statement(Owned<>, int) override {}
  void empty_statement(int) override {}
  void error(Status, std::string_view, int, int) override {}
};

// The pools of the canvases and nodes made here.
CanvasPool pool;
NodePool nodes;

// What vornix prints, written to /dev/null through a fully buffered
// stream, as when it writes to a pipe.
class NullOutput : public vornix::Sink {
 public:
  NullOutput() : null_(std::fopen("/dev/null", "w")) {
    if (null_ == nullptr) std::abort();
  }
  ~NullOutput() override { std::fclose(null_); }
  NullOutput(const NullOutput&) = delete;
  NullOutput& operator=(const NullOutput&) = delete;

  void drawing(int, const vornix::DrawingView& drawing) override {
    putc_unlocked('\n', null_);
    drawing.write(null_);
  }
  void message(const vornix::Message& m) override {
    fwrite_unlocked(m.text.data(), 1, m.text.size(), null_);
    putc_unlocked('\n', null_);
  }
  void empty_line(int) override { putc_unlocked('\n', null_); }

 private:
  std::FILE* null_;
};

class CorpusSource : public vornix::Source {
 public:
  size_t read(char* buf, size_t size) override { return input_.read(buf, size); }

 private:
  TextInput input_{Corpus()};
};

// ---- Canvas ----

// A three-row operand, like a fraction, pasted four times side by side on
// its baseline and once below, as an infix chain and a denominator are.
void BM_PasteSmall(benchmark::State& state) {
  CanvasRef operand(pool);
  operand->put_text("a", -1, 1);
  operand->put_text("---", 0, 0);
  operand->put_text("b+c", 1, 0);
  for (auto _ : state) {
    pool.reset_budget();
    CanvasRef c(pool);
    for (int k = 0; k < 4; ++k) c->paste(*operand, 0, 6 * k, ALIGN_BASELINE);
    c->paste(*operand, 2, 0, ALIGN_TOP);
    benchmark::DoNotOptimize(c.get());
  }
  state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_PasteSmall);

// A tall narrow operand (a tall bracket, a column vector) pasted on a fresh
// canvas by its baseline, so that the canvas grows above and below row 0.
void BM_PasteTall(benchmark::State& state) {
  int height = static_cast<int>(state.range(0));
  CanvasRef operand(pool);
  for (int r = -height / 2; r < height - height / 2; ++r) {
    operand->put_text("| x_r |", r, 0);
  }
  for (auto _ : state) {
    pool.reset_budget();
    CanvasRef c(pool);
    c->put_text("A = ", 0, 0);
    c->paste(*operand, 0, 4, ALIGN_BASELINE);
    c->paste(*operand, 0, 12, ALIGN_BASELINE);
    benchmark::DoNotOptimize(c.get());
  }
  state.SetItemsProcessed(state.iterations() * 2 * height);
}
BENCHMARK(BM_PasteTall)->Arg(5)->Arg(64)->Arg(4096);

// ---- Scanner and parser ----

// Every token of the corpus, deleting the nodes that numbers and names
// carry as the parser would.
void BM_Scan(benchmark::State& state) {
  Parser parser;
  IgnoreAll listener;
  YYSTYPE value;
  long tokens = 0;
  for (auto _ : state) {
    TextInput input(Corpus());
    parser.begin_scan(input, listener);
    while (int token = parser.scan(&value)) {
      ++tokens;
      if (token == INTEGER || token == REAL || token == SYMBOL || token == TRIG_NAME) {
        NodeDeleter()(value.expr);
      }
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(Corpus().size()));
  state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens),
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Scan);

// The corpus parsed into trees, scanner included, nothing drawn: the
// parser's own share is this less BM_Scan.
class DropTrees : public IgnoreAll {
 public:
  void statement(Owned<> tree, int) override { benchmark::DoNotOptimize(tree.get()); }
};

void BM_ParseTrees(benchmark::State& state) {
  Parser parser;
  DropTrees listener;
  for (auto _ : state) {
    TextInput input(Corpus());
    parser.parse(input, listener);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(Corpus().size()));
  state.counters["statements"] = benchmark::Counter(
      static_cast<double>(state.iterations() * CorpusStatements()),
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParseTrees);

// The whole corpus parsed, drawn and written, as `vornix < corpus.vx` does.
void BM_Stream(benchmark::State& state) {
  vornix::Session session;
  NullOutput out;
  for (auto _ : state) {
    CorpusSource input;
    session.draw(input, out);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(Corpus().size()));
  state.counters["statements"] = benchmark::Counter(
      static_cast<double>(state.iterations() * CorpusStatements()),
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Stream);

// ---- Drawing ----

Expression* Name(const char* name) { return new Symbol(name); }
Expression* Number(const char* digits) { return new Integer(digits); }

// base^exponent as the grammar builds it: a name keeps its own exponent.
Expression* Power(Expression* base, Expression* exponent) { return raise(nodes, base, exponent); }

Expression* Subscripted(const char* name, Expression* subscript) {
  auto* symbol = new Symbol(name);
  symbol->set_subscr(subscript);
  return symbol;
}

Expression* Call(const char* name, std::initializer_list<Expression*> args) {
  auto* list = new FunctionArgs;
  for (Expression* arg : args) list->append_item(arg);
  return new MultivarFunction(new Symbol(name), list);
}

// x^2 + 1
Expression* ShortPolynomial() {
  return new Add(Power(Name("x"), Number("2")), Number("1"));
}

// x = (-b + sqrt(b^2 - 4*a*c))/(2*a)
Expression* QuadraticFormula() {
  Expression* discriminant =
      new Sub(Power(Name("b"), Number("2")),
              new Mul(new Mul(Number("4"), Name("a")), Name("c")));
  Expression* numerator = new Add(new Neg(Name("b")), new Sqrt(discriminant));
  return new Equal(Name("x"),
                   new Div(numerator, new Mul(Number("2"), Name("a"))));
}

// sum(k^2, k = 1 .. n) = n*(n + 1)*(2*n + 1)/6
Expression* SumOfSquares() {
  Expression* sum = new SumOverInterval(Power(Name("k"), Number("2")),
                                        Name("k"), Number("1"), Name("n"));
  Expression* closed = new Div(
      new Mul(new Mul(Name("n"), new Add(Name("n"), Number("1"))),
              new Add(new Mul(Number("2"), Name("n")), Number("1"))),
      Number("6"));
  return new Equal(sum, closed);
}

// int(int(f(x, y), x = 0 .. 1), y = 0 .. 1)
Expression* DoubleIntegral() {
  Expression* inner = new IntegralOnInterval(
      Call("f", {Name("x"), Name("y")}), Name("x"), Number("0"), Number("1"));
  return new IntegralOnInterval(inner, Name("y"), Number("0"), Number("1"));
}

// det[a_11, a_12, a_13; a_21, a_22, a_23; a_31, a_32, a_33]
Expression* Determinant() {
  static const char* const kIndices[3][3] = {
      {"11", "12", "13"}, {"21", "22", "23"}, {"31", "32", "33"}};
  auto* matrix = new Matrix;
  for (const auto& indices : kIndices) {
    auto* row = new Matrix::Row;
    for (const char* index : indices) row->append_item(Subscripted("a", Number(index)));
    matrix->add_row(row);
  }
  matrix->set_det();
  return matrix;
}

// e^x = 1 + x + x^2/2! + x^3/3! + ... + x^12/12!: a long line of terms.
Expression* TaylorSeries() {
  Expression* series = new Add(Number("1"), Name("x"));
  for (int k = 2; k <= 12; ++k) {
    std::string n = std::to_string(k);
    Expression* term = new Div(Power(Name("x"), Number(n.c_str())),
                               new Fact(Number(n.c_str())));
    series = new Add(series, term);
  }
  return new Equal(Power(Name("e"), Name("x")), series);
}

void BM_Render(benchmark::State& state, Expression* (*build)()) {
  Owned<> tree(build());
  RenderContext cx{pool, Style{}};
  for (auto _ : state) {
    pool.reset_budget();
    CanvasRef drawing = tree->render(cx);
    benchmark::DoNotOptimize(drawing.get());
  }
}
BENCHMARK_CAPTURE(BM_Render, short_polynomial, ShortPolynomial);
BENCHMARK_CAPTURE(BM_Render, quadratic_formula, QuadraticFormula);
BENCHMARK_CAPTURE(BM_Render, sum_of_squares, SumOfSquares);
BENCHMARK_CAPTURE(BM_Render, double_integral, DoubleIntegral);
BENCHMARK_CAPTURE(BM_Render, determinant, Determinant);
BENCHMARK_CAPTURE(BM_Render, taylor_series, TaylorSeries);

// The trees of the whole corpus, parsed once, drawn: the drawing alone.
class KeepTrees : public IgnoreAll {
 public:
  void statement(Owned<> tree, int) override { trees.push_back(std::move(tree)); }
  std::vector<Owned<>> trees;
};

void BM_RenderCorpus(benchmark::State& state) {
  Parser parser;
  KeepTrees kept;
  TextInput input(Corpus());
  parser.parse(input, kept);
  RenderContext cx{pool, Style{}};
  for (auto _ : state) {
    for (const Owned<>& tree : kept.trees) {
      pool.reset_budget();
      CanvasRef drawing = tree->render(cx);
      benchmark::DoNotOptimize(drawing.get());
    }
  }
  state.counters["statements"] = benchmark::Counter(
      static_cast<double>(state.iterations() * static_cast<long>(kept.trees.size())),
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderCorpus);

// The drawing of the Taylor series written out, the output path alone.
void BM_Write(benchmark::State& state) {
  Owned<> tree(TaylorSeries());
  RenderContext cx{pool, Style{}};
  pool.reset_budget();
  CanvasRef drawing = tree->render(cx);
  std::FILE* null = std::fopen("/dev/null", "w");
  const Canvas& rows = *drawing;
  long bytes = 0;
  for (int r = rows.first_row(); r < rows.first_row() + rows.nrows(); ++r) {
    bytes += rows[r].length() + 1;
  }
  for (auto _ : state) drawing->write(null);
  std::fclose(null);
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_Write);

// ---- The library ----

// Calls of vornix_draw on one text with the given flags: a whole call,
// session included, as a program that embeds the library makes it.
void LibraryCalls(benchmark::State& state, std::string_view text, unsigned flags) {
  vornix_options options{};
  options.flags = flags;
  for (auto _ : state) {
    int status;
    char* drawing = vornix_draw(text.data(), text.size(), &options, &status);
    benchmark::DoNotOptimize(drawing);
    vornix_free(drawing);
  }
  state.SetItemsProcessed(state.iterations());
}

// A short statement, by several threads at once.
void BM_LibraryCall(benchmark::State& state) { LibraryCalls(state, "x^2/2 + sqrt(1/2)", 0); }
BENCHMARK(BM_LibraryCall)->Threads(1)->Threads(2)->UseRealTime();

// The same for a short LaTeX formula, which must cost about what a linear
// statement does; and the same formula in the linear language, which a
// figure for a longer statement cannot stand for.
void BM_LibraryCallLatex(benchmark::State& state) {
  LibraryCalls(state, "\\frac{a}{b}", VORNIX_LATEX);
}
BENCHMARK(BM_LibraryCallLatex)->Threads(1)->UseRealTime();
void BM_LibraryCallFraction(benchmark::State& state) { LibraryCalls(state, "a/b", 0); }
BENCHMARK(BM_LibraryCallFraction)->Threads(1)->UseRealTime();

// x^2/2, which the JavaScript package's calls from Node are timed on too.
void BM_LibraryCallShort(benchmark::State& state) { LibraryCalls(state, "x^2/2", 0); }
BENCHMARK(BM_LibraryCallShort)->Threads(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
