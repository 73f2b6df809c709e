// Construction of the tree: ownership, exponents, subscripts and lists.
#include "expr/expr.h"

#include <algorithm>
#include <cassert>
#include <new>
#include <utility>
#include <ostream>

namespace {

// Blocks given back by deleted nodes, one list per size in steps of 16
// bytes, threaded through the blocks themselves. Each list is capped, so
// that the blocks of a huge tree go back to the system.
class BlockPool {
 public:
  ~BlockPool() {
    for (Block*& head : free_) {
      while (head != nullptr) ::operator delete(std::exchange(head, head->next));
    }
  }
  void* take(size_t size) {
    size_t k = size_class(size);
    if (k < kClasses && free_[k] != nullptr) {
      --count_[k];
      return std::exchange(free_[k], free_[k]->next);
    }
    return ::operator new(k * kGrain);
  }
  void give(void* block, size_t size) {
    size_t k = size_class(size);
    if (!kReuseMemory || k >= kClasses || count_[k] >= kMaxFree) {
      ::operator delete(block);
      return;
    }
    ++count_[k];
    free_[k] = new (block) Block{free_[k]};
  }

 private:
  struct Block {
    Block* next;
  };
  static constexpr size_t kGrain = 16;
  static constexpr size_t kClasses = 16;
  static constexpr size_t kMaxFree = 4096;
  static size_t size_class(size_t size) { return (size + kGrain - 1) / kGrain; }

  Block* free_[kClasses] = {};
  size_t count_[kClasses] = {};
};

BlockPool pool;

// Nodes whose deletion is pending while a tree is being deleted.
std::vector<Expression*> doomed;
bool deleting = false;

}  // namespace

void NodeDeleter::operator()(Expression* node) const {
  if (deleting) {
    doomed.push_back(node);
    return;
  }
  deleting = true;
  delete node;
  while (!doomed.empty()) {
    Expression* next = doomed.back();
    doomed.pop_back();
    delete next;
  }
  deleting = false;
}

void* Expression::operator new(size_t size) { return pool.take(size); }
void Expression::operator delete(void* block, size_t size) { pool.give(block, size); }
void* SubscriptList::operator new(size_t size) { return pool.take(size); }
void SubscriptList::operator delete(void* block, size_t size) { pool.give(block, size); }

const Integer shared_zero("0");

void Expression::set_expn(Expression*) {
  // The grammar asks accepts_expn first; no other class takes an exponent.
  assert(false && "set_expn on a node that accepts no exponent");
}

void Expression::cover(const Expression* child) {
  depth_ = std::max(depth_, child->depth() + 1);
}

std::ostream& operator<<(std::ostream& out, const Expression& e) {
  return out << *e.render();
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

UnaryOp::UnaryOp(int kind, Expression* arg)
    : Expression(UNARY), kind(kind), arg(arg) {
  cover(arg);
}

BinaryOp::BinaryOp(int kind, Expression* left, Expression* right)
    : Expression(BINARY), kind(kind), left(left), right(right) {
  cover(left);
  cover(right);
}

OpOnFunction::OpOnFunction(int kind, Expression* body, Expression* variable)
    : Expression(BIG_OPERATOR), kind(kind), body(body), variable(variable) {
  cover(body);
  cover(variable);
}

IntegralOnInterval::IntegralOnInterval(Expression* body, Expression* variable,
                                       Expression* lower, Expression* upper)
    : Integral(body, variable), OpOverInterval(lower, upper) {
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

Limit::Limit(Expression* body, Expression* variable, Expression* point)
    : OpOnFunction(3, body, variable), point(point) {
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

void Matrix::Row::append_item(Expression* e) { items.emplace_back(e); }

const Expression& Matrix::Row::cell(size_t i) const {
  if (i < items.size()) return *items[i];
  return shared_zero;
}

void Matrix::add_row(Row* r) {
  rows.emplace_back(r);
  for (const Owned<>& item : r->items) cover(item.get());
}
