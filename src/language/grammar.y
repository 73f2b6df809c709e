%{
// Grammar of statement lines. Each statement is drawn when its newline
// arrives, then deleted; a bad line is skipped up to its newline.
// Berkeley yacc generates the parser: its growing stack of 200 to 10000
// entries, its messages and its error recovery are the ones vornix needs.
#include <cstdio>
#include <new>

#include "canvas/canvas.h"
#include "expr/expr.h"
#include "front/front.h"
#include "language/language.h"

#define yylex next_token
#define yylval token_value

static void yyerror(const char* message) { report_error("%s", message); }
static Expression* conjugate(Expression* e);
static Expression* overbar(Expression* e);
static Expression* raise(Expression* base, Expression* exponent);
static void print_statement(Expression* statement);
%}

%union {
  Expression* expr;
  Symbol* sym;
  SubscriptList* list;
  FunctionArgs* args;
  Matrix* matrix;
  Matrix::Row* row;
}

%token <expr> INTEGER REAL SYMBOL TRIG_NAME
%token SQRT ROOT ELLIPSIS INF DOTDOT INTEGRAL SUM PROD QUIT LIM PI NABLA
%token ARROW DET ABS LE GE
%token BAD_BYTE  /* a zero byte or a byte from 128 up: no rule takes it */

%type <expr> expr const_value
%type <sym> name_expr decorated_name subscripted_name simple_name
%type <list> subscript_list
%type <args> arg_list
%type <matrix> matrix_expr matrix_body row_list
%type <row> row

%destructor { NodeDeleter()($$); } <expr> <sym>
%destructor { delete $$; } <list> <args> <row>
%destructor { NodeDeleter()($$); } <matrix>

%right '=' '<' '>' LE GE
%left '+' '-'
%left '*' '/'
%nonassoc UMINUS
%right '^'
%left '!'

%expect 0

%%

input
    : input statement
    | /* empty */
    ;

statement
    : expr '\n'             { print_statement($1); }
    | error '\n'            { yyerrok; }
    | QUIT '\n'             { YYACCEPT; }
    | '\n'                  { std::putchar('\n'); }
    ;

expr
    : const_value
    | name_expr             { $$ = $1; }
    | SQRT '(' expr ')'     { $$ = new Sqrt($3); }
    | ABS '(' expr ')'      { $$ = new Abs($3); }
    | ROOT '(' expr ',' expr ')'  { $$ = new Root($3, $5); }
    | INTEGRAL '(' expr ',' expr ')'  { $$ = new Integral($3, $5); }
    | INTEGRAL '(' expr ',' expr '=' expr DOTDOT expr ')'  { $$ = new IntegralOnInterval($3, $5, $7, $9); }
    | SUM '(' expr ',' expr ')'   { $$ = new Sum($3, $5); }
    | SUM '(' expr ',' expr '=' expr DOTDOT expr ')'  { $$ = new SumOverInterval($3, $5, $7, $9); }
    | PROD '(' expr ',' expr ')'  { $$ = new Product($3, $5); }
    | PROD '(' expr ',' expr '=' expr DOTDOT expr ')'  { $$ = new ProductOverInterval($3, $5, $7, $9); }
    | LIM '(' expr ',' expr ARROW expr ')'  { $$ = new Limit($3, $5, $7); }
    | name_expr '(' arg_list ')'  { $$ = new MultivarFunction($1, $3); }
    | TRIG_NAME '(' expr ')'      { $$ = new TrigFunction(static_cast<Symbol*>($1), $3); }
    | expr '=' expr         { $$ = new Equal($1, $3); }
    | expr '<' expr         { $$ = new Less($1, $3); }
    | expr '>' expr         { $$ = new Greater($1, $3); }
    | expr LE expr          { $$ = new LessOrEqual($1, $3); }
    | expr GE expr          { $$ = new GreaterOrEqual($1, $3); }
    | expr '+' expr         { $$ = new Add($1, $3); }
    | expr '-' expr         { $$ = new Sub($1, $3); }
    | expr '*' expr         { $$ = new Mul($1, $3); }
    | expr '/' expr         { $$ = new Div($1, $3); }
    | '-' expr %prec UMINUS { $$ = new Neg($2); }
    | '~' '(' expr ')'      { $$ = conjugate($3); }
    | '(' expr ')' '\\'     { $$ = overbar($2); }
    | expr '^' expr         { $$ = raise($1, $3); }
    | expr '!'              { $$ = new Fact($1); }
    | '(' expr ')'          { $$ = $2; }
    | matrix_expr           { $$ = $1; }
    ;

name_expr
    : decorated_name
    | '~' name_expr         { $2->toggle_starred(); $$ = $2; }
    ;

decorated_name
    : subscripted_name
    | decorated_name '\''   { $1->add_prime(); $$ = $1; }
    | decorated_name '\\'   { $1->set_overbar(); $$ = $1; }
    ;

subscripted_name
    : subscript_list
        {
          $$ = attach_subscripts(*$1);
          if ($$ == nullptr) {
            // A link before the last cannot take a subscript; the list is
            // left on the stack for the error recovery to delete.
            yyerror("syntax error");
            YYERROR;
          }
          delete $1;
        }
    ;

subscript_list
    : simple_name           { $$ = new SubscriptList($1); }
    | subscript_list '_' simple_name  { $1->subscripts.emplace_back($3); $$ = $1; }
    | subscript_list '_' '(' expr ')' { $1->subscripts.emplace_back($4); $$ = $1; }
    | subscript_list '_' const_value  { $1->subscripts.emplace_back($3); $$ = $1; }
    ;

arg_list
    : arg_list ',' expr     { $1->append_item($3); $$ = $1; }
    | expr                  { $$ = new FunctionArgs; $$->append_item($1); }
    ;

const_value
    : INTEGER
    | REAL
    | ELLIPSIS              { $$ = new Ellipsis; }
    | INF                   { $$ = new Infinity; }
    | PI                    { $$ = new Pi; }
    | NABLA                 { $$ = new Nabla; }
    ;

simple_name
    : SYMBOL                { $$ = static_cast<Symbol*>($1); }
    ;

matrix_expr
    : matrix_body
    | DET matrix_body       { $2->set_det(); $$ = $2; }
    ;

matrix_body
    : '[' row_list ']'      { $$ = $2; }
    ;

row_list
    : row                   { $$ = new Matrix; $$->add_row($1); }
    | row_list ';' row      { $1->add_row($3); $$ = $1; }
    ;

row
    : expr                  { $$ = new Matrix::Row; $$->append_item($1); }
    | row ',' expr          { $1->append_item($3); $$ = $1; }
    ;

%%

// A conjugate of a name is the name's star; of anything else, a node.
static Expression* conjugate(Expression* e) {
  if (e->category != SYMBOL_CATEGORY) return new Conj(e);
  static_cast<Symbol*>(e)->toggle_starred();
  return e;
}

// An overbar on a name without one is the name's own; otherwise a node.
static Expression* overbar(Expression* e) {
  if (e->category == SYMBOL_CATEGORY) {
    auto* name = static_cast<Symbol*>(e);
    if (!name->has_overbar()) {
      name->set_overbar();
      return name;
    }
  }
  return new Bar(e);
}

// A base that takes its exponent itself carries it; others become a Pow.
static Expression* raise(Expression* base, Expression* exponent) {
  if (!base->accepts_expn()) return new Pow(base, exponent);
  base->set_expn(exponent);
  return base;
}

// Writes the statement's empty line and drawing, or "drawing too large"
// when its canvases would exceed the drawing limit, and deletes the tree.
static void print_statement(Expression* statement) {
  Owned<> tree(statement);
  try {
    if (tree->depth() > kMaxDrawableDepth) throw DrawingTooLarge();
    reset_drawing_budget();
    CanvasRef drawing = tree->render();
    std::putchar('\n');
    drawing->write(stdout);
  } catch (const DrawingTooLarge&) {
    report_error("drawing too large");
  } catch (const std::bad_alloc&) {
    report_error("drawing too large");
  }
  check_output();
}

int parse() { return yyparse() == 0 ? 0 : 1; }

int parse_input() {
  int result = 0;
  while (parse() != 0) {
    result = 1;
    skip_line();
  }
  return result;
}
