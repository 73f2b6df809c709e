// Construction of the tree: ownership, exponents, subscripts and lists.
#include "expr/expr.h"

#include <algorithm>
#include <cassert>
#include <ostream>

namespace {

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
  for (size_t i = 0; i + 1 < list.size(); ++i) {
    const Expression& link = *list[i];
    if (link.category != SYMBOL_CATEGORY ||
        static_cast<const Symbol&>(link).subscr != nullptr) {
      return nullptr;
    }
  }
  // Attach from the end of the chain, so that every link's depth already
  // covers its own subscripts when it becomes a subscript itself.
  for (size_t i = list.size() - 1; i > 0; --i) {
    static_cast<Symbol&>(*list[i - 1]).set_subscr(list[i].release());
  }
  Symbol* name = static_cast<Symbol*>(list[0].release());
  list.clear();
  return name;
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
