// Micro-benchmarks: pasting on canvases, scanning and parsing the corpus of
// typical statements, and drawing representative trees.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "canvas/canvas.h"
#include "expr/expr.h"
#include "language/language.h"
#define yylval token_value
#include "grammar.hh"

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

std::string_view input;
size_t input_offset = 0;

int ReadInput(char* buf, int max_size) {
  size_t n = std::min(input.size() - input_offset, static_cast<size_t>(max_size));
  std::memcpy(buf, input.data() + input_offset, n);
  input_offset += n;
  return static_cast<int>(n);
}

void StartInput(std::string_view text) {
  input = text;
  input_offset = 0;
  input_reader = ReadInput;
}

// Sends what vornix prints (drawings, messages) to a stream of its own on
// /dev/null, fully buffered as when it writes to a pipe, while the
// benchmark's report keeps the real standard output.
class OutputToNull {
 public:
  OutputToNull() : saved_(stdout), null_(std::fopen("/dev/null", "w")) {
    if (null_ == nullptr) std::abort();
    stdout = null_;
  }
  ~OutputToNull() {
    stdout = saved_;
    std::fclose(null_);
  }
  OutputToNull(const OutputToNull&) = delete;
  OutputToNull& operator=(const OutputToNull&) = delete;

 private:
  std::FILE* saved_;
  std::FILE* null_;
};

// ---- Canvas ----

// A three-row operand, like a fraction, pasted four times side by side on
// its baseline and once below, as an infix chain and a denominator are.
void BM_PasteSmall(benchmark::State& state) {
  CanvasRef operand;
  operand->put_text("a", -1, 1);
  operand->put_text("---", 0, 0);
  operand->put_text("b+c", 1, 0);
  for (auto _ : state) {
    reset_drawing_budget();
    CanvasRef c;
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
  CanvasRef operand;
  for (int r = -height / 2; r < height - height / 2; ++r) {
    operand->put_text("| x_r |", r, 0);
  }
  for (auto _ : state) {
    reset_drawing_budget();
    CanvasRef c;
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
  OutputToNull quiet;  // the corpus's bad characters are reported
  long tokens = 0;
  for (auto _ : state) {
    StartInput(Corpus());
    while (int token = next_token()) {
      ++tokens;
      if (token == INTEGER || token == REAL || token == SYMBOL || token == TRIG_NAME) {
        NodeDeleter()(token_value.expr);
      }
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(Corpus().size()));
  state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens),
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Scan);

// The whole corpus parsed, drawn and written, as `vornix < corpus.vx` does.
void BM_Parse(benchmark::State& state) {
  OutputToNull quiet;
  for (auto _ : state) {
    StartInput(Corpus());
    while (parse() != 0) skip_line();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(Corpus().size()));
  state.counters["statements"] = benchmark::Counter(
      static_cast<double>(state.iterations() * CorpusStatements()),
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Parse);

// ---- Drawing ----

Expression* Name(const char* name) { return new Symbol(name); }
Expression* Number(const char* digits) { return new Integer(digits); }

// base^exponent as the grammar builds it: a name keeps its own exponent.
Expression* Power(Expression* base, Expression* exponent) {
  if (!base->accepts_expn()) return new Pow(base, exponent);
  base->set_expn(exponent);
  return base;
}

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
  for (auto _ : state) {
    reset_drawing_budget();
    CanvasRef drawing = tree->render();
    benchmark::DoNotOptimize(drawing.get());
  }
}
BENCHMARK_CAPTURE(BM_Render, short_polynomial, ShortPolynomial);
BENCHMARK_CAPTURE(BM_Render, quadratic_formula, QuadraticFormula);
BENCHMARK_CAPTURE(BM_Render, sum_of_squares, SumOfSquares);
BENCHMARK_CAPTURE(BM_Render, double_integral, DoubleIntegral);
BENCHMARK_CAPTURE(BM_Render, determinant, Determinant);
BENCHMARK_CAPTURE(BM_Render, taylor_series, TaylorSeries);

// The drawing of the Taylor series written out, the output path alone.
void BM_Write(benchmark::State& state) {
  Owned<> tree(TaylorSeries());
  reset_drawing_budget();
  CanvasRef drawing = tree->render();
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

}  // namespace

BENCHMARK_MAIN();
