#include "language/language.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "expr/expr.h"
#include "language/test_source.h"
#include "grammar.hh"

namespace {

// Messages as the program prints them, one a line.
class Messages : public Listener {
 public:
  void statement(Owned<>, int) override {}
  void empty_statement(int) override {}
  void error(Status, std::string_view message, int, int) override {
    text.append(message);
    text += '\n';
  }
  std::string text;
};

YYSTYPE token_value;

std::string Describe(int token) {
  auto value = [] {
    Owned<> node(token_value.expr);
    if (auto* symbol = dynamic_cast<Symbol*>(node.get())) return symbol->name;
    return static_cast<Literal*>(node.get())->lexeme;
  };
  switch (token) {
    case INTEGER: return "INTEGER " + value();
    case REAL: return "REAL " + value();
    case SYMBOL: return "SYMBOL " + value();
    case TRIG_NAME: return "TRIG_NAME " + value();
    case ELLIPSIS: return "ELLIPSIS";
    case DOTDOT: return "DOTDOT";
    case ARROW: return "ARROW";
    case QUIT: return "QUIT";
    case LE: return "LE";
    case GE: return "GE";
    case BAD_BYTE: return "BAD_BYTE";
    case '\n': return "NL";
    default:
      if (token > ' ' && token < 127) return std::string(1, static_cast<char>(token));
      return "token " + std::to_string(token);
  }
}

// Every token of the input, up to the end of the input; the messages go
// to `messages` when given.
std::string Scan(const std::string& input, size_t read_size = 8192,
                 std::string* messages = nullptr) {
  Parser parser;
  ChunkedText source(input, read_size);
  Messages listener;
  parser.begin_scan(source, listener);
  std::string tokens;
  while (int token = parser.scan(&token_value)) {
    if (!tokens.empty()) tokens += ", ";
    tokens += Describe(token);
  }
  if (messages != nullptr) *messages = listener.text;
  return tokens;
}

TEST(Scanner, LongestMatchAndRuleOrder) {
  struct {
    const char* input;
    const char* tokens;
  } cases[] = {
      {"1..10\n", "REAL 1., REAL .10, NL"},
      {"1 ..10\n", "INTEGER 1, DOTDOT, INTEGER 10, NL"},
      {"1 .. 10\n", "INTEGER 1, DOTDOT, INTEGER 10, NL"},
      {"x..y\n", "SYMBOL x, DOTDOT, SYMBOL y, NL"},
      {"1...n\n", "REAL 1..., SYMBOL n, NL"},
      {"a...b\n", "SYMBOL a, ELLIPSIS, SYMBOL b, NL"},
      {"....\n", "REAL ...., NL"},
      {".....\n", "REAL ...., REAL ., NL"},
      {"1.2.3\n", "REAL 1.2, REAL .3, NL"},
      {"1e5e5\n", "REAL 1e5, SYMBOL e5, NL"},
      {"2e\n", "INTEGER 2, SYMBOL e, NL"},
      {"1.5e+\n", "REAL 1.5, SYMBOL e, +, NL"},
      // A number that what follows it starts to continue, but does not.
      {"2E-x 3e+ .5e\n", "INTEGER 2, SYMBOL E, -, SYMBOL x, INTEGER 3, SYMBOL e, +, REAL .5, SYMBOL e, NL"},
      {"1e5.x 1e5..2 1.5..x 12..x\n",
       "REAL 1e5, REAL ., SYMBOL x, REAL 1e5, DOTDOT, INTEGER 2, REAL 1.5, DOTDOT, SYMBOL x, REAL 12., REAL ., SYMBOL x, NL"},
      {".5.. 7.", "REAL .5, DOTDOT, REAL 7., NL"},
      // A number needs a digit before its exponent: these are names.
      {"e e2 e2x E+5 e1(x)\n",
       "SYMBOL e, SYMBOL e2, SYMBOL e2x, SYMBOL E, +, INTEGER 5, SYMBOL e1, (, SYMBOL x, ), NL"},
      {".5e-3 2.e5 .e5\n", "REAL .5e-3, REAL 2.e5, REAL ., SYMBOL e5, NL"},
      {"3.14 2. .5 6.02e23 1E-9 1.5e3...\n",
       "REAL 3.14, REAL 2., REAL .5, REAL 6.02e23, REAL 1E-9, REAL 1.5e3..., NL"},
      {"007 2.50\n", "INTEGER 007, REAL 2.50, NL"},
      {"12abc\n", "INTEGER 12, SYMBOL abc, NL"},
      {"a_1\n", "SYMBOL a, _, INTEGER 1, NL"},
      {"sinh sinx Sin arc arccsch\n",
       "TRIG_NAME sinh, SYMBOL sinx, SYMBOL Sin, SYMBOL arc, TRIG_NAME arccsch, NL"},
      {"quits quit pi2 integral\n",
       "SYMBOL quits, QUIT, SYMBOL pi2, SYMBOL integral, NL"},
      {"-->\n", "-, ARROW, NL"},
      {"=< <= >=\n", "=, <, LE, GE, NL"},
      {"x==y\n", "SYMBOL x, =, =, SYMBOL y, NL"},
      {"x # note | \xc3\n", "SYMBOL x, NL"},
      {"x\r\n", "SYMBOL x, NL"},
      {"!'()*+,-/;< = >[\\]^_~\n", "!, ', (, ), *, +, ,, -, /, ;, <, =, >, [, \\, ], ^, _, ~, NL"},
      // Tokens of one byte, alone or after a blank, and the longer tokens
      // that begin with the same bytes.
      {"x+1 a +b  c\t-d\n", "SYMBOL x, +, INTEGER 1, SYMBOL a, +, SYMBOL b, SYMBOL c, -, SYMBOL d, NL"},
      {"ab1 +2.5 3e2 4. 5e 6E+\n", "SYMBOL ab1, +, REAL 2.5, REAL 3e2, REAL 4., INTEGER 5, SYMBOL e, INTEGER 6, SYMBOL E, +, NL"},
      {"1 -> x<=2>=- > < =\n", "INTEGER 1, ARROW, SYMBOL x, LE, INTEGER 2, GE, -, >, <, =, NL"},
  };
  // Tokens do not depend on where the reads end.
  for (const auto& test : cases) {
    for (size_t read_size : {1, 2, 3, 8192}) {
      EXPECT_EQ(test.tokens, Scan(test.input, read_size)) << test.input << " " << read_size;
    }
  }
}

TEST(Scanner, BadCharactersAreReportedAndSkipped) {
  std::string messages;
  std::string tokens = Scan(std::string("|x|\f\0y\xc3\n", 8), 8192, &messages);
  EXPECT_EQ("|, SYMBOL x, |, token 12, BAD_BYTE, SYMBOL y, BAD_BYTE, NL", tokens);
  EXPECT_EQ(
      "bad character '|'\n"
      "bad character '|'\n"
      "bad character '\\x0c'\n"
      "bad character '\\x00'\n"
      "bad character '\\xc3'\n",
      messages);
}

TEST(Scanner, LastLineWithoutNewline) {
  // A statement on the last line is closed as if its newline were there;
  // blanks or a comment alone there give no empty statement.
  EXPECT_EQ("SYMBOL x, NL", Scan("x"));
  EXPECT_EQ("SYMBOL x, NL", Scan("x\n  # c"));
  EXPECT_EQ("SYMBOL x, NL", Scan("x\n   "));
  EXPECT_EQ("", Scan(""));
}

TEST(Scanner, TokensSpanReadsAndGrowTheBuffer) {
  EXPECT_EQ("SYMBOL abc, REAL 1.5e3, NL", Scan("abc 1.5e3\n", 1));
  std::string name(100000, 'a');
  EXPECT_EQ("SYMBOL " + name + ", NL", Scan(name + "\n", 8192));
  std::string digits(17000, '7');
  EXPECT_EQ("INTEGER " + digits + ", +, INTEGER 1, NL", Scan(digits + "+1\n", 7));
}

// Where each message points: the line and the byte in it of the token at
// which the fault was seen.
class Positions : public Listener {
 public:
  void statement(Owned<>, int) override {}
  void empty_statement(int) override {}
  void error(Status, std::string_view message, int line, int column) override {
    text += std::to_string(line) + ":" + std::to_string(column) + " ";
    text.append(message);
    text += '\n';
  }
  std::string text;
};

std::string Point(const std::string& input, size_t read_size = 8192) {
  Parser parser;
  ChunkedText source(input, read_size);
  Positions listener;
  parser.parse(source, listener);
  return listener.text;
}

TEST(Parser, MessagesPointAtTheirToken) {
  struct {
    const char* input;
    const char* messages;
  } cases[] = {
      {"2x\n", "1:1 syntax error\n"},
      {"1 + * 2\n", "1:4 syntax error\n"},
      {"a +*b\n", "1:3 syntax error\n"},
      {"a1 +;\n", "1:4 syntax error\n"},
      {"y|\n", "1:1 bad character '|'\n1:1 syntax error\n"},
      {"\tx $\n", "1:3 bad character '$'\n1:3 syntax error\n"},
      // A bad character in a line already failed is reported where it is.
      {"1 + * |\n", "1:4 syntax error\n1:6 bad character '|'\n"},
      // A line that ends early fails at its end, just after the last byte,
      // whether or not its newline is there.
      {"x +\n", "1:3 syntax error\n"},
      {"x +  \n", "1:5 syntax error\n"},
      {"x +", "1:3 syntax error\n"},
      {"sqrt(x", "1:6 syntax error\n"},
      // Columns count from each line's start.
      {"x\n\n  2x\n", "3:3 syntax error\n"},
      {"1..\n x $", "1:2 syntax error\n2:3 bad character '$'\n2:3 syntax error\n"},
      {"abc ..\n  1..", "1:4 syntax error\n2:4 syntax error\n"},
  };
  // Places do not depend on how the input arrives: tokens and lines that
  // span reads, and a last line whose end comes with its last bytes.
  for (const auto& test : cases) {
    for (size_t read_size : {1, 2, 3, 8192}) {
      EXPECT_EQ(test.messages, Point(test.input, read_size)) << test.input << " " << read_size;
    }
  }
}

// A co-process's input: each read hands over one line, as a pipe does
// when the other end writes a line and waits for its drawing. Reads and
// statements go to one log, in the order they happen.
class LineByLine : public Source, public Listener {
 public:
  explicit LineByLine(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  size_t read(char* buf, size_t size) override {
    if (next_ == lines_.size()) {
      log += "end ";
      return 0;
    }
    const std::string& line = lines_[next_++];
    EXPECT_LE(line.size(), size);
    std::memcpy(buf, line.data(), line.size());
    log += "read ";
    return line.size();
  }
  void statement(Owned<>, int line) override { log += "draw" + std::to_string(line) + " "; }
  void empty_statement(int line) override { log += "empty" + std::to_string(line) + " "; }
  void error(Status, std::string_view, int line, int) override {
    log += "error" + std::to_string(line) + " ";
  }
  std::string log;

 private:
  std::vector<std::string> lines_;
  size_t next_ = 0;
};

TEST(Parser, EachLineIsDoneBeforeTheNextIsRead) {
  struct {
    std::vector<std::string> lines;
    const char* log;
  } cases[] = {
      {{"x\n", "1+\n", "\n", "y\n"}, "read draw1 read error2 read empty3 read draw4 end "},
      // Two lines in one read are both done before the next read.
      {{"x\ny\n", "z\n"}, "read draw1 draw2 read draw3 end "},
      // The end of the input is asked for once, also after a last line
      // without its newline: at a terminal, each is a key the user presses.
      {{"x\n", "y"}, "read draw1 read end draw2 "},
      {{"x", "+1"}, "read read end draw1 "},
  };
  for (auto& test : cases) {
    LineByLine input(test.lines);
    Parser parser;
    parser.parse(input, input);
    EXPECT_EQ(test.log, input.log) << test.lines[0];
  }
}

// A source that says when it is at its end is not read past it.
TEST(Parser, KnownEndSparesTheLastRead) {
  struct Counted : TextSource {
    using TextSource::TextSource;
    size_t read(char* buf, size_t size) override {
      ++reads;
      return TextSource::read(buf, size);
    }
    int reads = 0;
  };
  for (const char* text : {"", "x", "x\ny", "x\n\n"}) {
    Counted source(text);
    Messages listener;
    Parser parser;
    parser.parse(source, listener);
    EXPECT_EQ(std::string_view(text).empty() ? 1 : 2, source.reads) << text;
  }
}

}  // namespace
