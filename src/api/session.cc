// The library: sessions that parse, draw and hand over statements, and the
// C functions over them.
#include <pthread.h>
#ifndef __EMSCRIPTEN__
#include <sys/auxv.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif
#ifdef __EMSCRIPTEN__
#include <emscripten/stack.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>

#include "api/vornix.hpp"
#include "canvas/canvas.h"
#include "expr/expr.h"
#include "language/language.h"
#include "language/latex_macros.h"
#include "markdown/markdown.h"

namespace vornix {

namespace {

static_assert(static_cast<int>(::Status::too_deep) == VORNIX_ERROR_TOO_DEEP);
static_assert(static_cast<int>(::Status::memory) == VORNIX_ERROR_MEMORY);

// Stack that drawing one level of a tree may take, with room to spare, and
// the stack kept free for everything else.
#ifdef VORNIX_ADDRESS_SANITIZER
constexpr long kStackPerLevel = 3072;
#else
constexpr long kStackPerLevel = 768;
#endif
constexpr long kStackReserve = 128 * 1024;

// How the options ask drawings to look.
Style style_of(const Options& options) {
  const GlyphSet* glyphs = &kAsciiGlyphs;
  if (options.unicode) glyphs = options.ambiguous_wide ? &kNeutralGlyphs : &kUnicodeGlyphs;
  return Style{!options.narrow_roots, glyphs};
}

#ifndef __EMSCRIPTEN__
// The lowest address that the main thread's stack may grow down to, or null
// when this is not the main thread or its stack has no limit. The stack's
// mapping ends at the page that holds the program's file name, which the
// system puts above everything else on that stack, and it may grow until it
// is as large as the current limit. The thread attributes would say the
// same, but find it by reading the whole memory map.
const char* main_stack_bottom() {
  if (getpid() != static_cast<pid_t>(syscall(SYS_gettid))) return nullptr;
  rlimit limit;
  if (getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return nullptr;
  const auto* name = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  const long page = sysconf(_SC_PAGESIZE);
  if (name == nullptr || page <= 0) return nullptr;
  const auto page_mask = static_cast<uintptr_t>(page) - 1;
  const uintptr_t top = (reinterpret_cast<uintptr_t>(name + std::strlen(name) + 1) + page_mask) &
                        ~page_mask;
  const uintptr_t size = limit.rlim_cur & ~page_mask;
  if (size >= top) return nullptr;
  return reinterpret_cast<const char*>(top - size);
}
#endif

// The lowest usable address of the calling thread's stack, or null when
// it cannot be known. Each thread keeps what it found: a thread's stack does
// not move.
const char* stack_bottom() {
#ifdef __EMSCRIPTEN__
  // WebAssembly's thread attributes say nothing of the stack; its runtime
  // knows where the stack ends.
  return reinterpret_cast<const char*>(emscripten_stack_get_end());
#else
  thread_local const char* bottom = [] {
    if (const char* main = main_stack_bottom()) return main;
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return static_cast<const char*>(nullptr);
    void* low = nullptr;
    size_t size = 0;
    size_t guard = 0;
    pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_getguardsize(&attr, &guard);
    pthread_attr_destroy(&attr);
    return static_cast<const char*>(low) + guard;
  }();
  return bottom;
#endif
}

// Bytes of the calling thread's stack left below the caller's frame, less
// the reserve.
long stack_left() {
  const char* bottom = stack_bottom();
  if (bottom == nullptr) return 0;
  char here;
  return (&here - bottom) - kStackReserve;
}

// The most levels of per_level bytes each that `left` bytes of stack hold,
// at most kMaxDrawableDepth: for drawing, the deepest tree that can be
// drawn.
int levels(long left, long per_level) {
  return static_cast<int>(std::clamp(left / per_level, 0L, long{kMaxDrawableDepth}));
}

// Adapts a caller's source to the parser's.
class SourceAdapter : public ::Source {
 public:
  explicit SourceAdapter(vornix::Source& source) : source_(source) {}
  size_t read(char* buf, size_t size) override { return source_.read(buf, size); }

 private:
  vornix::Source& source_;
};

// The program's output for a text, less the empty line before the first
// drawing. Sinks must not throw: when memory runs out for the text, it
// says so instead.
class TextSink : public Sink {
 public:
  void drawing(int, const DrawingView& drawing) override {
    keep([&] {
      if (drawn_any_) text += '\n';
      drawn_any_ = true;
      drawing.append_to(text);
    });
  }
  void message(const Message& m) override {
    keep([&] {
      text.append(m.text);
      text += '\n';
    });
  }
  void empty_line(int) override {
    keep([&] { text += '\n'; });
  }
  void document(std::string_view bytes) override {
    keep([&] { text.append(bytes); });
  }

  std::string text;
  bool out_of_memory = false;

 protected:
  template <class Append>
  void keep(Append append) {
    if (out_of_memory) return;
    try {
      append();
    } catch (const std::bad_alloc&) {
      out_of_memory = true;
    }
  }

 private:
  bool drawn_any_ = false;
};

// Collects a Result; its text as a TextSink makes it.
class Collector : public TextSink {
 public:
  explicit Collector(Result& result) : result_(result) {}

  void drawing(int line, const DrawingView& drawing) override {
    keep([&] {
      Drawing d{line, {}, drawing.width(), drawing.baseline()};
      d.rows.reserve(static_cast<size_t>(drawing.height()));
      for (int i = 0; i < drawing.height(); ++i) d.rows.push_back(drawing.row(i));
      result_.drawings.push_back(std::move(d));
    });
    TextSink::drawing(line, drawing);
  }
  void message(const Message& m) override {
    keep([&] {
      result_.errors.push_back(Error{m.status, std::string(m.text), m.line, m.column});
    });
    TextSink::message(m);
  }
  void warning(const Message& m) override {
    keep([&] {
      result_.warnings.push_back(Error{m.status, std::string(m.text), m.line, m.column});
    });
  }

 private:
  Result& result_;
};

// A document's bytes as they are, with no newline added.
class DocumentSource : public ::Source {
 public:
  explicit DocumentSource(std::string_view text) : text_(text) {}
  size_t read(char* buf, size_t size) override {
    size_t n = std::min(size, text_.size());
    std::memcpy(buf, text_.data(), n);
    text_.remove_prefix(n);
    return n;
  }

 private:
  std::string_view text_;
};

const Canvas& canvas_of(const void* canvas) { return *static_cast<const Canvas*>(canvas); }

// Reads definitions into macros; when they do not read, says where and
// why in *message.
bool read_macro_text(std::string_view text, std::string* message, latex::Macros& macros) {
  latex::MacroError fault;
  if (latex::read_definitions(text, macros, fault)) return true;
  if (message != nullptr) {
    int line, column;
    latex::line_and_column(text, fault.offset, line, column);
    *message = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
               fault.message;
  }
  return false;
}

}  // namespace

int DrawingView::height() const { return canvas_of(canvas_).nrows(); }
int DrawingView::width() const { return canvas_of(canvas_).extent().width; }
int DrawingView::baseline() const { return -canvas_of(canvas_).first_row(); }

std::string DrawingView::row(int i) const {
  const Canvas& c = canvas_of(canvas_);
  std::string_view text = c[c.first_row() + i].text();
  if (!glyphs_) return std::string(text);
  std::string row;
  for (char byte : text) row.append(glyph_text(static_cast<unsigned char>(byte)));
  return row;
}

void DrawingView::append_to(std::string& out) const {
  canvas_of(canvas_).append_to(out, glyphs_);
}

void DrawingView::write(std::FILE* out) const { canvas_of(canvas_).write(out, glyphs_); }

size_t DrawingView::copy_to(char* out, size_t size) const {
  return canvas_of(canvas_).copy_to(out, size, glyphs_);
}

// The parser's listener: draws each statement and hands it to the sink.
struct Session::Impl : Listener {
  explicit Impl(const Options& o) : options(o) { read_macros(); }

  // The options' macros for the LaTeX reader, read again only when their
  // text changes.
  void read_macros() {
    if (options.macros == macros_read) return;
    macros.clear();
    macro_error.clear();
    macros_read = options.macros;
    if (!read_macro_text(macros_read, &macro_error, macros)) macros.clear();
    latex_parser.set_macros(macros.empty() ? nullptr : &macros);
  }

  // Macros that do not read leave every input undrawn, with one message.
  bool macros_failed(Sink& to) {
    if (macro_error.empty() || !(options.latex || options.markdown)) return false;
    begin(to);
    error(::Status::input, "macros: " + macro_error, 0, -1);
    return true;
  }


  void statement(Owned<> tree, int line) override {
    std::optional<CanvasRef> drawing;
    try {
      if (tree->depth() > max_depth) throw DrawingTooLarge();
      pool.reset_budget();
      RenderContext cx{pool, style_of(options)};
      drawing.emplace(tree->render(cx));
      if (options.width > 0) drawing = fit(*tree, *drawing, cx, options.width);
    } catch (const DrawingTooLarge&) {
      error(::Status::too_large, status_message(::Status::too_large), line, -1);
      return;
    } catch (const std::bad_alloc&) {
      error(::Status::too_large, status_message(::Status::too_large), line, -1);
      return;
    }
    tree.reset();
    to_sink([&] { sink->drawing(line, DrawingView(drawing->get(), options.unicode)); });
  }

  void empty_statement(int line) override {
    to_sink([&] { sink->empty_line(line); });
  }

  void error(::Status status, std::string_view text, int line, int column) override {
    auto s = static_cast<Status>(status);
    if (first == Status::ok) first = s;
    to_sink([&] { sink->message(Message{s, text, line, column}); });
  }

  // A sink that throws breaks its promise; the input ends there, nothing
  // more reaches the sink, and the exception goes to the caller once the
  // parser has put everything away.
  template <class Call>
  void to_sink(Call call) {
    if (sink_failure) return;
    try {
      call();
    } catch (...) {
      sink_failure = std::current_exception();
      parser.stop();
      latex_parser.stop();
    }
  }

  void warning(std::string_view text, int line, int column) override {
    to_sink([&] { sink->warning(Message{Status::ok, text, line, column}); });
  }

  // Readies a run into `to`: depths from the calling thread's stack left,
  // no status and no failure yet.
  void begin(Sink& to) {
    long left = stack_left();
    max_depth = levels(left, kStackPerLevel);
    latex_parser.set_max_depth(levels(left, kLatexStackPerLevel));
    sink = &to;
    first = Status::ok;
    sink_failure = nullptr;
  }

  Status run(::Source& source, Sink& to, bool* quit) {
    if (quit != nullptr) *quit = false;
    if (macros_failed(to)) return finish();
    begin(to);
    bool ended_by_quit = options.latex ? latex_parser.parse(source, *this)
                                       : parser.parse(source, *this);
    if (sink_failure) std::rethrow_exception(std::exchange(sink_failure, nullptr));
    if (quit != nullptr) *quit = ended_by_quit;
    return first;
  }
  Status finish() {
    if (sink_failure) std::rethrow_exception(std::exchange(sink_failure, nullptr));
    return first;
  }

  // A Markdown document: its text to the sink as it comes, its formulas
  // drawn by the LaTeX reader one at a time.
  struct Document : markdown::Formulas, Listener {
    explicit Document(Impl& session) : s(session) {}

    bool display(std::string_view tex, int width, markdown::Place at,
                 std::vector<std::string>& rows) override {
      return draw(tex, at, width, false, rows);
    }
    bool inline_math(std::string_view tex, markdown::Place at, std::string& row) override {
      std::vector<std::string> rows;
      if (!draw(tex, at, 0, true, rows)) return false;
      row = std::move(rows.front());
      return true;
    }
    void write(std::string_view bytes) override {
      s.to_sink([&] { s.sink->document(bytes); });
    }

    bool draw(std::string_view tex, markdown::Place at, int w, bool one, std::vector<std::string>& rows) {
      place = at;
      width = w;
      one_line = one;
      out = &rows;
      failure.reset();
      drawn = false;
      TextSource source(tex);
      definitions_only = false;
      // The definitions of one formula hold for the rest of the document.
      s.latex_parser.parse(source, *this, true);
      // A formula of definitions alone stays as written.
      if (!drawn && !failure && definitions_only) return false;
      if (!drawn && !failure) failure.emplace(::Status::input, "no formula");
      if (failure) {
        remark(failure->first, "formula left as written: " + failure->second);
        return false;
      }
      return true;
    }

    void statement(Owned<> tree, int) override {
      if (drawn || failure) {
        failure.emplace(::Status::input, "more than one formula");
        return;
      }
      try {
        Style style = style_of(s.options);
        if (tree->depth() > s.max_depth) throw DrawingTooLarge();
        s.pool.reset_budget();
        RenderContext cx{s.pool, style};
        if (one_line) {
          out->push_back(one_row(*tree, cx));
        } else {
          CanvasRef d = tree->render(cx);
          if (width > 0) d = fit(*tree, d, cx, width);
          DrawingView view(d.get(), s.options.unicode);
          for (int i = 0; i < view.height(); ++i) out->push_back(view.row(i));
        }
        drawn = true;
      } catch (const DrawingTooLarge&) {
        failure.emplace(::Status::too_large, "drawing too large");
      } catch (const std::bad_alloc&) {
        failure.emplace(::Status::too_large, "drawing too large");
      }
    }
    void empty_statement(int) override { definitions_only = !drawn; }
    void error(::Status status, std::string_view text, int, int) override {
      if (!failure) failure.emplace(status, std::string(text));
    }
    void warning(std::string_view text, int, int) override {
      remark(::Status::ok, std::string(text));
    }

    // A remark on the formula at `place`, its opening delimiter; columns
    // count from 1 in the text.
    void remark(::Status status, const std::string& text) {
      std::string message = "line " + std::to_string(place.line) + ", column " +
                            std::to_string(place.column + 1) + ": " + text;
      s.to_sink([&] {
        s.sink->warning(Message{static_cast<Status>(status), message, place.line, place.column});
      });
    }

    Impl& s;
    markdown::Place place{1, 0};
    int width = 0;
    bool one_line = false;
    bool drawn = false;
    bool definitions_only = false;
    std::vector<std::string>* out = nullptr;
    std::optional<std::pair<::Status, std::string>> failure;
  };

  Status run_document(::Source& source, Sink& to) {
    if (macros_failed(to)) return finish();
    begin(to);
    // Each document starts with the options' macros alone.
    latex_parser.forget_definitions();
    Document document(*this);
    markdown::Scanner scanner(document, options.width);
    std::vector<char> buf(64 * 1024);
    while (!sink_failure) {
      size_t n = source.read(buf.data(), buf.size());
      if (n == 0) break;
      scanner.feed(std::string_view(buf.data(), n));
    }
    if (!sink_failure) scanner.finish();
    if (sink_failure) std::rethrow_exception(std::exchange(sink_failure, nullptr));
    return first;
  }

  Options options;
  Parser parser;
  LatexParser latex_parser;
  latex::Macros macros;
  std::string macros_read;  // the text that macros were read from
  std::string macro_error;
  CanvasPool pool;
  Sink* sink = nullptr;
  std::exception_ptr sink_failure;
  Status first = Status::ok;
  int max_depth = 0;  // what the calling thread's stack allows
};

Session::Session(const Options& options) : impl_(std::make_unique<Impl>(options)) {}
Session::~Session() = default;
Session::Session(Session&&) noexcept = default;
Session& Session::operator=(Session&&) noexcept = default;

const Options& Session::options() const { return impl_->options; }
void Session::set_options(const Options& options) {
  impl_->options = options;
  impl_->read_macros();
}

bool check_macros(std::string_view text, std::string* message) {
  latex::Macros macros;
  return read_macro_text(text, message, macros);
}

Status Session::draw(std::string_view text, Sink& sink) {
  if (impl_->options.markdown) {
    DocumentSource source(text);
    return impl_->run_document(source, sink);
  }
  TextSource source(text);
  return impl_->run(source, sink, nullptr);
}

Status Session::draw(Source& source, Sink& sink, bool* quit) {
  SourceAdapter adapter(source);
  if (impl_->options.markdown) {
    if (quit != nullptr) *quit = false;
    return impl_->run_document(adapter, sink);
  }
  return impl_->run(adapter, sink, quit);
}

Result Session::draw(std::string_view text) {
  Result result;
  Collector collector(result);
  result.status = draw(text, collector);
  if (collector.out_of_memory) throw std::bad_alloc();
  result.text = std::move(collector.text);
  return result;
}

const char* version() { return VORNIX_VERSION_STRING; }

}  // namespace vornix

// ---- The C functions ----

extern "C" char* vornix_draw(const char* text, size_t length,
                             const vornix_options* options, int* status) {
  try {
    vornix::Options o;
    if (options != nullptr) {
      o.narrow_roots = (options->flags & VORNIX_NARROW_ROOTS) != 0;
      o.unicode = (options->flags & VORNIX_UNICODE) != 0;
      o.latex = (options->flags & VORNIX_LATEX) != 0;
      o.ambiguous_wide = (options->flags & VORNIX_AMBIGUOUS_WIDE) != 0;
      o.markdown = (options->flags & VORNIX_MARKDOWN) != 0;
      o.width = options->width;
      if ((options->flags & VORNIX_MACROS) != 0 && options->macros != nullptr) {
        o.macros.assign(options->macros, options->macros_length);
      }
    }
    vornix::Session session(o);
    vornix::TextSink sink;
    vornix::Status s = session.draw(std::string_view(text == nullptr ? "" : text, text == nullptr ? 0 : length), sink);
    if (sink.out_of_memory) throw std::bad_alloc();
    auto* copy = static_cast<char*>(std::malloc(sink.text.size() + 1));
    if (copy == nullptr) throw std::bad_alloc();
    std::memcpy(copy, sink.text.c_str(), sink.text.size() + 1);
    if (status != nullptr) *status = static_cast<int>(s);
    return copy;
  } catch (...) {
    if (status != nullptr) *status = VORNIX_ERROR_MEMORY;
    return nullptr;
  }
}

extern "C" void vornix_free(char* drawing) { std::free(drawing); }

extern "C" const char* vornix_version(void) { return VORNIX_VERSION_STRING; }
