// The one-row style: a tree written on a single line of text, for a formula
// that stands inside a sentence. A node whose drawing is one row tall is
// that row. Fractions, powers, scripts, radicals and big operators become
// their linear forms:
//   Unicode:  x²  xᵢ  √(x+1)  (a+b)/(c−d)  ∑ₖ₌₁ⁿ k  ∫₀¹ f(x) dx
//   ASCII:    x^2  x_i  sqrt(x + 1)  (a + b)/(c - d)  sum(k, k = 1 .. n)
// Any other node is drawn as usual with each child standing in as its own
// one-row form, so that its signs and brackets are the drawing's own.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "canvas/canvas.h"
#include "expr/drawing.h"

namespace {

// The text of a drawing's baseline row, in UTF-8.
std::string baseline_row(const Canvas& c) {
  std::string row;
  for (char byte : c[0].text()) row.append(glyph_text(static_cast<unsigned char>(byte)));
  while (!row.empty() && row.back() == ' ') row.pop_back();
  return row;
}

// Characters that have raised and lowered forms.
constexpr std::string_view kPlain = "0123456789+-=()aehijklmnoprstuvx";
constexpr std::string_view kRaised[] = {
    "⁰", "¹", "²", "³", "⁴", "⁵", "⁶", "⁷", "⁸", "⁹", "⁺", "⁻", "⁼", "⁽", "⁾", "ᵃ",
    "ᵉ", "ʰ", "ⁱ", "ʲ", "ᵏ", "ˡ", "ᵐ", "ⁿ", "ᵒ", "ᵖ", "ʳ", "ˢ", "ᵗ", "ᵘ", "ᵛ", "ˣ"};
constexpr std::string_view kLowered[] = {
    "₀", "₁", "₂", "₃", "₄", "₅", "₆", "₇", "₈", "₉", "₊", "₋", "₌", "₍", "₎", "ₐ",
    "ₑ", "ₕ", "ᵢ", "ⱼ", "ₖ", "ₗ", "ₘ", "ₙ", "ₒ", "ₚ", "ᵣ", "ₛ", "ₜ", "ᵤ", "ᵥ", "ₓ"};

// text in raised or lowered characters, or false when one has no such form.
bool shifted(std::string_view text, bool raised, std::string& out) {
  std::string s;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "−") == 0) {
      s += raised ? "⁻" : "₋";
      i += 2;
      continue;
    }
    size_t k = kPlain.find(text[i]);
    if (k == std::string_view::npos) return false;
    s += raised ? kRaised[k] : kLowered[k];
  }
  out += s;
  return !text.empty();
}

bool is_atom(const Expression& e) {
  return dynamic_cast<const Constant*>(&e) != nullptr || dynamic_cast<const Symbol*>(&e) != nullptr ||
         dynamic_cast<const Function*>(&e) != nullptr ||
         dynamic_cast<const Bracketed*>(&e) != nullptr || dynamic_cast<const Abs*>(&e) != nullptr ||
         dynamic_cast<const Matrix*>(&e) != nullptr;
}

class OneRow {
 public:
  explicit OneRow(const RenderContext& cx) : cx_(cx), unicode_(cx.style.glyphs->unicode_symbols) {}

  std::string of(Expression& e) {
    CanvasRef drawn = e.render(cx_);
    if (drawn->nrows() == 1) return baseline_row(*drawn);
    if (auto* d = dynamic_cast<Div*>(&e)) return operand(*d->left) + "/" + operand(*d->right);
    if (auto* p = dynamic_cast<Pow*>(&e)) return scripted(operand(*p->left), nullptr, p->right.get());
    if (auto* s = dynamic_cast<Symbol*>(&e)) return symbol(*s);
    if (auto* s = dynamic_cast<Subscripted*>(&e))
      return scripted(operand(*s->base), s->subscr.get(), s->expn.get());
    if (auto* r = dynamic_cast<Sqrt*>(&e)) return radical(*r->arg, nullptr);
    if (auto* r = dynamic_cast<Root*>(&e)) return radical(*r->left, r->right.get());
    if (auto* o = dynamic_cast<OpOnFunction*>(&e)) return big_operator(*o);
    if (auto* m = dynamic_cast<Matrix*>(&e)) return matrix(*m);
    if (auto* g = dynamic_cast<GlyphConstant*>(&e)) return glyph_constant(*g);
    return with_children(e);
  }

 private:
  // An operand of a fraction or the base of a power: in brackets unless
  // it is one piece.
  std::string operand(Expression& e) {
    std::string s = of(e);
    return is_atom(e) && s.find(' ') == std::string::npos ? s : "(" + s + ")";
  }

  // π and ∇, whose ASCII drawings take two rows, by their names.
  std::string glyph_constant(GlyphConstant& g) {
    std::string name = unicode_ ? (dynamic_cast<Pi*>(&g) != nullptr ? "π" : "∇")
                                : (dynamic_cast<Pi*>(&g) != nullptr ? "pi" : "nabla");
    return scripted(name, nullptr, g.expn.get());
  }

  std::string scripted(std::string base, Expression* sub, Expression* sup) {
    if (sub != nullptr) script(base, of(*sub), false);
    if (sup != nullptr) script(base, of(*sup), true);
    return base;
  }

  void script(std::string& base, const std::string& s, bool raised) {
    if (unicode_ && shifted(s, raised, base)) return;
    base += raised ? "^" : "_";
    bool one_piece = s.find_first_of(" +-*/=,") == std::string::npos;
    base += one_piece ? s : "(" + s + ")";
  }

  // A name with its scripts: the drawing's baseline row holds the name
  // and its primes.
  std::string symbol(Symbol& s) {
    Owned<> sub = std::move(s.subscr);
    Owned<> sup = std::move(s.expn);
    std::string name = baseline_row(*s.render(cx_));
    s.subscr = std::move(sub);
    s.expn = std::move(sup);
    return scripted(name, s.subscr.get(), s.expn.get());
  }

  std::string radical(Expression& radicand, Expression* index) {
    std::string r = of(radicand);
    if (!unicode_) {
      if (index == nullptr) return "sqrt(" + r + ")";
      return "root(" + r + ", " + of(*index) + ")";
    }
    std::string sign;
    if (index != nullptr && !shifted(of(*index), true, sign)) return "root(" + r + ", " + of(*index) + ")";
    sign += "√";
    return sign + (is_atom(radicand) ? r : "(" + r + ")");
  }

  std::string big_operator(OpOnFunction& o) {
    auto* bounds = dynamic_cast<OpOverInterval*>(&o);
    bool integral = dynamic_cast<Integral*>(&o) != nullptr;
    bool product = dynamic_cast<Product*>(&o) != nullptr || dynamic_cast<ProductOverInterval*>(&o) != nullptr;
    if (auto* l = dynamic_cast<Limit*>(&o)) {
      std::string to = of(*l->variable) + (unicode_ ? "→" : " -> ") + of(*l->point);
      return unicode_ ? "lim_(" + to + ") " + of(*l->body) : "lim(" + of(*l->body) + ", " + to + ")";
    }
    std::string body = of(*o.body);
    if (auto* s = dynamic_cast<ScriptedBigOperator*>(&o)) return scripted(*s, body);
    std::string var = o.variable ? of(*o.variable) : "";
    if (!unicode_) {
      bool closed = integral && static_cast<Integral&>(o).closed;
      std::string name = closed ? "oint(" : integral ? "int(" : product ? "prod(" : "sum(";
      if (bounds == nullptr) return name + body + ", " + var + ")";
      return name + body + ", " + var + " = " + bound(bounds->lower) + " .. " + bound(bounds->upper) + ")";
    }
    bool closed = integral && static_cast<Integral&>(o).closed;
    std::string sign = closed ? "∮" : integral ? "∫" : product ? "∏" : "∑";
    std::string lower = integral || bounds == nullptr ? "" : var + "=";
    if (bounds != nullptr) {
      if (bounds->lower) script(sign, lower + of(*bounds->lower), false);
      if (bounds->upper) script(sign, of(*bounds->upper), true);
    } else if (!integral) {
      script(sign, var, false);
    }
    if (integral) return sign + " " + body + (o.variable ? " d" + var : "");
    return sign + " " + body;
  }

  // \sum_{i<j} a_{ij}: in Unicode the sign with its scripts, in ASCII
  // sum(body, lower .. upper) with what is written.
  std::string scripted(ScriptedBigOperator& s, const std::string& body) {
    std::string lower = s.variable ? of(*s.variable) : "";
    std::string upper = s.upper ? of(*s.upper) : "";
    if (unicode_ || s.shape == ScriptedBigOperator::row) {
      std::string sign = s.shape == ScriptedBigOperator::sum       ? (unicode_ ? "∑" : "sum")
                         : s.shape == ScriptedBigOperator::product ? (unicode_ ? "∏" : "prod")
                                                                   : sign_text(s.sign);
      if (s.variable) script(sign, lower, false);
      if (s.upper) script(sign, upper, true);
      return sign + " " + body;
    }
    std::string name = s.shape == ScriptedBigOperator::product ? "prod(" : "sum(";
    std::string range = s.upper ? lower + " .. " + upper : lower;
    return name + body + (range.empty() ? "" : ", " + range) + ")";
  }

  std::string bound(Owned<>& b) { return b ? of(*b) : ""; }

  std::string sign_text(Sign sign) {
    CanvasRef c = cx_.canvas();
    put_sign(cx_.style, *c, sign, 0, 0);
    return baseline_row(*c);
  }

  std::string matrix(Matrix& m) {
    std::string s = "[";
    for (size_t r = 0; r < m.rows.size(); ++r) {
      if (r > 0) s += "; ";
      for (size_t i = 0; i < m.rows[r]->items.size(); ++i) {
        if (i > 0) s += ", ";
        s += of(*m.rows[r]->items[i]);
      }
    }
    return s + "]";
  }

  // The node's own drawing with each child replaced, while it is drawn, by
  // a stand-in as wide as the child's one-row form.
  std::string with_children(Expression& e) {
    std::vector<Owned<>*> children;
    if (auto* u = dynamic_cast<UnaryOp*>(&e)) children = {&u->arg};
    if (auto* b = dynamic_cast<BinaryOp*>(&e)) children = {&b->left, &b->right};
    if (auto* b = dynamic_cast<Bracketed*>(&e)) children = {&b->arg};
    if (auto* t = dynamic_cast<TrigFunction*>(&e)) children = {&t->arg};
    if (auto* f = dynamic_cast<MultivarFunction*>(&e))
      for (Owned<>& item : f->arguments->items) children.push_back(&item);
    if (auto* s = dynamic_cast<Sequence*>(&e))
      for (Owned<>& item : s->items->items) children.push_back(&item);
    constexpr size_t kMarks = 30;
    if (children.empty() || children.size() > kMarks) return baseline_row(*e.render(cx_));

    std::vector<std::string> texts;
    for (Owned<>* child : children) texts.push_back(of(**child));
    // Each stand-in is a run of zero bytes, which no drawing holds
    // otherwise (every other byte may be a glyph); the runs come left to
    // right in the order of the children, so each is known by its place.
    std::vector<Owned<>> kept;
    std::vector<size_t> widths;
    for (size_t i = 0; i < children.size(); ++i) {
      size_t width = 0;
      for (unsigned char byte : texts[i]) width += (byte & 0xC0) != 0x80;
      widths.push_back(std::max<size_t>(width, 1));
      std::string mark(widths.back(), '\0');
      kept.push_back(std::exchange(*children[i], Owned<>(new Text(mark.data(), mark.size()))));
    }
    CanvasRef drawn = cx_.canvas();
    try {
      drawn = e.render(cx_);
    } catch (...) {
      for (size_t i = 0; i < children.size(); ++i) *children[i] = std::move(kept[i]);
      throw;
    }
    for (size_t i = 0; i < children.size(); ++i) *children[i] = std::move(kept[i]);

    std::string out;
    std::string_view row = (*drawn)[0].text();
    while (!row.empty() && row.back() == ' ') row.remove_suffix(1);
    size_t child = 0;
    for (size_t i = 0; i < row.size();) {
      if (row[i] != '\0') {
        out += glyph_text(static_cast<unsigned char>(row[i++]));
        continue;
      }
      size_t end = i + (child < widths.size() ? widths[child] : 1);
      if (child < texts.size()) out += texts[child++];
      while (i < std::min(end, row.size()) && row[i] == '\0') ++i;
    }
    return out;
  }

  const RenderContext& cx_;
  bool unicode_;
};

}  // namespace

std::string one_row(Expression& tree, const RenderContext& cx) { return OneRow(cx).of(tree); }
