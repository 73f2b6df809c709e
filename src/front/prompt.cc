// The interactive prompt: the line editor, loaded when the prompt starts;
// a history kept between runs; completion of the language's words; a
// caret under the fault of a typed line; Ctrl-C that drops the line being
// typed; and commands that switch drawing modes in place.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include <readline/history.h>
#include <readline/readline.h>

#include "expr/symbols.h"
#include "front/front.h"

namespace {

// ---- The line editor ----

// The readline functions and variables that the prompt uses, each found by
// its own name in the library.
#define VORNIX_LINE_EDITOR_SYMBOLS(X)                                      \
  X(rl_callback_handler_install) X(rl_callback_handler_remove)            \
  X(rl_callback_read_char) X(rl_callback_sigcleanup) X(rl_free_line_state) \
  X(rl_echo_signal_char) X(rl_cleanup_after_signal) X(rl_reset_after_signal) \
  X(rl_on_new_line) X(rl_redisplay) X(rl_resize_terminal)                  \
  X(rl_completion_matches)                                                 \
  X(add_history) X(history_get) X(stifle_history) X(read_history)          \
  X(write_history) X(append_history) X(history_truncate_file)              \
  X(rl_catch_signals) X(rl_catch_sigwinch) X(rl_readline_name)             \
  X(rl_attempted_completion_function) X(rl_attempted_completion_over)      \
  X(rl_completion_suppress_append) X(rl_completer_word_break_characters)   \
  X(rl_line_buffer) X(history_length) X(history_base)

// The line editor, loaded when the prompt starts: the other modes start
// without loading it and its terminal library, nearly as fast as a C
// program does. Its members bear the names of what they point to:
// functions are called through them, variables reached through them.
struct LineEditor {
  LineEditor() : library(dlopen(VORNIX_READLINE_LIBRARY, RTLD_NOW)) {
    if (library == nullptr) return;
    loaded = true;
#define VORNIX_FIND(name) \
  loaded = loaded && (name = reinterpret_cast<decltype(name)>(dlsym(library, #name)));
    VORNIX_LINE_EDITOR_SYMBOLS(VORNIX_FIND)
#undef VORNIX_FIND
  }
  // The library stays loaded until the program ends: what it allocated
  // stays reachable from its own variables.
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  void* library;  // never closed
  bool loaded = false;
#define VORNIX_DECLARE(name) decltype(&::name) name = nullptr;
  VORNIX_LINE_EDITOR_SYMBOLS(VORNIX_DECLARE)
#undef VORNIX_DECLARE
};

// ---- Signals ----

// The prompt's signals: each handler notes its signal and wakes the loop
// through a pipe, and the loop acts on it between keys, outside the
// handler. Handlers restart interrupted calls, so that a signal during a
// drawing does not fail a write to the terminal. SIGTTIN and SIGTTOU keep
// their default: caught, a read from the background would be restarted
// for ever.
constexpr int kPromptSignals[] = {SIGINT, SIGWINCH, SIGTSTP, SIGTERM, SIGHUP, SIGQUIT};

volatile std::sig_atomic_t interrupted = 0;  // Ctrl-C
volatile std::sig_atomic_t resized = 0;
volatile std::sig_atomic_t stopped = 0;      // Ctrl-Z
volatile std::sig_atomic_t end_signal = 0;   // a signal that ends the program
int wake_pipe[2] = {-1, -1};

void note_signal(int signal) {
  int saved = errno;
  switch (signal) {
    case SIGINT: interrupted = 1; break;
    case SIGWINCH: resized = 1; break;
    case SIGTSTP: stopped = 1; break;
    default: end_signal = signal;
  }
  char byte = 0;
  [[maybe_unused]] ssize_t n = write(wake_pipe[1], &byte, 1);
  errno = saved;
}

// Catches the prompt's signals while it lives, except those that the
// program was started with ignored; then puts back what was there.
class CaughtSignals {
 public:
  CaughtSignals() {
    if (pipe2(wake_pipe, O_NONBLOCK | O_CLOEXEC) != 0) wake_pipe[0] = wake_pipe[1] = -1;
    struct sigaction action {};
    action.sa_handler = note_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kPromptSignals); ++i) {
      sigaction(kPromptSignals[i], nullptr, &saved_[i]);
      if (saved_[i].sa_handler != SIG_IGN) sigaction(kPromptSignals[i], &action, nullptr);
    }
  }
  ~CaughtSignals() {
    for (size_t i = 0; i < std::size(kPromptSignals); ++i) {
      sigaction(kPromptSignals[i], &saved_[i], nullptr);
    }
    close(wake_pipe[0]);
    close(wake_pipe[1]);
    wake_pipe[0] = wake_pipe[1] = -1;
  }
  CaughtSignals(const CaughtSignals&) = delete;
  CaughtSignals& operator=(const CaughtSignals&) = delete;

  /// Empties the pipe that wakes the loop.
  static void drain() {
    char bytes[64];
    while (read(wake_pipe[0], bytes, sizeof bytes) > 0) {
    }
  }
  /// Takes the signal's default action now, as if it had not been caught.
  static void take_default(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
  }
  /// Catches the signal again after take_default.
  static void catch_again(int signal) {
    struct sigaction action {};
    action.sa_handler = note_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }

 private:
  struct sigaction saved_[std::size(kPromptSignals)];
};

// ---- History ----

constexpr int kHistoryLines = 1000;

// Where the history is kept: $VORNIX_HISTORY when set (empty: nowhere),
// else vornix/history in the user's state directory.
struct HistoryPlace {
  std::string file;   // empty: no history file
  std::string below;  // directories below this one are made when missing
};

HistoryPlace history_place() {
  if (const char* chosen = std::getenv("VORNIX_HISTORY")) return {chosen, ""};
  const char* state = std::getenv("XDG_STATE_HOME");
  // A relative state directory is ignored, as an unset one is.
  if (state != nullptr && state[0] == '/') return {std::string(state) + "/vornix/history", "/"};
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  return {std::string(home) + "/.local/state/vornix/history", home};
}

// Makes the directories of place.file below place.below that are missing,
// private to the user.
void make_directories(const HistoryPlace& place) {
  if (place.below.empty()) return;
  for (size_t slash = place.file.find('/', place.below.size() + 1); slash != std::string::npos;
       slash = place.file.find('/', slash + 1)) {
    mkdir(place.file.substr(0, slash).c_str(), 0700);
  }
}

// ---- Completion ----

// Words that Tab completes: the language's words, with the bracket that
// must follow a function; the letter names of the symbol table in the
// Unicode and LaTeX modes; and the LaTeX commands and symbols in the LaTeX
// mode.
constexpr const char* kWords[] = {
    "sqrt(", "root(", "abs(", "sum(", "prod(", "int(", "lim(", "det[",
    "sin(", "cos(", "tan(", "cot(", "sec(", "csc(",
    "sinh(", "cosh(", "tanh(", "coth(", "sech(", "csch(",
    "arcsin(", "arccos(", "arctan(", "arccot(", "arcsec(", "arccsc(",
    "arcsinh(", "arccosh(", "arctanh(", "arccoth(", "arcsech(", "arccsch(",
    "pi", "nabla", "inf", "quit",
};
constexpr const char* kLatexWords[] = {
    "\\frac", "\\sqrt", "\\sum", "\\prod", "\\int", "\\lim", "\\det",
    "\\left", "\\right", "\\cdot", "\\times", "\\infty", "\\nabla", "\\to",
    "\\le", "\\ge", "\\leq", "\\geq", "\\ldots", "\\cdots", "\\overline",
    "\\begin{pmatrix}", "\\end{pmatrix}", "\\begin{bmatrix}", "\\end{bmatrix}",
    "\\begin{vmatrix}", "\\end{vmatrix}", "\\begin{matrix}", "\\end{matrix}",
    "\\sin", "\\cos", "\\tan", "\\cot", "\\sec", "\\csc",
    "\\sinh", "\\cosh", "\\tanh", "\\coth", "\\arcsin", "\\arccos", "\\arctan",
};

// The letter names of the linear language and the LaTeX names of every
// symbol, from the symbol table.
struct SymbolWords {
  std::vector<std::string> letters, latex;
};

const SymbolWords& symbol_words() {
  static const SymbolWords words = [] {
    SymbolWords w;
    for (const SymbolRow& row : symbol_table()) {
      if (row.kind == SymbolClass::letter && !row.name.empty() && row.name[0] != '\\') {
        w.letters.emplace_back(row.name);
      }
      for (std::string_view names = row.latex; !names.empty();) {
        std::string_view name = names.substr(0, names.find(' '));
        if (std::isalpha(static_cast<unsigned char>(name[0]))) w.latex.push_back("\\" + std::string(name));
        names.remove_prefix(std::min(names.size(), name.size() + 1));
      }
    }
    return w;
  }();
  return words;
}
// The prompt's commands, and what a value after each may be.
constexpr const char* kCommandWords[] = {":help", ":narrow ", ":unicode ", ":latex ", ":markdown ",
                                         ":width "};
constexpr const char* kSwitchWords[] = {"on", "off"};
constexpr const char* kWidthWords[] = {"auto", "off"};

// Characters that end a word to complete: everything of the language but
// letters, digits and the backslash of LaTeX commands; and the blank
// between a command and its value.
constexpr const char* kWordBreaks = " \t\n()[]{},;.+-*/^=<>!~_'|#$&\"";

// The candidates of the completion under way, for the generator that
// readline calls with state 0, 1, 2 ... until it returns null.
std::vector<const char*> candidates;

char* next_candidate(const char* text, int state) {
  static size_t next;
  if (state == 0) next = 0;
  size_t length = std::strlen(text);
  while (next < candidates.size()) {
    const char* word = candidates[next++];
    if (std::strncmp(word, text, length) == 0) return strdup(word);
  }
  return nullptr;
}

// ---- Carets ----

bool continues_character(char byte) { return (static_cast<unsigned char>(byte) & 0xc0) == 0x80; }

// The line that puts a caret under each byte of the typed line at the
// given columns, after indent blanks: a tab is copied so that it reaches
// the same stop, a control character takes the two columns of its ^X, and
// the bytes that continue a UTF-8 character take none.
std::string caret_line(std::string_view typed, std::vector<int> columns, size_t indent) {
  std::sort(columns.begin(), columns.end());
  columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
  auto is_control = [](char byte) { return (byte >= 0 && byte < ' ') || byte == 0x7f; };
  std::string line(indent, ' ');
  size_t at = 0;
  for (int column : columns) {
    auto marked = static_cast<size_t>(column);
    if (marked < at) continue;
    for (; at < marked && at < typed.size(); ++at) {
      if (continues_character(typed[at])) continue;
      line += typed[at] == '\t' ? "\t" : is_control(typed[at]) ? "  " : " ";
    }
    line += '^';
    if (at < typed.size() && is_control(typed[at])) line += ' ';
    for (++at; at < typed.size() && continues_character(typed[at]); ++at) {
    }
  }
  while (line.back() == ' ') line.pop_back();
  line += '\n';
  return line;
}

// Standard output, remembering where each input error was seen.
class PromptOutput : public StandardOutput {
 public:
  void message(const vornix::Message& message) override {
    StandardOutput::message(message);
    if (message.status == vornix::Status::input && message.column >= 0) {
      columns.push_back(message.column);
    }
  }
  std::vector<int> columns;
};

// ---- The terminal's width of ambiguous characters ----

// Writes one character of ambiguous East Asian width at the start of the
// line, asks the terminal where its cursor is (CSI 6n) and wipes the line:
// the columns that the character took, 1 or 2, or 0 when the terminal does
// not answer within half a second. A dumb terminal is not asked.
int ambiguous_columns() {
  const char* term = std::getenv("TERM");
  if (term == nullptr || std::strcmp(term, "dumb") == 0 || !isatty(0) || !isatty(1)) return 0;
  termios saved;
  if (tcgetattr(0, &saved) != 0) return 0;
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(0, TCSANOW, &raw) != 0) return 0;
  std::fflush(stdout);
  static constexpr char kAsk[] = "\r\u2500\x1b[6n";
  int columns = 0;
  if (write(1, kAsk, sizeof kAsk - 1) == static_cast<ssize_t>(sizeof kAsk - 1)) {
    // The answer is ESC [ row ; column R.
    char answer[32];
    size_t got = 0;
    while (got < sizeof answer - 1) {
      pollfd in{0, POLLIN, 0};
      if (poll(&in, 1, 500) <= 0) break;
      ssize_t n = read(0, answer + got, 1);
      if (n <= 0) break;
      if (answer[got++] == 'R') break;
    }
    answer[got] = '\0';
    const char* semicolon = std::strchr(answer, ';');
    if (got > 0 && answer[got - 1] == 'R' && semicolon != nullptr) {
      int column = std::atoi(semicolon + 1);
      if (column == 2 || column == 3) columns = column - 1;
    }
  }
  static constexpr char kWipe[] = "\r\x1b[K";
  (void)!write(1, kWipe, sizeof kWipe - 1);
  tcsetattr(0, TCSANOW, &saved);
  return columns;
}

// ---- The prompt ----

class Prompt;
Prompt* the_prompt = nullptr;  // for the line editor's callbacks

class Prompt {
 public:
  Prompt(LineEditor& editor, vornix::Session& session, bool quiet, bool follow_terminal)
      : rl_(editor), session_(session), prompt_(quiet ? "" : "vornix> "),
        width_auto_(follow_terminal) {}

  int run();

 private:
  static void on_line(char* line) { the_prompt->take(line); }
  static char** on_complete(const char* text, int start, int end) {
    return the_prompt->complete(text, start, end);
  }

  void take(char* line);
  void enter(const std::string& line);
  void draw(const std::string& line);
  void command(const std::string& line);
  void remember(const std::string& line);
  char** complete(const char* text, int start, int end);
  void start_editing() { rl_.rl_callback_handler_install(prompt_, on_line); }
  void stop_editing();
  void handle_signals();
  void load_history();
  void save_history();
  void warn(const char* what, int error);

  LineEditor& rl_;
  vornix::Session& session_;
  const char* prompt_;
  bool editing_ = false;
  bool done_ = false;
  int status_ = 0;               // of the last statement line
  bool width_auto_ = false;      // the width follows the terminal's
  std::exception_ptr failure_;   // thrown while a line was handled
  HistoryPlace history_;
  bool warned_ = false;          // about the history file, once
  int remembered_ = 0;           // lines added to the history by this run
};

int Prompt::run() {
  the_prompt = this;
  *rl_.rl_readline_name = "vornix";
  // Signals are the loop's business: readline's own handlers would end the
  // program on Ctrl-C.
  *rl_.rl_catch_signals = 0;
  *rl_.rl_catch_sigwinch = 0;
  *rl_.rl_attempted_completion_function = on_complete;
  *rl_.rl_completer_word_break_characters = kWordBreaks;
  load_history();

  CaughtSignals caught;
  start_editing();
  editing_ = true;
  while (!done_) {
    pollfd ready[2] = {{0, POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
    int n = poll(ready, wake_pipe[0] < 0 ? 1 : 2, -1);
    if (n < 0 && errno != EINTR) break;
    handle_signals();
    if (done_) break;
    if (n > 0 && ready[0].revents != 0) rl_.rl_callback_read_char();
  }
  stop_editing();
  save_history();
  std::fflush(stdout);
  if (failure_) std::rethrow_exception(failure_);
  if (end_signal != 0) CaughtSignals::take_default(end_signal);
  return status_;
}

void Prompt::stop_editing() {
  if (!editing_) return;
  editing_ = false;
  rl_.rl_callback_handler_remove();
}

void Prompt::handle_signals() {
  CaughtSignals::drain();
  if (end_signal != 0) {
    done_ = true;
    return;
  }
  if (resized != 0) {
    resized = 0;
    rl_.rl_resize_terminal();
  }
  if (stopped != 0) {
    // Give the terminal back while stopped, and take it again with the
    // line as it was.
    stopped = 0;
    rl_.rl_echo_signal_char(SIGTSTP);
    rl_.rl_cleanup_after_signal();
    std::fflush(stdout);
    CaughtSignals::take_default(SIGTSTP);
    CaughtSignals::catch_again(SIGTSTP);
    rl_.rl_reset_after_signal();
    rl_.rl_on_new_line();
    rl_.rl_redisplay();
  }
  if (interrupted != 0) {
    // Drop the line being typed, whatever state the editor is in (a
    // search, a half-typed key sequence), and start a new one.
    interrupted = 0;
    rl_.rl_free_line_state();
    rl_.rl_callback_sigcleanup();
    rl_.rl_echo_signal_char(SIGINT);
    rl_.rl_cleanup_after_signal();
    rl_.rl_callback_handler_remove();
    std::fputc('\n', stdout);
    start_editing();
  }
}

// A line is done: null at the end of the input. The terminal is back in
// its own mode meanwhile, and the editor shows the next prompt after it.
void Prompt::take(char* line) {
  if (line == nullptr) {
    done_ = true;
  } else {
    // Nothing thrown may cross the editor's frames: it is kept and thrown
    // again once the prompt has ended.
    try {
      enter(line);
    } catch (...) {
      failure_ = std::current_exception();
      done_ = true;
    }
    std::free(line);
  }
  // A failed write to standard output ends the prompt; the program then
  // ends with status 2.
  std::fflush(stdout);
  if (std::ferror(stdout)) done_ = true;
  if (done_) stop_editing();
}

void Prompt::enter(const std::string& line) {
  if (line.empty()) return;
  if (line == "quit") {
    done_ = true;
    return;
  }
  remember(line);
  if (line[0] == ':') {
    command(line);
  } else {
    draw(line);
  }
}

// Lines with errors are kept too: they are the ones to fix. A line like
// the one before it is not kept again.
void Prompt::remember(const std::string& line) {
  if (*rl_.history_length > 0) {
    HIST_ENTRY* last = rl_.history_get(*rl_.history_base + *rl_.history_length - 1);
    if (last != nullptr && line == last->line) return;
  }
  rl_.add_history(line.c_str());
  ++remembered_;
}

void Prompt::draw(const std::string& line) {
  if (width_auto_) {
    vornix::Options options = session_.options();
    int width = terminal_width();
    if (options.width != width) {
      options.width = width;
      session_.set_options(options);
    }
  }
  PromptOutput out;
  // A line of Markdown comes back as a line.
  session_.draw(session_.options().markdown ? line + "\n" : line, out);
  status_ = out.too_deep ? 1 : 0;
  if (!out.columns.empty()) {
    // The caret goes to standard error, after the messages it points for.
    std::fflush(stdout);
    std::fputs(caret_line(line, out.columns, std::strlen(prompt_)).c_str(), stderr);
  }
}

constexpr const char* kHelp =
    ":help               this list\n"
    ":narrow on|off      narrow radicals\n"
    ":unicode on|off     Unicode drawings\n"
    ":latex on|off       statements written in LaTeX\n"
    ":markdown on|off    lines of Markdown: the math in them drawn\n"
    ":width N|auto|off   drawings fit N columns, the terminal's width, or any\n"
    "A command alone shows its setting. Tab completes a word; Ctrl-C drops the\n"
    "line being typed; quit or Ctrl-D ends the session.\n";

// A line that starts with ':' is a command of the prompt; ':' is no
// character of the language.
void Prompt::command(const std::string& line) {
  std::vector<std::string> words;
  for (size_t at = 1; at < line.size();) {
    size_t start = line.find_first_not_of(" \t", at);
    if (start == std::string::npos) break;
    size_t end = std::min(line.find_first_of(" \t", start), line.size());
    words.push_back(line.substr(start, end - start));
    at = end;
  }
  std::string name = words.empty() ? "" : words[0];
  vornix::Options options = session_.options();
  bool* toggle = name == "narrow"    ? &options.narrow_roots
                 : name == "unicode" ? &options.unicode
                 : name == "latex"   ? &options.latex
                 : name == "markdown" ? &options.markdown
                                     : nullptr;
  if (name == "help" && words.size() == 1) {
    std::fputs(kHelp, stdout);
  } else if (toggle != nullptr && words.size() == 1) {
    std::printf("%s %s\n", name.c_str(), *toggle ? "on" : "off");
  } else if (toggle != nullptr && words.size() == 2 && (words[1] == "on" || words[1] == "off")) {
    *toggle = words[1] == "on";
    session_.set_options(options);
  } else if (toggle != nullptr) {
    std::printf(":%s takes on or off\n", name.c_str());
  } else if (name == "width" && words.size() == 1) {
    if (width_auto_) {
      std::printf("width auto (%d)\n", terminal_width());
    } else if (options.width == 0) {
      std::puts("width off");
    } else {
      std::printf("width %d\n", options.width);
    }
  } else if (name == "width" && words.size() == 2) {
    const std::string& value = words[1];
    char* end = nullptr;
    errno = 0;
    long columns = std::strtol(value.c_str(), &end, 10);
    bool number = !value.empty() && std::isdigit(static_cast<unsigned char>(value[0])) &&
                  *end == '\0' && errno == 0 && columns > 0 && columns <= INT_MAX;
    if (value == "auto" || value == "off" || number) {
      width_auto_ = value == "auto";
      options.width = number ? static_cast<int>(columns) : 0;
      session_.set_options(options);
    } else {
      std::puts(":width takes a number of columns, auto or off");
    }
  } else if (name == "width") {
    std::puts(":width takes a number of columns, auto or off");
  } else {
    std::puts("the commands are :help, :narrow, :unicode, :latex, :markdown and :width");
  }
}

char** Prompt::complete(const char* text, int start, int) {
  // No file names, and nothing after a word: a blank after "quit" would
  // make it a statement.
  *rl_.rl_attempted_completion_over = 1;
  *rl_.rl_completion_suppress_append = 1;
  candidates.clear();
  std::string_view before(*rl_.rl_line_buffer, static_cast<size_t>(start));
  if (before.empty() && text[0] == ':') {
    candidates.assign(std::begin(kCommandWords), std::end(kCommandWords));
  } else if (!before.empty() && before[0] == ':') {
    size_t name_end = before.find_first_of(" \t");
    std::string_view name = before.substr(0, name_end);
    if (before.find_first_not_of(" \t", name_end) != std::string_view::npos) return nullptr;
    if (name == ":width") {
      candidates.assign(std::begin(kWidthWords), std::end(kWidthWords));
    } else if (name == ":narrow" || name == ":unicode" || name == ":latex" ||
               name == ":markdown") {
      candidates.assign(std::begin(kSwitchWords), std::end(kSwitchWords));
    }
  } else {
    const vornix::Options& options = session_.options();
    candidates.assign(std::begin(kWords), std::end(kWords));
    const SymbolWords& symbols = symbol_words();
    if (options.unicode || options.latex) {
      for (const std::string& word : symbols.letters) candidates.push_back(word.c_str());
    }
    if (options.latex) {
      candidates.insert(candidates.end(), std::begin(kLatexWords), std::end(kLatexWords));
      for (const std::string& word : symbols.latex) candidates.push_back(word.c_str());
    }
    // pi is a constant and a Greek letter: offered once.
    std::sort(candidates.begin(), candidates.end(),
              [](const char* a, const char* b) { return std::strcmp(a, b) < 0; });
    candidates.erase(std::unique(candidates.begin(), candidates.end(),
                                 [](const char* a, const char* b) { return std::strcmp(a, b) == 0; }),
                     candidates.end());
  }
  return rl_.rl_completion_matches(text, next_candidate);
}

// ---- The history file ----

void Prompt::warn(const char* what, int error) {
  if (warned_) return;
  warned_ = true;
  std::fflush(stdout);
  std::fprintf(stderr, "vornix: cannot %s the history file %s: %s\n", what,
               history_.file.c_str(), std::strerror(error));
}

void Prompt::load_history() {
  rl_.stifle_history(kHistoryLines);
  history_ = history_place();
  if (history_.file.empty()) return;
  int error = rl_.read_history(history_.file.c_str());
  if (error != 0 && error != ENOENT) warn("read", error);
}

// The lines of this run are added to the file, which keeps the last
// kHistoryLines: sessions that run side by side keep each other's lines.
void Prompt::save_history() {
  if (history_.file.empty() || remembered_ == 0) return;
  make_directories(history_);
  const char* path = history_.file.c_str();
  int error;
  if (access(path, F_OK) == 0) {
    error = rl_.append_history(std::min(remembered_, *rl_.history_length), path);
    if (error == 0) error = rl_.history_truncate_file(path, kHistoryLines);
  } else {
    error = rl_.write_history(path);
  }
  if (error != 0) warn("write", error);
}

}  // namespace

int run_prompt(vornix::Session& session, bool quiet, bool follow_terminal) {
  // Static: the library stays loaded until the program ends.
  static LineEditor editor;
  if (!editor.loaded) {
    const char* reason = dlerror();
    std::fprintf(stderr, "vornix: cannot load the line editor: %s\n",
                 reason != nullptr ? reason : "a function is missing");
    return 2;
  }
  if (!quiet) {
    std::puts("vornix version " VORNIX_VERSION_STRING);
    std::fflush(stdout);
  }
  vornix::Options options = session.options();
  if (options.unicode && !options.ambiguous_wide && ambiguous_columns() == 2) {
    // The terminal draws box-drawing pieces, Greek letters and most signs
    // two columns wide: drawings keep to characters of neutral width.
    options.ambiguous_wide = true;
    session.set_options(options);
  }
  Prompt prompt(editor, session, quiet, follow_terminal);
  return prompt.run();
}
