#include "api/vornix.hpp"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cstring>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(Session, DrawsEachStatementWithItsRowsWidthAndBaseline) {
  vornix::Session session;
  vornix::Result r = session.draw("x^2/2\n\n1 + 1/x");
  EXPECT_EQ(vornix::Status::ok, r.status);
  ASSERT_EQ(2u, r.drawings.size());
  const vornix::Drawing& fraction = r.drawings[0];
  EXPECT_EQ((std::vector<std::string>{" 2", "x", "--", " 2"}), fraction.rows);
  EXPECT_EQ(2, fraction.width);
  EXPECT_EQ(2, fraction.baseline);
  EXPECT_EQ(1, fraction.line);
  EXPECT_EQ(3, r.drawings[1].line);
  EXPECT_EQ(1, r.drawings[1].baseline);
  // The program's text, less the empty line before the first drawing.
  EXPECT_EQ(
      " 2\n"
      "x\n"
      "--\n"
      " 2\n"
      "\n"
      "\n"
      "    1\n"
      "1 + -\n"
      "    x\n", r.text);
}

TEST(Session, ReportsEveryMessageWithItsLineAndColumn) {
  struct {
    const char* text;
    vornix::Status status;
    std::vector<std::string> messages;
    int line;
    int column;
  } cases[] = {
      {"2x", vornix::Status::input, {"syntax error"}, 1, 1},
      {"x\n1 + * 2", vornix::Status::input, {"syntax error"}, 2, 4},
      {"a\n\n|x|", vornix::Status::input,
       {"bad character '|'", "syntax error", "bad character '|'"}, 3, 0},
      {"x +", vornix::Status::input, {"syntax error"}, 1, 3},
      {"sqrt(x)", vornix::Status::ok, {}, 0, 0},
  };
  for (const auto& test : cases) {
    vornix::Session session;
    vornix::Result r = session.draw(test.text);
    EXPECT_EQ(test.status, r.status) << test.text;
    std::vector<std::string> messages;
    for (const vornix::Error& e : r.errors) messages.push_back(e.message);
    EXPECT_EQ(test.messages, messages) << test.text;
    if (!r.errors.empty()) {
      EXPECT_EQ(test.line, r.errors[0].line) << test.text;
      EXPECT_EQ(test.column, r.errors[0].column) << test.text;
    }
  }
}

TEST(Session, TheFirstFailureGivesTheStatus) {
  vornix::Session session;
  std::string deep(12000, '(');
  vornix::Result r = session.draw(deep + "x" + std::string(12000, ')') + "\n2x");
  EXPECT_EQ(vornix::Status::too_deep, r.status);
  ASSERT_EQ(2u, r.errors.size());
  EXPECT_EQ("yacc stack overflow", r.errors[0].message);
  EXPECT_EQ(vornix::Status::input, r.errors[1].status);
  EXPECT_EQ(2, r.errors[1].line);
  EXPECT_EQ(vornix::Status::too_large, session.draw(std::string(70'000'000, 'a')).status);
}

// A source that hands out its text in reads of at most 3 bytes and counts
// what it was asked for.
class Trickle : public vornix::Source {
 public:
  explicit Trickle(std::string text) : text_(std::move(text)) {}
  size_t read(char* buf, size_t size) override {
    size_t n = std::min({size, size_t{3}, text_.size() - offset_});
    text_.copy(buf, n, offset_);
    offset_ += n;
    return n;
  }
  size_t offset_ = 0;

 private:
  std::string text_;
};

class Lines : public vornix::Sink {
 public:
  void drawing(int line, const vornix::DrawingView& d) override {
    text += std::to_string(line) + ":";
    d.append_to(text);
  }
  void message(const vornix::Message& m) override {
    text += std::to_string(m.line) + ":" + std::string(m.text) + "\n";
  }
  void empty_line(int line) override { text += std::to_string(line) + ":\n"; }
  std::string text;
};

TEST(Session, ReadsASourceUpToQuitAndNoFurther) {
  vornix::Session session;
  Trickle source("a\n\n|\nquit\nb\n" + std::string(100, 'c'));
  Lines sink;
  bool quit = false;
  EXPECT_EQ(vornix::Status::input, session.draw(source, sink, &quit));
  EXPECT_TRUE(quit);
  EXPECT_EQ("1:a\n2:\n3:bad character '|'\n3:syntax error\n", sink.text);
  EXPECT_LT(source.offset_, 20u);
  // The session starts the next input clean.
  Lines next;
  session.draw("x", next);
  EXPECT_EQ("1:x\n", next.text);
}

// A sink that throws on its second drawing.
class Fragile : public Lines {
 public:
  void drawing(int line, const vornix::DrawingView& d) override {
    if (++drawings == 2) throw std::runtime_error("full");
    Lines::drawing(line, d);
  }
  int drawings = 0;
};

// Copies each drawing with copy_to into rooms of every size around the
// one that it needs, next to what append_to makes of it.
class Copies : public vornix::Sink {
 public:
  void drawing(int, const vornix::DrawingView& d) override {
    std::string whole;
    d.append_to(whole);
    size_t enough = (static_cast<size_t>(d.width()) + 1) * static_cast<size_t>(d.height()) * 4 + 3;
    for (size_t size = 0; size <= enough; ++size) {
      std::string room(size + 1, '#');
      size_t n = d.copy_to(room.data(), size);
      if (n == 0) {
        // Nothing is copied when it may not fit.
        EXPECT_EQ(std::string(size + 1, '#'), room);
        continue;
      }
      EXPECT_LE(n, size);
      EXPECT_EQ(whole, room.substr(0, n));
      EXPECT_EQ('#', room[size]);
    }
    EXPECT_NE(0u, d.copy_to(std::string(enough, ' ').data(), enough));
    ++drawings;
  }
  void message(const vornix::Message&) override {}
  void empty_line(int) override {}
  int drawings = 0;
};

TEST(Session, CopiesADrawingIntoRoomOnlyWhenItSurelyFits) {
  for (bool unicode : {false, true}) {
    vornix::Options options;
    options.unicode = unicode;
    vornix::Session session(options);
    Copies sink;
    session.draw("x\nsqrt(alpha/beta) + sum(a_k, k = 1 .. n)\n[1, 2; 3, 4]", sink);
    EXPECT_EQ(3, sink.drawings);
  }
}

TEST(Session, ASinkThatThrowsEndsTheInputAndPassesTheExceptionOn) {
  vornix::Session session;
  Fragile sink;
  Trickle source("a\nb\n(c + 1/(d\n" + std::string(10000, 'e') + "\n");
  EXPECT_THROW(session.draw(source, sink), std::runtime_error);
  EXPECT_EQ("1:a\n", sink.text);
  EXPECT_LT(source.offset_, 100u);
  // Nothing of that input is left for the next.
  Lines next;
  session.draw("x", next);
  EXPECT_EQ("1:x\n", next.text);
}

TEST(Library, CFunctions) {
  int status = -1;
  char* drawing = vornix_draw("sqrt(1/2)\nquit\nx", 16, nullptr, &status);
  ASSERT_NE(nullptr, drawing);
  EXPECT_STREQ("    _\n   /1\n  / -\n\\/  2\n", drawing);
  EXPECT_EQ(VORNIX_OK, status);
  vornix_free(drawing);

  vornix_options narrow{VORNIX_NARROW_ROOTS, 0, nullptr, 0};
  // The length counts: the text need not end with a zero byte.
  drawing = vornix_draw("sqrt(1/2)junk", 9, &narrow, nullptr);
  EXPECT_STREQ("  _\n |1\n |-\n\\|2\n", drawing);
  vornix_free(drawing);

  // Neutral-width characters modify Unicode drawings and leave ASCII ones.
  vornix_options neutral{VORNIX_UNICODE | VORNIX_AMBIGUOUS_WIDE, 0, nullptr, 0};
  drawing = vornix_draw("alpha/2 <= inf", 14, &neutral, nullptr);
  EXPECT_STREQ("alpha\n\u23af\u23af\u23af\u23af\u23af < oo\n  2   -\n", drawing);
  vornix_free(drawing);
  vornix_options ascii{VORNIX_AMBIGUOUS_WIDE, 0, nullptr, 0};
  drawing = vornix_draw("1/2", 3, &ascii, nullptr);
  EXPECT_STREQ("1\n-\n2\n", drawing);
  vornix_free(drawing);

  drawing = vornix_draw("1 +\n|", 5, nullptr, &status);
  EXPECT_STREQ("syntax error\nbad character '|'\nsyntax error\n", drawing);
  EXPECT_EQ(VORNIX_ERROR_INPUT, status);
  vornix_free(drawing);
  vornix_free(nullptr);
  EXPECT_STREQ(VORNIX_VERSION_STRING, vornix_version());
}

// LaTeX macros go with VORNIX_MACROS, and only with it: a program built
// when the structure had two fields never sets the flag, and the library
// then reads no further.
TEST(Library, CMacros) {
  const char macros[] = "\\newcommand{\\half}[1]{\\frac{#1}{2}}junk";
  vornix_options options{VORNIX_LATEX | VORNIX_MACROS, 0, macros, sizeof macros - 5};
  int status = -1;
  char* drawing = vornix_draw("\\half{x}", 8, &options, &status);
  EXPECT_STREQ("x\n-\n2\n", drawing);
  EXPECT_EQ(VORNIX_OK, status);
  vornix_free(drawing);

  options.flags = VORNIX_LATEX;
  drawing = vornix_draw("\\half{x}", 8, &options, &status);
  EXPECT_STREQ("\\half{x}\n", drawing);
  vornix_free(drawing);

  options = {VORNIX_LATEX | VORNIX_MACROS, 0, macros, sizeof macros - 1};
  drawing = vornix_draw("\\half{x}\ny", 10, &options, &status);
  EXPECT_STREQ("macros: line 1, column 36: not a definition\n", drawing);
  EXPECT_EQ(VORNIX_ERROR_INPUT, status);
  vornix_free(drawing);
}

// A document goes through the C function and through a session's source and
// sink alike: text as it came, formulas drawn, bad ones left with a warning
// and no failure; a "quit" in a document is only a word.
TEST(Library, MarkdownDocuments) {
  const std::string document = "quit $x^2$ now\n$$\\frac{1}{2}$$\n$\\frac{1}$ $5\n";
  const char* expected = "quit x^2 now\n\n1\n-\n2\n\n$\\frac{1}$ $5\n";
  vornix_options options{VORNIX_MARKDOWN, 0, nullptr, 0};
  int status = -1;
  char* drawn = vornix_draw(document.data(), document.size(), &options, &status);
  ASSERT_NE(nullptr, drawn);
  EXPECT_STREQ(expected, drawn);
  EXPECT_EQ(VORNIX_OK, status);
  vornix_free(drawn);

  struct Document : vornix::Sink {
    void drawing(int, const vornix::DrawingView&) override { text += "<drawing>"; }
    void message(const vornix::Message&) override { text += "<message>"; }
    void empty_line(int) override { text += "<empty>"; }
    void warning(const vornix::Message& m) override { warnings.emplace_back(m.text); }
    void document(std::string_view bytes) override { text.append(bytes); }
    std::string text;
    std::vector<std::string> warnings;
  } sink;
  vornix::Options markdown;
  markdown.markdown = true;
  vornix::Session session(markdown);
  Trickle source(document);
  bool quit = true;
  EXPECT_EQ(vornix::Status::ok, session.draw(source, sink, &quit));
  EXPECT_FALSE(quit);
  EXPECT_EQ(expected, sink.text);
  EXPECT_EQ((std::vector<std::string>{"line 3, column 1: formula left as written: syntax error "
                                      "at column 1: \\frac needs 2 arguments"}),
            sink.warnings);
}

// A canvas holds glyphs in the control bytes as well as from DEL up, so
// no byte of the input may reach a cell as itself: whatever the readers
// make of a control byte or a lone byte from 0x80 up, in a name, a text
// or an escape, the output holds none of them and no glyph's text.
TEST(Library, NoInputByteReachesADrawingAsAGlyph) {
  const char* const linear[] = {"a@b", "a + @", "f(@, x)", "@", "[a, @]"};
  const char* const latex[] = {"\\text{a@b}", "\\text{a\\@b}", "\\mathrm{a@}", "\\mathrm{a\\@}",
                               "\\operatorname{a@}(x)", "a @ b", "x^{\\text{a@}}",
                               "\\text{\\@}"};
  const char* const markdown[] = {"$a@b$ c", "$\\text{a\\@b}$", "$\\mathrm{@}$"};
  for (int byte = 1; byte < 256; ++byte) {
    if (byte == '\n' || (byte >= ' ' && byte < 0x7f)) continue;
    auto check = [&](const char* source, vornix::Options options) {
      std::string text = source;
      std::replace(text.begin(), text.end(), '@', static_cast<char>(byte));
      options.unicode = true;
      vornix::Session session(options);
      vornix::Result r = session.draw(text);
      std::string drawn;
      for (const vornix::Drawing& d : r.drawings) {
        for (const std::string& row : d.rows) drawn += row + "\n";
      }
      // Markdown keeps its prose, bytes and all, and a formula that it
      // cannot read as written: only its drawings count there.
      if (!options.markdown) drawn += r.text;
      for (unsigned char c : drawn) {
        ASSERT_TRUE(c == '\n' || (c >= ' ' && c < 0x7f))
            << "byte " << byte << " in " << source << " drew byte " << int(c);
      }
    };
    for (const char* source : linear) check(source, {});
    vornix::Options tex;
    tex.latex = true;
    for (const char* source : latex) check(source, tex);
    vornix::Options md;
    md.markdown = true;
    for (const char* source : markdown) check(source, md);
  }
}

// A formula in a sentence is drawn with stand-ins for its parts, then the
// parts' own one-row forms put in their place: the signs between them may
// be glyphs of any byte, the control bytes included.
TEST(Library, InlineFormulasKeepTheirSignsBetweenTheirParts) {
  vornix::Options options;
  options.markdown = true;
  options.unicode = true;
  vornix::Session session(options);
  EXPECT_EQ("a 1/2 ⋅ x/y, f(1/2, x/y) b\n",
            session.draw("a $\\frac{1}{2} \\bullet \\frac{x}{y}, f(\\frac12, \\frac{x}{y})$ b\n").text);
  EXPECT_EQ("∛x + a/b\n", session.draw("$\\sqrt[3]{x} + \\frac{a}{b}$\n").text);
}

const char* const kStatements[] = {
    "sum(k^2, k = 1 .. n) = n*(n + 1)*(2*n + 1)/6",
    "int(int(f(x, y), x = 0 .. 1), y = 0 .. 1)",
    "[cos(t), -sin(t); sin(t), cos(t)]",
    "lim((1 + 1/n)^n, n -> inf) = e",
    "x = (-b + sqrt(b^2 - 4*a*c))/(2*a)",
    "root(a + b, 3) + abs(x/2)",
    "f''(x) = ~z + z\\",
    "det[a_11, a_12; a_21, a_22] + 2x",
};

// Sessions on several threads share nothing: each thread draws its
// statements many times and gets what one thread alone gets. Run under
// ThreadSanitizer too.
TEST(Threads, EightSessionsDrawAtOnce) {
  std::vector<std::string> expected;
  for (const char* s : kStatements) expected.push_back(vornix::Session().draw(s).text);
  std::vector<int> mismatches(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &expected, &mismatches] {
      vornix::Session session;
      for (int i = 0; i < 300; ++i) {
        size_t k = static_cast<size_t>(t + i) % expected.size();
        if (session.draw(kStatements[k]).text != expected[k]) ++mismatches[t];
        // The C entry point, with its own session each call.
        char* text = vornix_draw(kStatements[k], std::strlen(kStatements[k]), nullptr, nullptr);
        if (text == nullptr || expected[k] != text) ++mismatches[t];
        vornix_free(text);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(std::vector<int>(8, 0), mismatches);
}

// Draws text on a thread of its own with the given stack.
std::string DrawOnStack(const std::string& text, size_t stack) {
  struct Job {
    const std::string& text;
    std::string result;
  } job{text, {}};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, stack);
  pthread_t thread;
  auto run = [](void* p) -> void* {
    auto* j = static_cast<Job*>(p);
    j->result = vornix::Session().draw(j->text).text;
    return nullptr;
  };
  EXPECT_EQ(0, pthread_create(&thread, &attr, run, &job));
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  return job.result;
}

// Every kind of nesting, at depths around what a small stack allows and
// up to what the parser takes, draws or is "drawing too large": never a
// crash, whatever the calling thread's stack.
TEST(Stack, DeepStatementsOnSmallStacksNeverCrash) {
  struct Nesting {
    const char* open;
    const char* close;
  } nestings[] = {
      {"sqrt(", ")"}, {"1/(", ")"}, {"int(", ", x = 0 .. 1)"}, {"x^", ""},
      {"-", ""},      {"[", "]"},   {"sum(", ", k = 1 .. n)"}, {"abs(", ")"},
      {"lim(", ", x -> 0)"}, {"f(", ", y)"}, {"~(", ")"}, {"(", ")\\"},
  };
  for (size_t stack : {size_t{1} << 20, size_t{8} << 20}) {
    for (const Nesting& n : nestings) {
      for (int depth : {500, 1100, 1200, 1300, 2000, 4900}) {
        std::string text;
        for (int i = 0; i < depth; ++i) text += n.open;
        text += "x";
        for (int i = 0; i < depth; ++i) text += n.close;
        std::string result = DrawOnStack(text, stack);
        EXPECT_FALSE(result.empty()) << n.open << " " << depth;
      }
    }
    // Chains nest on their left operand without any bracket.
    for (const char* op : {"+x", "*x", "/x", "=x"}) {
      std::string text = "x";
      for (int i = 0; i < 9000; ++i) text += op;
      EXPECT_FALSE(DrawOnStack(text, stack).empty()) << op;
    }
  }
}

}  // namespace
