// Fitting a drawing into a width. The pieces are column ranges of the
// drawing itself, which is the operands of its outermost chain pasted side
// by side on one baseline. The layout record that the renders wrote tells
// where the terms and operators of that chain stand; lines are filled with
// them evenly, and stacked one under another:
//
//   f(x) = a + b + c + d        a chain of relations whose first sign
//        = e + f                leaves half the width: relation signs
//          + g                  under the first one, other pieces after it
#include <algorithm>
#include <climits>
#include <string_view>
#include <vector>

#include "expr/drawing.h"

namespace {

// Where a chain may be broken, strongest first: the joints of the layout
// record, in their order.
enum Level { RELATION, ADDITIVE, PRODUCT, NO_LEVEL };
static_assert(static_cast<int>(Joint::relation) == RELATION &&
              static_cast<int>(Joint::product) == PRODUCT &&
              static_cast<int>(Joint::none) == NO_LEVEL);

// Operators are a sign of `sign` columns framed by blanks, or, with no
// sign, the blank between factors.
int op_width(int sign) { return sign == 0 ? 1 : sign + 2; }

// Columns that an operator takes at the start of a line: the sign and the
// blank after it; nothing between factors.
int sign_width(int sign) { return sign == 0 ? 0 : sign + 1; }

// Brackets nested deeper than this are not broken inside: what is still too
// wide there is cut into strips.
constexpr int kMaxNesting = 32;

// Fractions nested deeper than this inside fractions that are broken by
// their terms are not broken again: each level draws its operands anew, so
// deeper ones are cut into strips.
constexpr int kMaxFractionDepth = 3;

// A term of a chain. It takes columns [start, end) on its line: its node's
// drawing, brackets included, at [node_start, node_end), with the brackets
// and signs of enclosing terms that go onto the same line glued around it.
struct Term {
  const Expression* node;  // null for terms that cannot be broken
  bool bracketed;
  int start, end;
  int node_start, node_end;
};

// An operator between two terms, from column start.
struct Op {
  Level level;
  int start;
  bool two_row_sign;  // a relation that includes equality
  int sign;           // columns of its sign; 0 between factors
};

struct Chain {
  std::vector<Term> terms;
  std::vector<Op> ops;  // ops[i] stands between terms[i] and terms[i + 1]
  int first_column = 0;  // where the first term's own drawing starts
};

// The cells of a drawing, blank beyond a row's end.
class Cells {
 public:
  explicit Cells(const Canvas& canvas) : canvas_(canvas) {}
  int top() const { return canvas_.first_row(); }
  int bottom() const { return canvas_.first_row() + canvas_.nrows() - 1; }
  std::string_view row(int r) const {
    if (r < top() || r > bottom()) return {};
    return canvas_[r].text();
  }
  bool blank(int r, int col) const {
    std::string_view text = row(r);
    return col >= static_cast<int>(text.size()) || text[static_cast<size_t>(col)] == ' ';
  }
  // Whether row r has anything in columns [a, b).
  bool any(int r, int a, int b) const {
    std::string_view text = row(r);
    b = std::min(b, static_cast<int>(text.size()));
    for (int c = a; c < b; ++c) {
      if (text[static_cast<size_t>(c)] != ' ') return true;
    }
    return false;
  }

 private:
  const Canvas& canvas_;
};

// How far continuation lines of a chain are indented: relation signs to one
// column, other pieces to another. Inside brackets both are the column after
// the opening bracket, known once the bracket is placed (anchor); a column
// past half the width gives way to the enclosing chain's indent plus 2.
struct Indents {
  int relation = 4;
  int other = 4;
  int anchor = -1;
  Indents* outer = nullptr;
};

// The operator before a piece, and the indents of its chain; none at the
// start of the drawing.
struct Lead {
  const Op* op = nullptr;
  Indents* indents = nullptr;
};

// A column range of the drawing placed on a line. Strips of a cut part
// carry the cut before and after them, for the markers of the rows that
// the cut goes through.
struct Segment {
  int col;   // output column of drawing column a
  int a, b;  // drawing columns [a, b)
  int unit = -1;  // the cut part, an index in Fitter::units_
  bool cut_before = false;
  bool cut_after = false;
  int before_end = 0;  // with cut_before: where the previous strip ended
  int after_start = 0;  // with cut_after: where the next strip starts
  int block = -1;  // columns of a drawing of its own, an index in Fitter::blocks_
};

struct Line {
  std::vector<Segment> segments;
};

// A part cut into strips: for each row, its first and last nonblank
// columns, first > last on a blank row.
struct CutUnit {
  int top;
  std::vector<int> first, last;
  // Whether row r has text on both sides of the cut that drops columns
  // [end, start).
  bool crosses(int r, int end, int start) const {
    auto k = static_cast<size_t>(r - top);
    return k < first.size() && first[k] < end && last[k] >= start;
  }
};

class Fitter {
 public:
  Fitter(const Canvas& canvas, const RenderContext& cx, int width, int fraction_depth = 0)
      : cells_(canvas), cx_(cx), width_(width), limit_(width),
        drawing_width_(canvas.extent().width), fraction_depth_(fraction_depth) {}

  void place(const Expression& tree);
  CanvasRef compose() const;
  // Whether some part had to be cut into strips.
  bool stripped() const { return stripped_; }

 private:
  // What has been placed so far, to try a placement and take it back.
  struct State {
    std::vector<Line> lines;
    std::vector<CutUnit> units;
    std::vector<CanvasRef> blocks;
    int out;
    bool has_term, relation_on_line, line_full, stripped;
    int splits;
    std::vector<std::pair<Indents*, Indents>> indents;
  };
  State save(Indents& indents) const;
  void restore(State& state);

  const Placement* joined(const Expression& e) const;
  bool flatten(const Expression& root, int start, int end, Chain& chain) const;
  bool clean(const Op& op) const;
  bool inner_chain(const Term& term, Chain& chain) const;
  void operand_chain(const Expression& e, bool bracketed, int start, int end,
                     Chain& chain) const;

  CanvasRef fitted(const Expression& e, int width, bool& stripped) const;
  CanvasRef stacked(const Div& div, int width, bool& stripped) const;
  CanvasRef one_row(const Div& div, int width) const;
  bool place_fraction(const Term& term, Lead lead);
  void place_chain(const Chain& chain);

  void place_range(const Chain& chain, size_t i, size_t j, Lead lead, Level level,
                   Indents& indents);
  void place_broken(const Chain& chain, size_t u, size_t v, Lead lead, Level level,
                    Indents& indents);
  void place_term(const Term& term, Lead lead, Indents& indents);
  void place_strips(int a, int b, Lead lead, Indents& indents,
                    const std::vector<int>& clean_cuts);

  bool fits_here(Lead lead, int w) const {
    return !line_full_ && out_ + here_width(lead, w) <= limit_;
  }
  int here_width(Lead lead, int w) const;
  bool fits_fresh(Lead lead, int w);
  void put_here(Lead lead, int a, int b);
  void break_before(Lead lead) { new_line(indent_for(lead)); }
  void new_line(int indent);
  void append(int a, int b);
  int indent_for(Lead lead);
  void resolve(Indents& indents);
  int output_column(int col) const;

  Cells cells_;
  const RenderContext& cx_;
  int width_;
  int limit_;  // where lines are filled to: the width, or less to even them out
  int drawing_width_;
  int fraction_depth_;  // fractions broken by their terms around this drawing
  std::vector<Line> lines_;
  std::vector<CutUnit> units_;
  int out_ = 0;            // output column after the current line's text
  bool has_term_ = false;  // whether the current line holds a term yet
  bool relation_on_line_ = false;  // whether it holds a relation sign
  bool line_full_ = false;  // whether it ends with a block of several lines
  bool stripped_ = false;
  std::vector<CanvasRef> blocks_;
  int nesting_ = 0;
  int splits_ = 0;  // pieces broken across lines, each counted once
};

// The placement of a node drawn as two operands about a sign, or null.
const Placement* Fitter::joined(const Expression& e) const {
  const Placement* p = cx_.layout->find(e);
  return p != nullptr && p->joint != Joint::none ? p : nullptr;
}

// The terms and operators of the chain that `root` draws at columns
// [start, end), in drawing order, as the layout record places them; false
// when the record does not tile those columns. Operators whose columns hold
// anything but their sign are not places to break: the terms around them
// become one.
bool Fitter::flatten(const Expression& root, int start, int end, Chain& chain) const {
  struct Step {
    PlacedPart part;  // node null for an operator
    const Placement* op;
  };
  std::vector<Term> terms;
  std::vector<Op> ops;
  std::vector<Step> todo{{PlacedPart{&root, start, end - start, false}, nullptr}};
  int col = start;
  while (!todo.empty()) {
    Step step = todo.back();
    todo.pop_back();
    const PlacedPart& part = step.part;
    if (part.node == nullptr) {
      const Placement& p = *step.op;
      int at = part.col - (p.sign_width == 0 ? 0 : 1);
      if (at != col) return false;
      ops.push_back(Op{static_cast<Level>(p.joint), at, p.two_row_sign, p.sign_width});
      col += op_width(p.sign_width);
      continue;
    }
    if (part.col != col) return false;
    const Placement* p = part.bracketed ? nullptr : joined(*part.node);
    if (p != nullptr) {
      auto moved = [&](PlacedPart child) {
        child.col += part.col;
        return child;
      };
      todo.push_back({moved(p->second), nullptr});
      todo.push_back({PlacedPart{nullptr, part.col + p->sign_col, 0, false}, p});
      todo.push_back({moved(p->first), nullptr});
      continue;
    }
    terms.push_back(Term{part.node, part.bracketed, col, col + part.width, col, col + part.width});
    col += part.width;
  }
  if (col != end) return false;

  chain.terms.clear();
  chain.ops.clear();
  chain.first_column = start;
  chain.terms.push_back(terms[0]);
  for (size_t k = 0; k < ops.size(); ++k) {
    if (clean(ops[k])) {
      chain.ops.push_back(ops[k]);
      chain.terms.push_back(terms[k + 1]);
    } else {
      Term& joined = chain.terms.back();
      joined.node = nullptr;
      joined.end = terms[k + 1].end;
    }
  }
  return true;
}

// Whether an operator's columns hold its sign and nothing else: the blanks
// around it are blank on every row.
bool Fitter::clean(const Op& op) const {
  int sign = op.start + 1;
  if (op.sign != 0 && cells_.blank(0, sign)) return false;
  for (int r = cells_.top(); r <= cells_.bottom(); ++r) {
    if (op.sign == 0) {
      if (!cells_.blank(r, op.start)) return false;
      continue;
    }
    if (!cells_.blank(r, op.start) || !cells_.blank(r, sign + op.sign)) return false;
    bool own = r == 0 || (r == 1 && op.two_row_sign);
    for (int c = sign; c < sign + op.sign; ++c) {
      if (!own && !cells_.blank(r, c)) return false;
    }
  }
  return true;
}

// The chain inside a term's outermost brackets, or beside the signs of the
// nodes that draw one child (a negation, a big operator, a function); its
// first and last terms carry what stands before and after it in the term.
bool Fitter::inner_chain(const Term& term, Chain& chain) const {
  if (term.node == nullptr) return false;
  const Expression* node = term.node;
  bool bracketed = term.bracketed;
  int start = term.node_start;
  int end = term.node_end;
  for (int step = 0; step < kMaxNesting; ++step) {
    if (bracketed) {
      ++start;
      --end;
    }
    const Placement* p = cx_.layout->find(*node);
    if (p == nullptr) return false;
    if (p->joint != Joint::none) {
      if (!flatten(*node, start, end, chain)) return false;
      chain.terms.front().start = term.start;
      chain.terms.back().end = term.end;
      return true;
    }
    const PlacedPart& child = p->first;
    if (child.node == nullptr || child.col < 0 || start + child.col + child.width > end) {
      return false;
    }
    node = child.node;
    bracketed = child.bracketed;
    start += child.col;
    end = start + child.width;
  }
  return false;
}

void Fitter::place(const Expression& tree) {
  Chain top;
  if (joined(tree) == nullptr || !flatten(tree, 0, drawing_width_, top)) {
    top.terms.assign(1, Term{&tree, false, 0, drawing_width_, 0, drawing_width_});
    top.ops.clear();
  }
  // A chain of relations whose first side fits on the first line lines up
  // its continuation lines after the first relation sign, when that leaves
  // half the width.
  Indents indents;
  for (const Op& op : top.ops) {
    if (op.level != RELATION) continue;
    int sign = op.start + 1;
    if (op.start <= width_ && 2 * (sign + 2) <= width_) indents = Indents{sign, sign + 2};
    break;
  }
  new_line(0);
  place_range(top, 0, top.terms.size() - 1, Lead{}, RELATION, indents);
}

// Places terms i to j, broken at operators of `level` or weaker, after
// `lead`. Each piece goes on the current line when it fits there, else on
// a new line when it fits on a line of its own, else it is broken at the
// next level, starting on the current line.
void Fitter::place_range(const Chain& chain, size_t i, size_t j, Lead lead, Level level,
                         Indents& indents) {
  if (level == NO_LEVEL) {
    place_term(chain.terms[i], lead, indents);
    return;
  }
  // A relation that follows a side broken across lines starts a line of
  // its own, so that the stronger break shows.
  bool after_broken = false;
  for (size_t u = i; u <= j;) {
    size_t v = u;
    while (v < j && chain.ops[v].level != level) ++v;
    Lead l = u == i ? lead : Lead{&chain.ops[u - 1], &indents};
    int a = chain.terms[u].start;
    int b = chain.terms[v].end;
    if (after_broken && has_term_ && l.op != nullptr) break_before(l);
    if (fits_here(l, b - a)) {
      put_here(l, a, b);
      after_broken = false;
    } else if (has_term_ && fits_fresh(l, b - a)) {
      break_before(l);
      put_here(l, a, b);
      after_broken = false;
    } else if (level == RELATION && nesting_ == 0 && relation_on_line_ && l.op != nullptr &&
               v > u && !fits_here(l, chain.terms[u + 1].end - a)) {
      // A side broken across lines after another relation on the line, of
      // which only the first term would fit there, starts a line of its own
      // unless that takes more lines: a line does not end with = a^3.
      size_t lines = lines_.size();
      State before = save(indents);
      place_broken(chain, u, v, l, level, indents);
      State here = save(indents);
      restore(before);
      break_before(l);
      place_broken(chain, u, v, l, level, indents);
      if (lines_.size() > here.lines.size()) restore(here);
      after_broken = lines_.size() > lines;
    } else {
      size_t lines = lines_.size();
      place_broken(chain, u, v, l, level, indents);
      after_broken = level == RELATION && lines_.size() > lines;
    }
    u = v + 1;
  }
}

// Places terms u to v, which do not fit on a line, broken at operators
// weaker than `level`. Outside brackets, such a range that fills several
// lines is evened out: its lines are filled to the narrowest
// limit that takes no more lines and breaks no more pieces, so that its last
// line is no scrap such as + b^3. Parts cut into strips or fractions broken
// by their terms are last resorts, and are kept as filled.
void Fitter::place_broken(const Chain& chain, size_t u, size_t v, Lead lead, Level level,
                          Indents& indents) {
  ++splits_;
  auto weaker = static_cast<Level>(level + 1);
  bool even = nesting_ == 0 && limit_ == width_ && fraction_depth_ <= 1;
  State before = even ? save(indents) : State{};
  place_range(chain, u, v, lead, weaker, indents);
  // Whether the placement cut a part or broke a fraction.
  auto resorted = [&] {
    return units_.size() != before.units.size() || blocks_.size() != before.blocks.size();
  };
  if (!even || lines_.size() == before.lines.size() || resorted()) return;
  size_t lines = lines_.size();
  int splits = splits_;
  State best = save(indents);
  int lo = 1;
  int hi = width_;  // a limit known to take no more lines
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    State trial = before;
    restore(trial);
    limit_ = mid;
    place_range(chain, u, v, lead, weaker, indents);
    limit_ = width_;
    if (lines_.size() == lines && splits_ <= splits && !resorted()) {
      hi = mid;
      best = save(indents);
    } else {
      lo = mid + 1;
    }
  }
  restore(best);
}

// A term too wide for a line of its own at its indent is broken inside its
// brackets; one that has none to break in is kept whole on a line further
// left when it fits the width, and cut into strips when it does not.
void Fitter::place_term(const Term& term, Lead lead, Indents& indents) {
  int w = term.end - term.start;
  if (fits_here(lead, w)) {
    put_here(lead, term.start, term.end);
    return;
  }
  if (has_term_ && fits_fresh(lead, w)) {
    break_before(lead);
    put_here(lead, term.start, term.end);
    return;
  }
  if (place_fraction(term, lead)) return;
  Chain inner;
  if (nesting_ < kMaxNesting && inner_chain(term, inner)) {
    ++splits_;
    // Its continuation lines line up inside its brackets: a term whose
    // brackets would open past half the width here starts a new line when
    // they open before that there.
    int prefix = inner.first_column - term.start;
    if (has_term_ && lead.op != nullptr && 2 * (out_ + here_width(lead, prefix)) > width_ &&
        2 * (indent_for(lead) + sign_width(lead.op->sign) + prefix) <= width_) {
      break_before(lead);
    }
    Indents inner_indents;
    inner_indents.anchor = inner.first_column;
    inner_indents.outer = &indents;
    ++nesting_;
    place_range(inner, 0, inner.terms.size() - 1, lead, RELATION, inner_indents);
    --nesting_;
    return;
  }
  if (lead.op != nullptr && w <= width_) {
    // Kept whole on a line of its own: less indented, or after its sign
    // alone on a line when the two do not fit together.
    int w_sign = sign_width(lead.op->sign);
    if (w_sign + w <= width_) {
      if (has_term_) {
        new_line(width_ - w_sign - w);
      } else {
        out_ = std::min(out_, width_ - w_sign - w);
      }
    } else {
      if (has_term_) break_before(lead);
      put_here(lead, term.start, term.start);
      new_line(0);
      lead = Lead{};
    }
    put_here(lead, term.start, term.end);
    return;
  }
  // Cuts between the term's node, its brackets and what is glued to it cut
  // through nothing.
  std::vector<int> clean_cuts{term.node_start, term.node_end};
  if (term.bracketed) {
    clean_cuts.push_back(term.node_start + 1);
    clean_cuts.push_back(term.node_end - 1);
  }
  place_strips(term.start, term.end, lead, indents, clean_cuts);
}

// Cuts columns [a, b) into strips: the first goes on the current line when
// at least half the width is left there, the others on lines of their own
// after the marker "> ". A strip ends at the last place where the cut goes
// through nothing, a column blank on every row or one of clean_cuts, and
// otherwise at the edge.
void Fitter::place_strips(int a, int b, Lead lead, Indents& indents,
                          const std::vector<int>& clean_cuts) {
  stripped_ = true;
  if (has_term_ && (line_full_ || width_ - out_ - here_width(lead, 0) < width_ / 2)) {
    if (lead.op != nullptr) {
      break_before(lead);
    } else {
      resolve(indents);
      new_line(indents.other);
    }
  }
  put_here(lead, a, a);

  CutUnit unit{cells_.top(), {}, {}};
  std::vector<bool> blank(static_cast<size_t>(b - a), true);
  for (int r = cells_.top(); r <= cells_.bottom(); ++r) {
    std::string_view text = cells_.row(r);
    int first = INT_MAX;
    int last = INT_MIN;
    int stop = std::min(b, static_cast<int>(text.size()));
    for (int c = a; c < stop; ++c) {
      if (text[static_cast<size_t>(c)] == ' ') continue;
      first = std::min(first, c);
      last = c;
      blank[static_cast<size_t>(c - a)] = false;
    }
    unit.first.push_back(first);
    unit.last.push_back(last);
  }
  int index = static_cast<int>(units_.size());
  units_.push_back(std::move(unit));
  auto is_blank = [&](int c) { return blank[static_cast<size_t>(c - a)]; };

  int pos = a;
  int before_end = a;
  for (bool first = true;; first = false) {
    if (!first) {
      // The marker shows the continuation: a quarter of the width at most
      // goes to the indent.
      resolve(indents);
      new_line(std::min(indents.other, width_ / 4));
      out_ += 2;  // "> "
    }
    Segment s{out_, pos, b, index, !first, false, before_end, 0};
    int room = width_ - out_;
    if (b - pos > room) {
      int most = std::max(room - 2, 1);  // " >"; a strip moves on by one column at least
      int end = pos + most;
      int next = end;
      for (int c = pos + most; c > pos; --c) {
        // A bracket alone is no strip.
        if (std::find(clean_cuts.begin(), clean_cuts.end(), c) != clean_cuts.end() &&
            !is_blank(c - 1) && c - pos > 1) {
          end = c;
          next = c;
          break;
        }
        if (!is_blank(c)) continue;
        int e = c;
        while (e > pos && is_blank(e - 1)) --e;
        if (e == pos) break;
        end = e;
        next = c;
        while (next < b && is_blank(next)) ++next;
        break;
      }
      s.b = end;
      s.cut_after = next < b;
      s.after_start = next;
      pos = next;
      before_end = end;
    } else {
      pos = b;
    }
    lines_.back().segments.push_back(s);
    out_ += s.b - s.a;
    has_term_ = true;
    if (pos >= b) break;
  }
}

// A fraction too wide for its line is broken by its terms rather than cut:
// numerator and denominator each fitted to the line, one over the other
// under one bar, or where either would still be cut, the fraction written
// on one row, (numerator) / (denominator), and broken at its terms. Either
// stands as a drawing of its own where the fraction would.
bool Fitter::place_fraction(const Term& term, Lead lead) {
  auto* div = term.bracketed ? nullptr : dynamic_cast<const Div*>(term.node);
  if (div == nullptr || term.start != term.node_start || term.end != term.node_end ||
      fraction_depth_ >= kMaxFractionDepth) {
    return false;
  }
  if (has_term_ && lead.op == nullptr) return false;
  int sign = lead.op != nullptr ? sign_width(lead.op->sign) : 0;
  // One that fits on a line of its own is kept whole there.
  if (lead.op != nullptr && sign + term.end - term.start <= width_) return false;
  int at = has_term_ ? indent_for(lead) + sign : out_ + sign;
  // Where the indent leaves too little room, the fraction starts a line
  // of its own at the left edge, after its sign.
  bool left_edge = width_ - at < std::max(kNarrowestFit, width_ / 2);
  if (left_edge) at = sign;
  int room = width_ - at;
  // Narrower, a part cut into strips would have no room beside its markers.
  if (room < kNarrowestFit) return false;
  bool cut = false;
  CanvasRef block = stacked(*div, room, cut);
  if (cut) block = one_row(*div, room);
  if (left_edge) {
    if (has_term_) new_line(0);
    out_ = 0;
  } else if (has_term_ && !fits_here(lead, block->extent().width)) {
    break_before(lead);
  }
  put_here(lead, term.start, term.start);
  auto index = static_cast<int>(blocks_.size());
  lines_.back().segments.push_back(Segment{out_, 0, block->extent().width, -1, false, false,
                                           0, 0, index});
  out_ += block->extent().width;
  has_term_ = true;
  line_full_ = cut;
  blocks_.push_back(block);
  return true;
}

// The drawing of e, fitted into the width when wider; `stripped` is set
// when some part of it had to be cut into strips.
CanvasRef Fitter::fitted(const Expression& e, int width, bool& stripped) const {
  cx_.pool.reset_budget();
  CanvasRef drawing = e.render(cx_);
  if (drawing->extent().width <= width) return drawing;
  Fitter fitter(*drawing, cx_, width, fraction_depth_ + 1);
  fitter.place(e);
  stripped = stripped || fitter.stripped();
  return fitter.compose();
}

CanvasRef Fitter::stacked(const Div& div, int width, bool& stripped) const {
  CanvasRef num = fitted(*div.left, width, stripped);
  CanvasRef den = fitted(*div.right, width, stripped);
  int p = num->extent().width;
  int q = den->extent().width;
  int m = std::max(p, q);
  CanvasRef c = cx_.canvas();
  c->paste(*num, -1, centred(m, p), ALIGN_BOTTOM);
  c->fill(0, 0, m, cx_.style.glyphs->fraction_bar);
  c->paste(*den, 1, centred(m, q), ALIGN_TOP);
  return c;
}

// The terms of an operand that stands at columns [start, end), brackets
// included: its own chain, or itself as one term.
void Fitter::operand_chain(const Expression& e, bool bracketed, int start, int end,
                           Chain& chain) const {
  int in = bracketed ? 1 : 0;
  if (joined(e) != nullptr && flatten(e, start + in, end - in, chain)) {
    chain.terms.front().start = start;
    chain.terms.back().end = end;
    return;
  }
  chain.terms.assign(1, Term{&e, bracketed, start, end, start, end});
  chain.ops.clear();
}

CanvasRef Fitter::one_row(const Div& div, int width) const {
  const BracketShape& parens = cx_.style.parens();
  auto bracketed = [&](const Expression& e) {
    return joined(e) != nullptr || e.needs_parens();
  };
  bool bl = bracketed(*div.left);
  bool br = bracketed(*div.right);
  cx_.pool.reset_budget();
  CanvasRef row = cx_.canvas();
  CanvasRef num = div.left->render(cx_);
  int p = num->extent().width + (bl ? 2 : 0);
  row->paste_bracketed(*num, 0, 0, bl, parens);
  row->put_text("/", 0, p + 1);
  CanvasRef den = div.right->render(cx_);
  int q = den->extent().width + (br ? 2 : 0);
  row->paste_bracketed(*den, 0, p + 3, br, parens);

  Fitter fitter(*row, cx_, width, fraction_depth_ + 1);
  Chain chain;
  Chain right;
  fitter.operand_chain(*div.left, bl, 0, p, chain);
  fitter.operand_chain(*div.right, br, p + 3, p + 3 + q, right);
  // The bar breaks first, like a relation: its sign starts a line.
  chain.ops.push_back(Op{RELATION, p, false, 1});
  chain.terms.insert(chain.terms.end(), right.terms.begin(), right.terms.end());
  chain.ops.insert(chain.ops.end(), right.ops.begin(), right.ops.end());
  if (row->extent().width <= width) return row;
  fitter.place_chain(chain);
  return fitter.compose();
}

void Fitter::place_chain(const Chain& chain) {
  Indents indents;
  new_line(0);
  place_range(chain, 0, chain.terms.size() - 1, Lead{}, RELATION, indents);
}

int Fitter::here_width(Lead lead, int w) const {
  if (lead.op == nullptr) return w;
  return w + (has_term_ ? op_width(lead.op->sign) : sign_width(lead.op->sign));
}

bool Fitter::fits_fresh(Lead lead, int w) {
  if (lead.op == nullptr) return false;
  return indent_for(lead) + sign_width(lead.op->sign) + w <= limit_;
}

// Puts the lead and columns [a, b) after the current line's text; at the
// start of a line the lead is its sign without the blank before it.
void Fitter::put_here(Lead lead, int a, int b) {
  int from = a;
  if (lead.op != nullptr) {
    if (lead.op->level == RELATION) relation_on_line_ = true;
    from = has_term_ ? lead.op->start
           : lead.op->sign == 0 ? a
                                : lead.op->start + 1;
  }
  if (from < b) append(from, b);
}

void Fitter::new_line(int indent) {
  lines_.emplace_back();
  out_ = indent;
  has_term_ = false;
  relation_on_line_ = false;
  line_full_ = false;
}

Fitter::State Fitter::save(Indents& indents) const {
  State state{lines_, units_, blocks_, out_, has_term_, relation_on_line_, line_full_,
              stripped_, splits_, {}};
  for (Indents* i = &indents; i != nullptr; i = i->outer) state.indents.emplace_back(i, *i);
  return state;
}

void Fitter::restore(State& state) {
  lines_ = std::move(state.lines);
  units_ = std::move(state.units);
  blocks_ = std::move(state.blocks);
  out_ = state.out;
  has_term_ = state.has_term;
  relation_on_line_ = state.relation_on_line;
  line_full_ = state.line_full;
  stripped_ = state.stripped;
  splits_ = state.splits;
  for (auto& [where, value] : state.indents) *where = value;
}

void Fitter::append(int a, int b) {
  std::vector<Segment>& segments = lines_.back().segments;
  if (!segments.empty()) {
    Segment& last = segments.back();
    if (last.unit < 0 && last.b == a && last.col + (last.b - last.a) == out_) {
      last.b = b;
      out_ += b - a;
      has_term_ = true;
      return;
    }
  }
  segments.push_back(Segment{out_, a, b});
  out_ += b - a;
  has_term_ = true;
}

int Fitter::indent_for(Lead lead) {
  Indents& indents = *lead.indents;
  resolve(indents);
  switch (lead.op->level) {
    case RELATION:
      return indents.relation;
    case PRODUCT:
      // A factor that starts a line has no sign: it stands further in than
      // the terms.
      return std::min(indents.other + 2, width_ / 2);
    default:
      return indents.other;
  }
}

void Fitter::resolve(Indents& indents) {
  if (indents.anchor < 0) return;
  int fallback = 4;
  if (indents.outer != nullptr) {
    resolve(*indents.outer);
    fallback = std::min(indents.outer->other + 2, width_ / 2);
  }
  int col = output_column(indents.anchor);
  int indent = col >= 0 && 2 * col <= width_ ? col : fallback;
  indents.relation = indent;
  indents.other = indent;
  indents.anchor = -1;
}

// Where drawing column col was placed, or -1.
int Fitter::output_column(int col) const {
  for (auto line = lines_.rbegin(); line != lines_.rend(); ++line) {
    for (auto s = line->segments.rbegin(); s != line->segments.rend(); ++s) {
      if (s->a <= col && col < s->b) return s->col + col - s->a;
    }
  }
  return -1;
}

// The lines one under another, each as high as what it holds; the first
// keeps the drawing's baseline. A row that is blank on a line only because
// what the drawing has there went to other lines is left out.
CanvasRef Fitter::compose() const {
  cx_.pool.reset_budget();
  CanvasRef c = cx_.canvas();
  Canvas& out = *c;
  const char marker = cx_.style.glyphs->continued;
  auto source = [&](const Segment& s) {
    return s.block < 0 ? cells_ : Cells(*blocks_[static_cast<size_t>(s.block)]);
  };
  auto marked = [&](const Segment& s, int r, bool before) {
    if (s.unit < 0) return false;
    const CutUnit& unit = units_[static_cast<size_t>(s.unit)];
    // Every row of a strip that holds something shows that it goes on,
    // and so does a row that the cut goes through.
    if (before ? !s.cut_before : !s.cut_after) return false;
    return cells_.any(r, s.a, s.b) || (before ? unit.crosses(r, s.before_end, s.a)
                                              : unit.crosses(r, s.b, s.after_start));
  };
  int below = 0;  // the output row after the previous line
  for (size_t k = 0; k < lines_.size(); ++k) {
    const Line& line = lines_[k];
    int top = cells_.top();
    int bottom = cells_.bottom();
    for (const Segment& s : line.segments) {
      Cells cells = source(s);
      top = std::min(top, cells.top());
      bottom = std::max(bottom, cells.bottom());
    }
    // Rows held by the line's segments, and rows blank in the whole
    // drawing between them.
    std::vector<int> rows;
    int last_held = -1;
    for (int r = top; r <= bottom; ++r) {
      bool held = k == 0 && r == 0;
      for (const Segment& s : line.segments) {
        if (marked(s, r, true) || marked(s, r, false) || source(s).any(r, s.a, s.b)) held = true;
      }
      bool blank = r >= cells_.top() && r <= cells_.bottom() && !cells_.any(r, 0, drawing_width_);
      if (held || (blank && !rows.empty())) rows.push_back(r);
      if (held) last_held = static_cast<int>(rows.size());
    }
    rows.resize(static_cast<size_t>(std::max(last_held, 0)));
    if (rows.empty()) continue;
    // The output row of the line's first row: the first line keeps row 0
    // on row 0.
    int first = below;
    if (k == 0) {
      auto zero = std::find(rows.begin(), rows.end(), 0);
      first = -static_cast<int>(zero - rows.begin());
    }
    for (size_t n = 0; n < rows.size(); ++n) {
      int r = rows[n];
      int o = first + static_cast<int>(n);
      for (const Segment& s : line.segments) {
        Cells cells = source(s);
        std::string_view text = cells.row(r);
        if (marked(s, r, true)) out[o][s.col - 2] = marker;
        int stop = std::min(s.b, static_cast<int>(text.size()));
        if (s.a < stop) {
          std::string_view piece = text.substr(static_cast<size_t>(s.a),
                                               static_cast<size_t>(stop - s.a));
          size_t m = piece.find_last_not_of(' ');
          if (m != std::string_view::npos) out.put_text(piece.substr(0, m + 1), o, s.col);
        }
        if (marked(s, r, false)) out[o][s.col + (s.b - s.a) + 1] = marker;
      }
    }
    below = first + static_cast<int>(rows.size());
  }
  return c;
}

}  // namespace

CanvasRef fit(const Expression& tree, const CanvasRef& drawing, const RenderContext& cx,
              int width) {
  width = std::max(width, kNarrowestFit);
  if (drawing->extent().width <= width) return drawing;
  // Drawn again, this time keeping the record of what went where: only a
  // drawing too wide pays for it.
  LayoutRecord record;
  RenderContext recording{cx.pool, cx.style, &record};
  cx.pool.reset_budget();
  CanvasRef drawn = tree.render(recording);
  Fitter fitter(*drawn, recording, width);
  fitter.place(tree);
  return fitter.compose();
}
