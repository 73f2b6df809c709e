// Construction of the tree: ownership, exponents, subscripts and lists.
#include "expr/expr.h"

#include <algorithm>
#include <cassert>
#include <new>
#include <utility>

namespace {

// Moves an owned child, if any, to the list of nodes to delete. A leaf
// (a node of depth 1 owns no node) is deleted at once: it has nothing to
// give up, and most children are leaves.
template <class T>
void release(Owned<T>& child, NodeStack& out) {
  if (child == nullptr) return;
  if (child->depth() == 1) {
    delete child.release();
  } else {
    out.push(child.release());
  }
}

}  // namespace

void* NodePool::take_from_heap(NodePool* pool, size_t size) {
  void* block = ::operator new(size_class(size) * kGrain + sizeof(Header));
  return new (block) Header{pool} + 1;
}

NodePool::~NodePool() {
  for (Block*& head : free_) {
    while (head != nullptr) {
      VORNIX_UNPOISON(head, sizeof(Block));
      Block* next = head->next;
      ::operator delete(head);
      head = next;
    }
  }
}

// Called only when a constructor throws: the block goes back to the heap.
void Expression::operator delete(void* block, NodePool&) { NodePool::discard(block); }

void NodeDeleter::operator()(Expression* node) const {
  NodeStack pending;
  for (;;) {
    node->release_children(pending);
    delete node;
    if (pending.empty()) return;
    node = pending.pop();
  }
}

const Integer shared_zero("0");
const Text shared_blank("", 0);

void Expression::set_expn(Expression*) {
  // The grammar asks accepts_expn first; no other class takes an exponent.
  assert(false && "set_expn on a node that accepts no exponent");
}

void Expression::cover(const Expression* child) {
  // A part that was not written, such as an integral's missing
  // differential, is null.
  if (child == nullptr) return;
  depth_ = std::max(depth_, child->depth() + 1);
}

void GlyphConstant::set_expn(Expression* e) {
  assert(expn == nullptr);
  expn.reset(e);
  cover(e);
}

void Symbol::set_expn(Expression* e) {
  assert(expn == nullptr);
  expn.reset(e);
  cover(e);
}

void Symbol::set_subscr(Expression* s) {
  assert(subscr == nullptr);
  subscr.reset(s);
  cover(s);
}

SubscriptList* start_subscripts(NodePool& pool, Symbol* name, Expression* first, Expression* second) {
  auto* list = new (pool) SubscriptList(name);
  try {
    list->subscripts.reserve(2);
  } catch (...) {
    list->name.release();
    delete list;
    throw;
  }
  list->subscripts.emplace_back(first);
  list->subscripts.emplace_back(second);
  return list;
}

Symbol* attach_subscripts(SubscriptList& list) {
  std::vector<Owned<>>& subscripts = list.subscripts;
  for (size_t i = 0; i + 1 < subscripts.size(); ++i) {
    const Expression& link = *subscripts[i];
    if (link.category != SYMBOL_CATEGORY ||
        static_cast<const Symbol&>(link).subscr != nullptr) {
      return nullptr;
    }
  }
  // Attach from the end of the chain, so that every link's depth already
  // covers its own subscripts when it becomes a subscript itself.
  for (size_t i = subscripts.size(); i > 1; --i) {
    static_cast<Symbol&>(*subscripts[i - 2]).set_subscr(subscripts[i - 1].release());
  }
  if (!subscripts.empty()) list.name->set_subscr(subscripts[0].release());
  subscripts.clear();
  return list.name.release();
}

UnaryOp::UnaryOp(Expression* arg) : Expression(UNARY), arg(arg) {
  cover(arg);
}

BinaryOp::BinaryOp(Expression* left, Expression* right)
    : Expression(BINARY), left(left), right(right) {
  cover(left);
  cover(right);
}

OpOnFunction::OpOnFunction(Expression* body, Expression* variable)
    : Expression(BIG_OPERATOR), body(body), variable(variable) {
  cover(body);
  cover(variable);
}

IntegralOnInterval::IntegralOnInterval(Expression* body, Expression* variable,
                                       Expression* lower, Expression* upper, bool closed)
    : Integral(body, variable, closed), OpOverInterval(lower, upper) {
  cover(lower);
  cover(upper);
}

SumOrProductOverInterval::SumOrProductOverInterval(Expression* body,
                                                   Expression* variable,
                                                   Expression* lower,
                                                   Expression* upper)
    : SumOrProduct(body, variable), OpOverInterval(lower, upper) {
  cover(lower);
  cover(upper);
}

ScriptedBigOperator::ScriptedBigOperator(Shape shape, Sign sign, Expression* body,
                                         Expression* lower, Expression* upper)
    : SumOrProduct(body, lower), shape(shape), sign(sign), upper(upper) {
  cover(upper);
}

Limit::Limit(Expression* body, Expression* variable, Expression* point)
    : OpOnFunction(body, variable), point(point) {
  cover(point);
}

void FunctionArgs::append_item(Expression* e) { items.emplace_back(e); }

Function::Function(Symbol* fname) : Expression(FUNCTION), fname(fname) {
  cover(fname);
}

MultivarFunction::MultivarFunction(Symbol* fname, FunctionArgs* arguments)
    : Function(fname), arguments(arguments) {
  for (const Owned<>& item : arguments->items) cover(item.get());
}

TrigFunction::TrigFunction(Symbol* fname, Expression* arg)
    : Function(fname), arg(arg) {
  cover(arg);
}

void TrigFunction::set_expn(Expression* e) {
  fname->set_expn(e);
  cover(fname.get());
}

Bracketed::Bracketed(Delimiter opening, Expression* arg, Delimiter closing)
    : Expression(CONSTANT), opening(opening), arg(arg), closing(closing) {
  cover(arg);
}

Subscripted::Subscripted(Expression* base, Expression* subscr)
    : Expression(CONSTANT), base(base), subscr(subscr) {
  cover(base);
  cover(subscr);
}

void Subscripted::set_expn(Expression* e) {
  assert(expn == nullptr);
  expn.reset(e);
  cover(e);
}

Sequence::Sequence(FunctionArgs* items) : Expression(BINARY), items(items) {
  for (const Owned<>& item : items->items) cover(item.get());
}

void Matrix::Row::append_item(Expression* e) { items.emplace_back(e); }

Array::Array(Delimiter opening, Delimiter closing, int column_gap)
    : opening(opening), closing(closing), column_gap_(column_gap) {
  det = opening == Delimiter::bar && closing == Delimiter::bar;
}

void Matrix::add_row(Row* r) {
  rows.emplace_back(r);
  for (const Owned<>& item : r->items) cover(item.get());
}

Table::Table(std::vector<Column> columns, bool dotted)
    : columns(std::move(columns)), dotted(dotted) {}

void Table::add_row(Row* r) {
  Matrix::add_row(r);
  if (r->tag) cover(r->tag.get());
}

Expression* conjugate(NodePool& pool, Expression* e) {
  if (e->category != SYMBOL_CATEGORY) return new (pool) Conj(e);
  static_cast<Symbol*>(e)->toggle_starred();
  return e;
}

Expression* overbar(NodePool& pool, Expression* e) {
  if (e->category == SYMBOL_CATEGORY) {
    auto* name = static_cast<Symbol*>(e);
    if (!name->has_overbar()) {
      name->set_overbar();
      return name;
    }
  }
  return new (pool) Bar(e);
}

Expression* raise(NodePool& pool, Expression* base, Expression* exponent) {
  if (!base->accepts_expn()) return new (pool) Pow(base, exponent);
  base->set_expn(exponent);
  return base;
}

void GlyphConstant::release_children(NodeStack& out) {
  release(expn, out);
}

void Symbol::release_children(NodeStack& out) {
  release(subscr, out);
  release(expn, out);
}

void UnaryOp::release_children(NodeStack& out) { release(arg, out); }

Decoration::Decoration(DecorationKind kind, Expression* arg, Expression* label)
    : UnaryOp(arg), kind(kind), label(label) {
  cover(label);
}

void Decoration::release_children(NodeStack& out) {
  UnaryOp::release_children(out);
  release(label, out);
}

void BinaryOp::release_children(NodeStack& out) {
  release(left, out);
  release(right, out);
}

void OpOnFunction::release_children(NodeStack& out) {
  release(body, out);
  release(variable, out);
}

void OpOverInterval::release_bounds(NodeStack& out) {
  release(lower, out);
  release(upper, out);
}

void IntegralOnInterval::release_children(NodeStack& out) {
  Integral::release_children(out);
  release_bounds(out);
}

void SumOrProductOverInterval::release_children(NodeStack& out) {
  SumOrProduct::release_children(out);
  release_bounds(out);
}

void ScriptedBigOperator::release_children(NodeStack& out) {
  SumOrProduct::release_children(out);
  release(upper, out);
}

void Limit::release_children(NodeStack& out) {
  OpOnFunction::release_children(out);
  release(point, out);
}

void Function::release_children(NodeStack& out) {
  release(fname, out);
}

void MultivarFunction::release_children(NodeStack& out) {
  Function::release_children(out);
  for (Owned<>& item : arguments->items) release(item, out);
}

void TrigFunction::release_children(NodeStack& out) {
  Function::release_children(out);
  release(arg, out);
}

void Bracketed::release_children(NodeStack& out) { release(arg, out); }

void Subscripted::release_children(NodeStack& out) {
  release(base, out);
  release(subscr, out);
  release(expn, out);
}

void Sequence::release_children(NodeStack& out) {
  for (Owned<>& item : items->items) release(item, out);
}

void Matrix::release_children(NodeStack& out) {
  for (auto& row : rows) {
    for (Owned<>& item : row->items) release(item, out);
  }
}

void Table::release_children(NodeStack& out) {
  Matrix::release_children(out);
  for (auto& row : rows) release(static_cast<Row&>(*row).tag, out);
}

// Room for a few items at once: most lists and matrices are short, and
// grow no further.
constexpr size_t kFirstItems = 4;

FunctionArgs* start_arguments(NodePool& pool, Expression* first) {
  std::unique_ptr<FunctionArgs> list(new (pool) FunctionArgs);
  list->items.reserve(kFirstItems);
  list->append_item(first);
  return list.release();
}

Matrix::Row* start_row(NodePool& pool, Expression* first) {
  std::unique_ptr<Matrix::Row> row(new (pool) Matrix::Row);
  row->items.reserve(kFirstItems);
  row->append_item(first);
  return row.release();
}

Matrix* start_matrix(NodePool& pool, Matrix::Row* first) {
  Owned<Matrix> matrix(new (pool) Matrix);
  matrix->rows.reserve(kFirstItems);
  matrix->add_row(first);
  return matrix.release();
}
