#include "expr/expr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

CanvasPool pool;
NodePool nodes;

// The drawing of a tree built through the tree's own API, one row a line.
std::string Draw(Expression* tree, Style style = {}) {
  Owned<> owned(tree);
  pool.reset_budget();
  std::string text;
  owned->render(RenderContext{pool, style})->append_to(text);
  return text;
}

Symbol* Name(const char* name) { return new (nodes) Symbol(name); }
Expression* Number(const char* digits) { return new (nodes) Integer(digits); }

TEST(Tree, DecoratedNamesCarryTheirOwnMarks) {
  // x_i^2: the exponent stands over the subscript, both after the name.
  SubscriptList list(Name("x"));
  list.subscripts.emplace_back(Name("i"));
  Expression* x_i = attach_subscripts(list);
  EXPECT_EQ(
  " 2\n"
  "x\n"
  " i\n", Draw(raise(nodes, x_i, Number("2"))));
  // A name already raised is bracketed as the base of a new power.
  Expression* twice = raise(nodes, raise(nodes, Name("x"), Number("2")), Number("3"));
  EXPECT_EQ(
  "    3\n"
  "/ 2\\\n"
  "\\x /\n", Draw(twice));
  // Conjugate and overbar: a name's own marks once, then nodes.
  EXPECT_EQ(
  "_*\n"
  "z\n", Draw(conjugate(nodes, overbar(nodes, Name("z")))));
  EXPECT_EQ(
  "_\n"
  "_\n"
  "z\n", Draw(overbar(nodes, overbar(nodes, Name("z")))));
  EXPECT_EQ(
  "       *\n"
  "(a + b)\n", Draw(conjugate(nodes, new (nodes) Add(Name("a"), Name("b")))));
}

TEST(Tree, SubscriptChainsNeedNamesBeforeTheLastLink) {
  SubscriptList list(Name("x"));
  list.subscripts.emplace_back(Number("1"));
  list.subscripts.emplace_back(Name("j"));
  // "1" cannot take "j" as its subscript: the list stays as it was.
  EXPECT_EQ(nullptr, attach_subscripts(list));
  EXPECT_EQ(2u, list.subscripts.size());
}

TEST(Tree, StyleChoosesTheRadical) {
  auto half = [] { return new (nodes) Sqrt(new (nodes) Div(Number("1"), Number("2"))); };
  EXPECT_EQ(
  "    _\n"
  "   /1\n"
  "  / -\n"
  "\\/  2\n", Draw(half()));
  EXPECT_EQ(
  "  _\n"
  " |1\n"
  " |-\n"
  "\\|2\n", Draw(half(), Style{false}));
}

TEST(Tree, ShortMatrixRowsAreFilledWithZeros) {
  auto* matrix = new (nodes) Matrix;
  auto* first = new Matrix::Row;
  first->append_item(Number("1"));
  first->append_item(Name("x"));
  auto* second = new Matrix::Row;
  second->append_item(Number("0"));
  matrix->add_row(first);
  matrix->add_row(second);
  matrix->set_det();
  EXPECT_EQ(
  "| 1 x |\n"
  "|     |\n"
  "| 0 0 |\n", Draw(matrix));
}

TEST(Tree, DepthCoversEveryChild) {
  Owned<> tree(new (nodes) Add(Name("a"), new (nodes) Sqrt(new (nodes) Neg(Name("b")))));
  EXPECT_EQ(4, tree->depth());
}

TEST(Tree, DeletingAVeryDeepTreeTakesNoDeepStack) {
  // A million nested nodes, deleted on a 1 MiB stack would overflow if
  // deletion recursed; here the main thread's stack is enough to tell, as
  // each level of recursion would take more than 8 bytes.
  Expression* tree = Name("x");
  for (int i = 0; i < 1'000'000; ++i) tree = new (nodes) Neg(tree);
  NodeDeleter()(tree);
  Expression* heap = new Symbol("y");  // a node from the heap, not a pool
  for (int i = 0; i < 1'000'000; ++i) heap = new Add(heap, new Symbol("z"));
  NodeDeleter()(heap);
}

#ifdef VORNIX_ADDRESS_SANITIZER
// Deleted nodes wait in their pool for reuse, poisoned: a use of one
// through a stale pointer is still caught.
TEST(NodePoolDeathTest, AFreedNodeIsPoisoned) {
  EXPECT_DEATH(
      {
        NodePool own;
        Symbol* stale = new (own) Symbol("x");
        NodeDeleter()(stale);
        std::printf("%d\n", stale->primes);
      },
      "use-after-poison");
}
#endif

}  // namespace
