// Fault injection: the Nth allocation fails. Each statement of the golden
// cases is drawn again and again, with every allocation that it makes
// failing in turn; then whole files, with a sample of failures (all of
// them with --full). Every run must end without a crash, with its output
// the normal output except that the statement that hit the failure ends
// early with its message ("out of memory", or "drawing too large" where
// the drawing ran out), and the lines after it drawn as usual; or, where
// the input itself could not be held, with std::bad_alloc after a prefix
// of the normal output. Leaks are found by LeakSanitizer in the sanitizer
// build.
//
//   fault_injection [--full] CASES.vx... CASES.tex...
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "vornix.hpp"

namespace {

// Allocations counted while a draw runs; the one numbered fail_at fails.
bool counting = false;
// Files named .tex hold LaTeX.
bool latex = false;
long allocations = 0;
long fail_at = 0;

void* allocate(std::size_t size, bool nothrow) {
  if (counting && ++allocations == fail_at) {
    if (nothrow) return nullptr;
    throw std::bad_alloc();
  }
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr && !nothrow) throw std::bad_alloc();
  return block;
}

// What one run printed, line by line: drawings, messages, empty lines.
using Outcomes = std::map<int, std::vector<std::string>>;

class Recorder : public vornix::Sink {
 public:
  void drawing(int line, const vornix::DrawingView& d) override {
    Paused paused;
    std::string text;
    d.append_to(text);
    outcomes[line].push_back(text);
  }
  void message(const vornix::Message& m) override {
    Paused paused;
    outcomes[m.line].push_back(std::string(m.text));
  }
  void empty_line(int line) override {
    Paused paused;
    outcomes[line].push_back("");
  }
  Outcomes outcomes;

 private:
  // The recorder's own allocations are the test's, not the library's.
  struct Paused {
    Paused() : was(counting) { counting = false; }
    ~Paused() { counting = was; }
    bool was;
  };
};

struct Run {
  Outcomes outcomes;
  bool gave_up = false;  // std::bad_alloc out of the session
};

Run draw(const std::string& text, long fail) {
  Run run;
  Recorder recorder;
  allocations = 0;
  fail_at = fail;
  counting = true;
  try {
    vornix::Options options;
    options.latex = latex;
    vornix::Session session(options);
    session.draw(text, recorder);
  } catch (const std::bad_alloc&) {
    run.gave_up = true;
  }
  counting = false;
  run.outcomes = std::move(recorder.outcomes);
  return run;
}

bool starts_with(const std::vector<std::string>& all, const std::vector<std::string>& part) {
  if (part.size() > all.size()) return false;
  for (size_t i = 0; i < part.size(); ++i) {
    if (all[i] != part[i]) return false;
  }
  return true;
}

// Why a run with a failure is not what it may be, or "" when it is.
std::string judge(const Outcomes& normal, const Run& run) {
  auto n = normal.begin();
  auto g = run.outcomes.begin();
  while (n != normal.end() && g != run.outcomes.end() && *n == *g) {
    ++n;
    ++g;
  }
  if (g == run.outcomes.end()) {
    // Nothing differs: the run stopped early only if it gave up.
    if (n == normal.end() || run.gave_up) return "";
    return "lines are missing from line " + std::to_string(n->first);
  }
  if (n == normal.end() || n->first != g->first) {
    return "line " + std::to_string(g->first) + " should not be there";
  }
  const std::vector<std::string>& want = n->second;
  std::vector<std::string> got = g->second;
  if (run.gave_up) {
    if (!starts_with(want, got)) return "line " + std::to_string(g->first) + " differs";
    return ++g == run.outcomes.end() ? "" : "lines after the failure";
  }
  std::string last = got.empty() ? "" : got.back();
  if (last != "out of memory" && last != "drawing too large") {
    return "line " + std::to_string(g->first) + " differs and ends with \"" + last + "\"";
  }
  got.pop_back();
  if (!starts_with(want, got)) {
    return "line " + std::to_string(g->first) + " differs before its message";
  }
  // The lines after it are drawn as usual.
  for (++n, ++g; n != normal.end() && g != run.outcomes.end(); ++n, ++g) {
    if (*n != *g) {
      return "line " + std::to_string(g->first) + " differs after the failure: \"" +
             (g->second.empty() ? "" : g->second[0]) + "\"";
    }
  }
  if (n != normal.end() || g != run.outcomes.end()) return "the lines after differ";
  return "";
}

// Draws text with each of its allocations failing in turn, or with `sample`
// of them spread evenly; returns the runs made and prints each fault.
long sweep(const std::string& where, const std::string& text, long sample, int& faults) {
  Run normal = draw(text, 0);
  long total = allocations;
  long step = sample > 0 && total > sample ? total / sample : 1;
  long runs = 0;
  for (long fail = 1; fail <= total; fail += step, ++runs) {
    std::string why = judge(normal.outcomes, draw(text, fail));
    if (!why.empty() && ++faults <= 20) {
      std::printf("%s, allocation %ld of %ld failing: %s\n", where.c_str(), fail, total,
                  why.c_str());
    }
  }
  return runs;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size, false); }
void* operator new[](std::size_t size) { return allocate(size, false); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, true);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size, true);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

int main(int argc, char** argv) {
  bool full = false;
  long runs = 0;
  int faults = 0;
  for (int i = 1; i < argc; ++i) {
    std::string path = argv[i];
    if (path == "--full") {
      full = true;
      continue;
    }
    latex = path.size() > 4 && path.compare(path.size() - 4, 4, ".tex") == 0;
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    std::string text = all.str();
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
      runs += sweep(path + ":" + std::to_string(number), line, 0, faults);
    }
    runs += sweep(path, text, full ? 0 : 300, faults);
  }
  std::printf("%ld runs with a failing allocation, %d faults\n", runs, faults);
  return faults == 0 && runs > 0 ? 0 : 1;
}
