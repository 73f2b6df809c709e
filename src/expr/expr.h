// The expression tree: one class per kind of node, each drawing itself on a
// canvas of its own.
#ifndef VORNIX_EXPR_H_
#define VORNIX_EXPR_H_

#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "canvas/canvas.h"
#include "expr/glyphs.h"
#include "expr/layout.h"
#include "expr/symbols.h"

class Expression;
class Symbol;

/// The choices between drawings of the same tree.
struct Style {
  /// Slanted radical signs; false for upright ones.
  bool wide_radicals = true;
  /// The characters drawn with: ASCII, Unicode, ...
  const GlyphSet* glyphs = &kAsciiGlyphs;
  /// Drawing a cell of a matrix, where a blank also parts the cells.
  bool in_cell = false;
  /// Drawing a radicand, where big signs keep their five rows: a radical
  /// is as wide as it is tall, and a sign that grows would widen it.
  bool fixed_signs = false;

  /// Round brackets in this style.
  const BracketShape& parens() const { return glyphs->parens; }
  /// Vertical bars in this style: absolute values and determinants.
  const BracketShape& bars() const { return glyphs->bars; }
};

/// What a render draws with: the style, the pool that its canvases come
/// from and are counted in, and the layout record that its placements go
/// to, if one is kept.
struct RenderContext {
  CanvasPool& pool;
  Style style;
  LayoutRecord* layout = nullptr;
  /// A new canvas with one empty row, row 0.
  CanvasRef canvas() const { return CanvasRef(pool); }
};

/// Memory for nodes: blocks that deleted nodes gave back wait for the next
/// nodes of their size, so that a parser that builds and deletes a small
/// tree per statement seldom allocates. Each parser has its own; a pool
/// serves one thread at a time and must outlive the nodes taken from it.
class NodePool {
 public:
  NodePool() = default;
  ~NodePool();
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;

  /// A block for an object of the given size, from this pool or, with
  /// pool null, from the heap; the block remembers where it came from.
  static void* take(NodePool* pool, size_t size) {
    size_t k = size_class(size);
    if (pool != nullptr && k < kClasses && pool->free_[k] != nullptr) {
      Block* head = pool->free_[k];
      VORNIX_UNPOISON(head, k * kGrain + sizeof(Header));
      pool->free_[k] = head->next;
      --pool->count_[k];
      return new (head) Header{pool} + 1;
    }
    return take_from_heap(pool, size);
  }
  /// Frees a block to the heap, wherever it came from.
  static void discard(void* object) { ::operator delete(static_cast<Header*>(object) - 1); }
  /// Gives a block back to where it came from.
  static void give(void* object, size_t size) {
    if (object == nullptr) return;
    Header* header = static_cast<Header*>(object) - 1;
    NodePool* pool = header->pool;
    size_t k = size_class(size);
    if (pool == nullptr || k >= kClasses || pool->count_[k] >= kMaxFree) {
      ::operator delete(header);
      return;
    }
    ++pool->count_[k];
    pool->free_[k] = new (header) Block{pool->free_[k]};
    // The block waits poisoned: a use of the deleted node is still caught.
    VORNIX_POISON(header, k * kGrain + sizeof(Header));
  }

 private:
  // Every block starts with a header that names its pool, null for the
  // heap; the object follows it.
  struct alignas(16) Header {
    NodePool* pool;
  };
  struct Block {
    Block* next;
  };
  static size_t size_class(size_t size) { return (size + kGrain - 1) / kGrain; }
  static void* take_from_heap(NodePool* pool, size_t size);

  static constexpr size_t kGrain = 16;
  static constexpr size_t kClasses = 16;
  static constexpr size_t kMaxFree = 4096;

  Block* free_[kClasses] = {};
  size_t count_[kClasses] = {};
};

/// The lists that the grammar builds beside nodes take their memory the
/// way nodes do: `new (pool) T(...)` or a plain `new`, and delete.
struct PoolAllocated {
  static void* operator new(size_t size, NodePool& pool) { return NodePool::take(&pool, size); }
  static void* operator new(size_t size) { return NodePool::take(nullptr, size); }
  static void operator delete(void* block, size_t size) { NodePool::give(block, size); }
  // Called only when a constructor throws.
  static void operator delete(void* block, NodePool&) { NodePool::discard(block); }
};

class NodeStack;

/// Deletes a node. Deleting a tree this way takes constant stack depth,
/// however deeply the tree is nested: each node gives up its children
/// before it is deleted, and they wait in a list of their own.
struct NodeDeleter {
  void operator()(Expression* node) const;
};

/// An owned child node; empty where a field has no node.
template <class T = Expression>
using Owned = std::unique_ptr<T, NodeDeleter>;


/// Category codes, tested by drawings that decide spacing and brackets.
enum Category {
  CONSTANT = 0,
  SYMBOL_CATEGORY = 1,
  UNARY = 2,
  BINARY = 3,
  BIG_OPERATOR = 4,
  FUNCTION = 5,
  MATRIX = 6,
};

class Expression {
 public:
  explicit Expression(int category) : category(category) {}
  virtual ~Expression() = default;
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  /// Nodes are made with `new (pool) Node(...)`, or with a plain `new` on
  /// the heap; either way deleted with NodeDeleter.
  static void* operator new(size_t size, NodePool& pool) { return NodePool::take(&pool, size); }
  static void* operator new(size_t size) { return NodePool::take(nullptr, size); }
  static void operator delete(void* block, size_t size) { NodePool::give(block, size); }
  static void operator delete(void* block, NodePool&);

  /// Draws the node on a fresh canvas whose row 0 is its baseline.
  virtual CanvasRef render(const RenderContext& cx) const = 0;
  /// Sets text to the node's whole drawing when it is one row of text from
  /// column 0, as render would draw it, and says whether it is: a parent
  /// then writes the text into its own canvas (see Drawn).
  virtual bool flat(const Style& style, std::string_view& text) const {
    (void)style, (void)text;
    return false;
  }
  /// Whether the node gets brackets as the operand of a drawing that asks.
  virtual bool needs_parens() const { return false; }
  /// Whether the node takes an exponent itself instead of becoming a base.
  virtual bool accepts_expn() const { return false; }
  /// Stores e (owned) as the exponent; only called after accepts_expn().
  virtual void set_expn(Expression* e);

  /// Levels of nodes from this one down to its deepest leaf.
  int depth() const { return depth_; }

  /// Moves the owned children to `out`, so that deleting the node deletes
  /// none of them (see NodeDeleter).
  virtual void release_children(NodeStack& out) { (void)out; }

  const int category;

 protected:
  /// Makes the depth cover a newly owned child.
  void cover(const Expression* child);

 private:
  friend class NodeStack;
  int depth_ = 1;
  Expression* next_doomed_ = nullptr;  // the next node waiting in a NodeStack
};

/// Whether e is a T. T is final, so that its type alone tells: much
/// cheaper than a dynamic_cast, which walks the classes by their names.
/// Nodes are made and tested within one binary, where each class has one
/// type_info: its address tells as well as its name does, without a
/// comparison of names each time the types differ.
template <class T>
bool is(const Expression& e) {
  static_assert(std::is_final_v<T>, "a class with subclasses needs a dynamic_cast");
  return &typeid(e) == &typeid(T);
}

/// Nodes waiting to be deleted, linked through the nodes themselves:
/// deleting a tree of any shape and depth needs neither deep stack nor
/// memory, so it cannot fail.
class NodeStack {
 public:
  void push(Expression* node) {
    node->next_doomed_ = top_;
    top_ = node;
  }
  bool empty() const { return top_ == nullptr; }
  Expression* pop() { return std::exchange(top_, top_->next_doomed_); }

 private:
  Expression* top_ = nullptr;
};

// ---- Constants (category 0) ----

class Constant : public Expression {
 public:
  Constant() : Expression(CONSTANT) {}
};

/// An Integer, a Real or a Text: its characters exactly as read.
class Literal : public Constant {
 public:
  Literal(const char* text, size_t length) : lexeme(text, length) {}
  CanvasRef render(const RenderContext& cx) const override;
  bool flat(const Style&, std::string_view& text) const override {
    text = lexeme;
    return true;
  }
  const std::string lexeme;
};

class Integer final : public Literal {
 public:
  explicit Integer(const char* text) : Integer(text, std::char_traits<char>::length(text)) {}
  Integer(const char* text, size_t length) : Literal(text, length) {}
};

class Real final : public Literal {
 public:
  explicit Real(const char* text) : Real(text, std::char_traits<char>::length(text)) {}
  Real(const char* text, size_t length) : Literal(text, length) {}
};

class Ellipsis : public Constant {
 public:
  Ellipsis()  {}
  CanvasRef render(const RenderContext& cx) const override;
  bool flat(const Style& style, std::string_view& text) const override {
    text = style.glyphs->ellipsis;
    return true;
  }
};

class Infinity : public Constant {
 public:
  Infinity()  {}
  CanvasRef render(const RenderContext& cx) const override;
  bool flat(const Style& style, std::string_view& text) const override {
    text = style.glyphs->infinity;
    return true;
  }
};

/// Pi and Nabla: a two-row glyph in ASCII, one character in Unicode; it
/// may carry an exponent.
class GlyphConstant : public Constant {
 public:
  GlyphConstant(const char* glyph, char unicode) : glyph_(glyph), unicode_(unicode) {}
  CanvasRef render(const RenderContext& cx) const override;
  bool flat(const Style& style, std::string_view& text) const override;
  bool accepts_expn() const override { return !expn; }
  void set_expn(Expression* e) override;

  Owned<> expn;
  void release_children(NodeStack& out) override;

 private:
  const char* glyph_;  // the row under the two underscores
  char unicode_;       // the glyph byte
};

class Pi : public GlyphConstant {
 public:
  Pi() : GlyphConstant("||", glyph("π")) {}
};

class Nabla : public GlyphConstant {
 public:
  Nabla() : GlyphConstant("\\/", glyph("∇")) {}
};

/// The program-wide "0" that fills the cells missing from short matrix rows.
extern const Integer shared_zero;

/// Text that LaTeX writes, such as \text{if}: drawn as written. It holds
/// printable ASCII only.
class Text final : public Literal {
 public:
  Text(const char* text, size_t length) : Literal(text, length) {}
};

/// The program-wide blank that fills the cells missing from short rows of
/// a matrix written in LaTeX.
extern const Text shared_blank;

// ---- Names (category 1) ----

class Symbol : public Expression {
 public:
  explicit Symbol(const char* name) : Symbol(name, std::char_traits<char>::length(name)) {}
  Symbol(const char* name, size_t length)
      : Expression(SYMBOL_CATEGORY), name(name, length) {}
  CanvasRef render(const RenderContext& cx) const override;
  bool flat(const Style& style, std::string_view& text) const override;
  bool accepts_expn() const override { return !expn; }
  void set_expn(Expression* e) override;

  void set_subscr(Expression* s);
  void release_children(NodeStack& out) override;
  void add_prime() { ++primes; }
  void toggle_starred() { starred = !starred; }
  void set_overbar() { overbar = true; }
  bool has_overbar() const { return overbar; }

  const std::string name;
  Owned<> subscr;
  Owned<> expn;
  int primes = 0;
  bool starred = false;
  bool overbar = false;
};

/// A name followed by its subscripts in input order, as read before the
/// chain is attached.
struct SubscriptList : PoolAllocated {
  explicit SubscriptList(Symbol* name) : name(name) {}

  Owned<Symbol> name;
  std::vector<Owned<>> subscripts;
};

/// Gives each link of the chain the next one as its subscript and returns
/// the name, emptying the list; returns null and leaves the list as it was
/// when a link before the last is not a name without a subscript.
Symbol* attach_subscripts(SubscriptList& list);
/// A list of name's first two subscripts, from pool; when memory runs out
/// it raises std::bad_alloc and owns none of them.
SubscriptList* start_subscripts(NodePool& pool, Symbol* name, Expression* first, Expression* second);

// ---- One-operand operators (category 2) ----

class UnaryOp : public Expression {
 public:
  explicit UnaryOp(Expression* arg);
  void release_children(NodeStack& out) override;
  Owned<> arg;
};

class Neg final : public UnaryOp {
 public:
  explicit Neg(Expression* arg) : UnaryOp(arg) {}
  CanvasRef render(const RenderContext& cx) const override;
  bool needs_parens() const override { return true; }
};

class Sqrt : public UnaryOp {
 public:
  explicit Sqrt(Expression* arg) : UnaryOp(arg) {}
  CanvasRef render(const RenderContext& cx) const override;
};

class Fact final : public UnaryOp {
 public:
  explicit Fact(Expression* arg) : UnaryOp(arg) {}
  CanvasRef render(const RenderContext& cx) const override;
};

class Conj final : public UnaryOp {
 public:
  explicit Conj(Expression* arg) : UnaryOp(arg) {}
  CanvasRef render(const RenderContext& cx) const override;
};

class Bar : public UnaryOp {
 public:
  explicit Bar(Expression* arg) : UnaryOp(arg) {}
  CanvasRef render(const RenderContext& cx) const override;
};

/// The marks that LaTeX sets over (or under) an operand.
enum class AccentMark : unsigned char {
  hat, check, tilde, vec, left_arrow, dot, ddot, acute, grave, breve, under_line, cedilla
};

/// A mark in a row of its own above the operand, or below it for
/// under_line and cedilla; a wide accent spans the operand, another one is centred.
class Accent : public UnaryOp {
 public:
  Accent(Expression* arg, AccentMark mark, bool wide) : UnaryOp(arg), mark(mark), wide(wide) {}
  CanvasRef render(const RenderContext& cx) const override;
  const AccentMark mark;
  const bool wide;
};

/// What LaTeX draws over, under or round an operand besides accents.
enum class DecorationKind : unsigned char {
  over,         ///< \overset, \stackrel: the label in a row above
  under,        ///< \underset: the label in a row below
  over_brace,   ///< \overbrace: a brace row above, the label over it
  under_brace,  ///< \underbrace: a brace row below, the label under it
  right_arrow,  ///< \xrightarrow: an arrow as long as the operand over it
  left_arrow,   ///< \xleftarrow
  box,          ///< \boxed: a frame round the operand
};

/// The operand with its decoration; `label` is null when none is written
/// (for arrows, the operand stands over the arrow and the label under it).
class Decoration : public UnaryOp {
 public:
  Decoration(DecorationKind kind, Expression* arg, Expression* label);
  CanvasRef render(const RenderContext& cx) const override;
  void release_children(NodeStack& out) override;
  const DecorationKind kind;
  Owned<> label;
};

class Abs final : public UnaryOp {
 public:
  explicit Abs(Expression* arg) : UnaryOp(arg) {}
  CanvasRef render(const RenderContext& cx) const override;
};

/// A sign before its operand other than the minus: +x, \pm x, \mp x.
class Signed : public UnaryOp {
 public:
  Signed(Sign sign, Expression* arg) : UnaryOp(arg), sign(sign) {}
  CanvasRef render(const RenderContext& cx) const override;
  bool needs_parens() const override { return true; }
  const Sign sign;
};

/// Brackets written around an expression, drawn as written and as tall as
/// what they hold. The whole reads as one unit, as a constant does: an
/// operand that needs no more brackets and takes no blank after a sign.
class Bracketed final : public Expression {
 public:
  Bracketed(Delimiter opening, Expression* arg, Delimiter closing);
  CanvasRef render(const RenderContext& cx) const override;
  void release_children(NodeStack& out) override;
  const Delimiter opening;
  Owned<> arg;
  const Delimiter closing;
};

// ---- Two-operand operators (category 3) ----

class BinaryOp : public Expression {
 public:
  BinaryOp(Expression* left, Expression* right);
  void release_children(NodeStack& out) override;
  Owned<> left;
  Owned<> right;
};

/// An operator written as one character between its operands.
class SimpleBinaryOp : public BinaryOp {
 public:
  using BinaryOp::BinaryOp;
  CanvasRef render(const RenderContext& cx) const override;
  bool needs_parens() const override { return true; }
  virtual char op_char() const = 0;
};

class Add : public SimpleBinaryOp {
 public:
  Add(Expression* l, Expression* r) : SimpleBinaryOp(l, r) {}
  char op_char() const override { return '+'; }
};

class Sub : public SimpleBinaryOp {
 public:
  Sub(Expression* l, Expression* r) : SimpleBinaryOp(l, r) {}
  CanvasRef render(const RenderContext& cx) const override;
  char op_char() const override { return '-'; }
};

class Equal : public SimpleBinaryOp {
 public:
  Equal(Expression* l, Expression* r) : SimpleBinaryOp(l, r) {}
  char op_char() const override { return '='; }
};

class Greater : public SimpleBinaryOp {
 public:
  Greater(Expression* l, Expression* r) : SimpleBinaryOp(l, r) {}
  char op_char() const override { return '>'; }
};

class Less : public SimpleBinaryOp {
 public:
  Less(Expression* l, Expression* r) : SimpleBinaryOp(l, r) {}
  char op_char() const override { return '<'; }
};

/// A relation that includes equality: in ASCII its sign stands over a
/// dash; in Unicode it is one character.
class RelationOrEqual : public BinaryOp {
 public:
  RelationOrEqual(char sign, char unicode, Expression* l, Expression* r)
      : BinaryOp(l, r), sign_(sign), unicode_(unicode) {}
  CanvasRef render(const RenderContext& cx) const override;

 private:
  char sign_;
  char unicode_;
};

class GreaterOrEqual : public RelationOrEqual {
 public:
  GreaterOrEqual(Expression* l, Expression* r) : RelationOrEqual('>', glyph("≥"), l, r) {}
};

class LessOrEqual : public RelationOrEqual {
 public:
  LessOrEqual(Expression* l, Expression* r) : RelationOrEqual('<', glyph("≤"), l, r) {}
};

class Mul : public BinaryOp {
 public:
  Mul(Expression* l, Expression* r) : BinaryOp(l, r) {}
  CanvasRef render(const RenderContext& cx) const override;
};

/// left is the numerator, right the denominator.
class Div final : public BinaryOp {
 public:
  Div(Expression* l, Expression* r) : BinaryOp(l, r) {}
  CanvasRef render(const RenderContext& cx) const override;
};

/// left is the base, right the exponent.
class Pow final : public BinaryOp {
 public:
  Pow(Expression* l, Expression* r) : BinaryOp(l, r) {}
  CanvasRef render(const RenderContext& cx) const override;
};

/// left is the radicand, right the index.
class Root : public BinaryOp {
 public:
  Root(Expression* l, Expression* r) : BinaryOp(l, r) {}
  CanvasRef render(const RenderContext& cx) const override;
};

/// An operator that the linear language has no form for: a relation such
/// as \ne or \in, \pm and \mp, \times and \div. Drawn between its operands
/// as ASCII text or one Unicode sign, with the brackets of =, - and *
/// respectively.
class InfixOp : public BinaryOp {
 public:
  InfixOp(Sign sign, Expression* l, Expression* r) : BinaryOp(l, r), sign(sign) {}
  CanvasRef render(const RenderContext& cx) const override;
  bool needs_parens() const override { return !is_product(); }
  /// A relation (!=, ~~, ->, in, ...): compares like = and brackets nothing.
  bool is_relation() const { return sign >= Sign::not_equal; }
  /// x or /: binds and brackets as a product does.
  bool is_product() const { return sign == Sign::times || sign == Sign::divide; }
  const Sign sign;
};

/// Two drawings side by side without a blank: a number and the name,
/// bracket or function written right after it, a product such as 2x or
/// 3(a + b); or a formula and the period that ends it.
class Juxtaposed : public BinaryOp {
 public:
  Juxtaposed(Expression* l, Expression* r) : BinaryOp(l, r) {}
  CanvasRef render(const RenderContext& cx) const override;
};

/// A subscript, and maybe an exponent, on anything but a name: drawn at the
/// base's corners as a name's are. The whole reads as one unit.
class Subscripted final : public Expression {
 public:
  Subscripted(Expression* base, Expression* subscr);
  CanvasRef render(const RenderContext& cx) const override;
  bool accepts_expn() const override { return !expn; }
  void set_expn(Expression* e) override;
  void release_children(NodeStack& out) override;
  Owned<> base;
  Owned<> subscr;
  Owned<> expn;
};

// ---- Integrals, sums, products and limits (category 4) ----

class OpOnFunction : public Expression {
 public:
  OpOnFunction(Expression* body, Expression* variable);
  void release_children(NodeStack& out) override;
  Owned<> body;
  Owned<> variable;
};

/// The bounds of a sum, product or integral over an interval.
class OpOverInterval {
 public:
  OpOverInterval(Expression* lower, Expression* upper)
      : lower(lower), upper(upper) {}
  virtual ~OpOverInterval() = default;
  void release_bounds(NodeStack& out);
  Owned<> lower;
  Owned<> upper;
};

/// The rows of an integral sign's middle pieces above and below its
/// baseline row, which has one too; the top and foot stand beyond them.
struct SignSpan {
  int above, below;
};

class Integral : public OpOnFunction {
 public:
  /// closed: over a closed contour, the sign marked on its baseline row.
  Integral(Expression* body, Expression* variable, bool closed = false)
      : OpOnFunction(body, variable), closed(closed) {}
  CanvasRef render(const RenderContext& cx) const override;
  /// The sign of the given span with its bounds, if any.
  virtual CanvasRef render_sign(const RenderContext& cx, SignSpan span) const;
  /// The span of the sign for an integrand of extent e: as many rows
  /// above as below, at least one, or, in a style whose sign fits its
  /// body, the integrand's own rows.
  static SignSpan sign_span(const Style& style, const Extent& e);
  /// Draws the sign of the given span with its baseline row at row r,
  /// from column c.
  void draw_sign(Canvas& canvas, int r, int c, SignSpan span, const Style& style) const;
  const bool closed;

 private:
  /// The drawing, and in span that of its sign: nested integrals share the
  /// one set by the innermost integrand.
  CanvasRef render_nested(const RenderContext& cx, SignSpan& span) const;
};

class IntegralOnInterval : public Integral, public OpOverInterval {
 public:
  IntegralOnInterval(Expression* body, Expression* variable,
                     Expression* lower, Expression* upper, bool closed = false);
  void release_children(NodeStack& out) override;
  CanvasRef render_sign(const RenderContext& cx, SignSpan span) const override;
};

/// A big sign of a sum or product. Its span is its rows above and below
/// its middle row, all of them its own: five rows, or, in a style whose
/// sign grows, as many as its body needs.
class OpSymbol {
 public:
  /// The span of the sign for a body of extent e.
  virtual SignSpan span(const Style& style, const Extent& e) const = 0;
  /// Draws the sign of the given span with its middle row at row r, from
  /// column c.
  virtual void draw(Canvas& canvas, int r, int c, SignSpan span, const Style& style) const = 0;

 protected:
  ~OpSymbol() = default;
};

class SumSymbol : public OpSymbol {
 public:
  SignSpan span(const Style& style, const Extent& e) const override;
  void draw(Canvas& canvas, int r, int c, SignSpan span, const Style& style) const override;
};

class ProductSymbol : public OpSymbol {
 public:
  SignSpan span(const Style& style, const Extent& e) const override;
  void draw(Canvas& canvas, int r, int c, SignSpan span, const Style& style) const override;
};

class SumOrProduct : public OpOnFunction {
 public:
  SumOrProduct(Expression* body, Expression* variable)
      : OpOnFunction(body, variable) {}
  /// The whole drawing, with the given sign.
  virtual CanvasRef render_with_symbol(const RenderContext& cx,
                                       const OpSymbol& symbol) const;
  /// The sign of the given span with the variable under it; the span of
  /// five rows is the narrowest's, as wide as any.
  virtual CanvasRef render_sign(const RenderContext& cx, const OpSymbol& symbol,
                                SignSpan span = {2, 2}) const;
};

class Sum : public SumOrProduct {
 public:
  using SumOrProduct::SumOrProduct;
  CanvasRef render(const RenderContext& cx) const override;
};

class Product : public SumOrProduct {
 public:
  using SumOrProduct::SumOrProduct;
  CanvasRef render(const RenderContext& cx) const override;
};

class SumOrProductOverInterval : public SumOrProduct, public OpOverInterval {
 public:
  SumOrProductOverInterval(Expression* body, Expression* variable,
                           Expression* lower, Expression* upper);
  void release_children(NodeStack& out) override;
  /// The sign with the range under it and the upper bound over it.
  CanvasRef render_sign(const RenderContext& cx, const OpSymbol& symbol,
                        SignSpan span) const override;
};

class SumOverInterval : public SumOrProductOverInterval {
 public:
  using SumOrProductOverInterval::SumOrProductOverInterval;
  CanvasRef render(const RenderContext& cx) const override;
};

class ProductOverInterval : public SumOrProductOverInterval {
 public:
  using SumOrProductOverInterval::SumOrProductOverInterval;
  CanvasRef render(const RenderContext& cx) const override;
};

/// A sum, a product or an operator such as \bigcup with the scripts that
/// LaTeX writes under and over its sign, whatever they hold: \sum_{i<j},
/// \sum_{x \in S}, \sum^n, \bigcup_{i=1}^n. The variable is the script
/// under the sign; it and `upper` are null when not written.
class ScriptedBigOperator : public SumOrProduct {
 public:
  /// The sign: a sum's, a product's, or a sign of enum Sign one row high (`row`).
  enum Shape : unsigned char { sum, product, row };
  ScriptedBigOperator(Shape shape, Sign sign, Expression* body, Expression* lower,
                      Expression* upper);
  void release_children(NodeStack& out) override;
  CanvasRef render(const RenderContext& cx) const override;
  /// The sign with its scripts.
  CanvasRef render_sign(const RenderContext& cx, const OpSymbol& symbol,
                        SignSpan span = {2, 2}) const override;
  const Shape shape;
  const Sign sign;
  Owned<> upper;
};

class Limit : public OpOnFunction {
 public:
  Limit(Expression* body, Expression* variable, Expression* point);
  void release_children(NodeStack& out) override;
  CanvasRef render(const RenderContext& cx) const override;
  Owned<> point;
};

// ---- Functions (category 5) ----

/// The arguments of a function, in input order.
class FunctionArgs : public PoolAllocated {
 public:
  virtual ~FunctionArgs() = default;
  void append_item(Expression* e);
  /// The items side by side on one baseline, separated by ", ".
  CanvasRef render_list(const RenderContext& cx) const;

  std::vector<Owned<>> items;
};

class Function : public Expression {
 public:
  explicit Function(Symbol* fname);
  void release_children(NodeStack& out) override;
  Owned<Symbol> fname;
};

class MultivarFunction : public Function {
 public:
  MultivarFunction(Symbol* fname, FunctionArgs* arguments);
  void release_children(NodeStack& out) override;
  CanvasRef render(const RenderContext& cx) const override;
  const std::unique_ptr<FunctionArgs> arguments;
};

class TrigFunction : public Function {
 public:
  TrigFunction(Symbol* fname, Expression* arg);
  void release_children(NodeStack& out) override;
  CanvasRef render(const RenderContext& cx) const override;
  bool accepts_expn() const override { return fname->accepts_expn(); }
  void set_expn(Expression* e) override;
  Owned<> arg;
};

/// Expressions separated by commas outside an argument list, as LaTeX
/// writes them: a, b or \{1, 2, 3\}. It brackets as an operator does.
class Sequence : public Expression {
 public:
  explicit Sequence(FunctionArgs* items);
  CanvasRef render(const RenderContext& cx) const override;
  bool needs_parens() const override { return true; }
  void release_children(NodeStack& out) override;
  const std::unique_ptr<FunctionArgs> items;
};

// ---- Matrices (category 6) ----

class Matrix : public Expression {
 public:
  /// One row of entries, left to right.
  class Row : public PoolAllocated {
   public:
    virtual ~Row() = default;
    void append_item(Expression* e);

    std::vector<Owned<>> items;
  };

  Matrix() : Expression(MATRIX) {}
  CanvasRef render(const RenderContext& cx) const override;
  void add_row(Row* r);
  void set_det() { det = true; }
  void release_children(NodeStack& out) override;

  /// What the cells missing from short rows show.
  virtual const Expression& missing_cell() const { return shared_zero; }
  /// Columns left of the first cell: the left bracket and a blank.
  virtual int inset(const Style& style) const;
  /// Blank columns between two columns of cells.
  virtual int column_gap() const;
  /// Draws the brackets, or the bars of a determinant, on the rows 0 to
  /// height - 1, the left one in column 0 and the right one in column right.
  virtual void draw_delimiters(const Style& style, Canvas& canvas, int height, int right) const;

  std::vector<std::unique_ptr<Row>> rows;
  bool det = false;
};

/// A matrix written in LaTeX: the brackets of its environment on either
/// side, and blank cells where a row is short. Round brackets on both sides
/// and bars on both sides (a determinant) draw as a Matrix does.
class Array : public Matrix {
 public:
  /// `column_gap`: 1 as in a matrix; more where a blank could also stand
  /// inside a cell, as in cases, whose cells are formulas with relations.
  Array(Delimiter opening, Delimiter closing, int column_gap = 1);
  const Expression& missing_cell() const override { return shared_blank; }
  int inset(const Style& style) const override;
  int column_gap() const override;
  void draw_delimiters(const Style& style, Canvas& canvas, int height, int right) const override;
  const Delimiter opening;
  const Delimiter closing;

 private:
  int column_gap_;
};

/// A table written in LaTeX with & and \\: align, gather, array and their
/// kin. Cells stand on their row's baseline, each column aligned as its
/// environment says; rows touch unless one of two neighbours is taller
/// than a line; rules may part rows and columns, and a row may carry a tag
/// at the right.
class Table : public Matrix {
 public:
  enum class Align : unsigned char { left, centre, right };
  /// How a column stands: its alignment, and before it the blank columns
  /// that part it from the column on its left and the vertical rules
  /// between them.
  struct Column {
    Align align = Align::centre;
    int gap = 2;
    int rules = 0;
  };
  /// A row and what is written of it besides its cells: the tag drawn at
  /// its right, the horizontal rules above it, and whether its one cell
  /// is text that stands from the left edge across the columns.
  class Row : public Matrix::Row {
   public:
    Owned<> tag;
    int rules_above = 0;
    bool across = false;
  };

  /// `dotted`: a product in a cell shows its dot in Unicode, as in a matrix.
  Table(std::vector<Column> columns, bool dotted);
  CanvasRef render(const RenderContext& cx) const override;
  void add_row(Row* r);
  void release_children(NodeStack& out) override;
  const Row& row(size_t i) const { return static_cast<const Row&>(*rows[i]); }

  /// One a column, as many as the longest row has cells.
  const std::vector<Column> columns;
  const bool dotted;
  int rules_right = 0;  // vertical rules after the last column
  int rules_below = 0;  // horizontal rules after the last row
};

// ---- Building decorated nodes ----

/// The conjugate of e (owned), new nodes from pool: a name's own star, toggled; of anything
/// else, a Conj node.
Expression* conjugate(NodePool& pool, Expression* e);

/// e (owned) with a line over it: a name's own overbar when it has none;
/// otherwise a Bar node.
Expression* overbar(NodePool& pool, Expression* e);

/// A new argument list or matrix row holding first, or a new matrix
/// holding the row first, from pool. Each takes its argument only when it
/// returns: if memory runs out, first stays the caller's.
FunctionArgs* start_arguments(NodePool& pool, Expression* first);
Matrix::Row* start_row(NodePool& pool, Expression* first);
Matrix* start_matrix(NodePool& pool, Matrix::Row* first);

/// base (owned) raised to exponent (owned): a base that takes an exponent
/// itself carries it; any other becomes the base of a Pow.
Expression* raise(NodePool& pool, Expression* base, Expression* exponent);

// ---- Fitting a drawing into a width ----

/// The narrowest width that drawings are fitted into; a narrower one is
/// raised to it.
inline constexpr int kNarrowestFit = 10;

/// The drawing of tree, rendered with cx as `drawing`, fitted into `width`
/// columns (at least kNarrowestFit), or `drawing` itself when it is no
/// wider. A wider drawing is broken between the terms of its outermost
/// chain, at relations first, then at plus and minus signs, then between
/// factors; a term too wide for a line of its own is broken inside its
/// brackets, and a part with no place to break is cut into column strips
/// whose cut rows end in " >" and go on after "> ". The pieces stand one
/// under another, the first one's baseline being the drawing's. Raises
/// DrawingTooLarge when the pieces would exceed the drawing limit.
CanvasRef fit(const Expression& tree, const CanvasRef& drawing, const RenderContext& cx, int width);

// ---- Writing a tree on one row ----

/// The tree on one line of text (UTF-8), for a formula inside a sentence:
/// its drawing when that is one row tall, else a linear form in the
/// context's style (one_row.cc). The tree's children are lent to stand-ins
/// while it runs and are back in place when it returns or throws.
std::string one_row(Expression& tree, const RenderContext& cx);

#endif  // VORNIX_EXPR_H_
