%{
// Grammar of statement lines. Each statement goes to the listener when its
// newline arrives; a bad line is skipped up to its newline.
// Berkeley yacc generates the parser: its growing stack of up to 10000
// entries, its messages and its error recovery are the ones vornix needs.
#include <new>

#include "expr/expr.h"
#include "language/parse_state.h"

// A stack small enough for the allocator's quick path: each parse makes
// one, and most lines nest a few levels.
#define YYINITSTACKSIZE 64

// An action that allocates. When memory runs out, the line is reported
// and dropped; the action's values stay on the stack for the error
// recovery to delete, since nothing took them.
#define BUILD(...)                        \
  try {                                   \
    __VA_ARGS__;                          \
  } catch (const std::bad_alloc&) {       \
    state.out_of_memory();                \
    YYERROR;                              \
  }
%}

%pure-parser
%parse-param { Parser::State& state }
%lex-param { Parser::State& state }

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
/* The last two codes, so that one comparison tells them. */
%token TOO_LARGE /* a statement that costs too much: no rule takes it */
%token NO_MEMORY /* a token that found no memory: no rule takes it */

%type <expr> expr constant subscript
%type <sym> starred_name decorated_name
%type <list> subscript_list
%type <args> arg_list
%type <matrix> row_list
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

/* The statements are written out here: a rule for a statement between
   would cost a reduction for each line. */
input
    : /* empty */
    | input expr '\n'       { state.listener->statement(Owned<>($2), state.line); }
    | input error '\n'      { yyerrok; }
    | input QUIT '\n'       { state.quit = true; YYACCEPT; }
    | input '\n'            { state.listener->empty_statement(state.line); }
    ;

/* Numbers, names and matrices are expressions at once: a unit rule
   between would cost a reduction for each. */
expr
    : INTEGER
    | REAL
    | constant
    | SYMBOL
    | decorated_name        { $$ = $1; }
    | starred_name          { $$ = $1; }
    | SQRT '(' expr ')'     { BUILD($$ = new (state.nodes) Sqrt($3)) }
    | ABS '(' expr ')'      { BUILD($$ = new (state.nodes) Abs($3)) }
    | ROOT '(' expr ',' expr ')'  { BUILD($$ = new (state.nodes) Root($3, $5)) }
    | INTEGRAL '(' expr ',' expr ')'  { BUILD($$ = new (state.nodes) Integral($3, $5)) }
    | INTEGRAL '(' expr ',' expr '=' expr DOTDOT expr ')'  { BUILD($$ = new (state.nodes) IntegralOnInterval($3, $5, $7, $9)) }
    | SUM '(' expr ',' expr ')'   { BUILD($$ = new (state.nodes) Sum($3, $5)) }
    | SUM '(' expr ',' expr '=' expr DOTDOT expr ')'  { BUILD($$ = new (state.nodes) SumOverInterval($3, $5, $7, $9)) }
    | PROD '(' expr ',' expr ')'  { BUILD($$ = new (state.nodes) Product($3, $5)) }
    | PROD '(' expr ',' expr '=' expr DOTDOT expr ')'  { BUILD($$ = new (state.nodes) ProductOverInterval($3, $5, $7, $9)) }
    | LIM '(' expr ',' expr ARROW expr ')'  { BUILD($$ = new (state.nodes) Limit($3, $5, $7)) }
    | SYMBOL '(' arg_list ')'  { BUILD($$ = new (state.nodes) MultivarFunction(static_cast<Symbol*>($1), $3)) }
    | decorated_name '(' arg_list ')'  { BUILD($$ = new (state.nodes) MultivarFunction($1, $3)) }
    | starred_name '(' arg_list ')'  { BUILD($$ = new (state.nodes) MultivarFunction($1, $3)) }
    | TRIG_NAME '(' expr ')'      { BUILD($$ = new (state.nodes) TrigFunction(static_cast<Symbol*>($1), $3)) }
    | expr '=' expr         { BUILD($$ = new (state.nodes) Equal($1, $3)) }
    | expr '<' expr         { BUILD($$ = new (state.nodes) Less($1, $3)) }
    | expr '>' expr         { BUILD($$ = new (state.nodes) Greater($1, $3)) }
    | expr LE expr          { BUILD($$ = new (state.nodes) LessOrEqual($1, $3)) }
    | expr GE expr          { BUILD($$ = new (state.nodes) GreaterOrEqual($1, $3)) }
    | expr '+' expr         { BUILD($$ = new (state.nodes) Add($1, $3)) }
    | expr '-' expr         { BUILD($$ = new (state.nodes) Sub($1, $3)) }
    | expr '*' expr         { BUILD($$ = new (state.nodes) Mul($1, $3)) }
    | expr '/' expr         { BUILD($$ = new (state.nodes) Div($1, $3)) }
    | '-' expr %prec UMINUS { BUILD($$ = new (state.nodes) Neg($2)) }
    | '~' '(' expr ')'      { BUILD($$ = conjugate(state.nodes, $3)) }
    | '(' expr ')' '\\'     { BUILD($$ = overbar(state.nodes, $2)) }
    | expr '^' expr         { BUILD($$ = raise(state.nodes, $1, $3)) }
    | expr '!'              { BUILD($$ = new (state.nodes) Fact($1)) }
    | '(' expr ')'          { $$ = $2; }
    | '[' row_list ']'      { $$ = $2; }
    | DET '[' row_list ']'  { $3->set_det(); $$ = $3; }
    ;

/* A name with a star toggled by each '~' before it. */
starred_name
    : '~' SYMBOL            { $$ = static_cast<Symbol*>($2); $$->toggle_starred(); }
    | '~' decorated_name    { $2->toggle_starred(); $$ = $2; }
    | '~' starred_name      { $2->toggle_starred(); $$ = $2; }
    ;

decorated_name
    : SYMBOL '_' subscript
        {
          // One subscript, the usual case: attached at once, with no list.
          $$ = static_cast<Symbol*>($1);
          $$->set_subscr($3);
        }
    | subscript_list
        {
          $$ = attach_subscripts(*$1);
          if ($$ == nullptr) {
            // A link before the last cannot take a subscript; the list is
            // left on the stack for the error recovery to delete.
            yyerror(state, "syntax error");
            YYERROR;
          }
          delete $1;
        }
    | SYMBOL '\''            { $$ = static_cast<Symbol*>($1); $$->add_prime(); }
    | SYMBOL '\\'           { $$ = static_cast<Symbol*>($1); $$->set_overbar(); }
    | decorated_name '\''   { $1->add_prime(); $$ = $1; }
    | decorated_name '\\'   { $1->set_overbar(); $$ = $1; }
    ;

/* A name with at least two subscripts, a chain; a name with fewer makes
   no list. */
subscript_list
    : SYMBOL '_' subscript '_' subscript
        { BUILD($$ = start_subscripts(state.nodes, static_cast<Symbol*>($1), $3, $5)) }
    | subscript_list '_' subscript  { BUILD($1->subscripts.emplace_back($3)); $$ = $1; }
    ;

subscript
    : SYMBOL
    | INTEGER
    | REAL
    | constant
    | '(' expr ')'          { $$ = $2; }
    ;

arg_list
    : arg_list ',' expr     { BUILD($1->append_item($3)); $$ = $1; }
    | expr                  { BUILD($$ = start_arguments(state.nodes, $1)) }
    ;

constant
    : ELLIPSIS              { BUILD($$ = new (state.nodes) Ellipsis) }
    | INF                   { BUILD($$ = new (state.nodes) Infinity) }
    | PI                    { BUILD($$ = new (state.nodes) Pi) }
    | NABLA                 { BUILD($$ = new (state.nodes) Nabla) }
    ;

row_list
    : row                   { BUILD($$ = start_matrix(state.nodes, $1)) }
    | row_list ';' row      { BUILD($1->add_row($3)); $$ = $1; }
    ;

row
    : expr                  { BUILD($$ = start_row(state.nodes, $1)) }
    | row ',' expr          { BUILD($1->append_item($3)); $$ = $1; }
    ;

%%

// The scanner that flex generates, compiled here so that its token
// function is part of byacc's loop.
#include "scanner.cc"

// The next token for the parser, with the line bookkeeping done: tokens
// of a line being dropped are deleted here and never reach the parser.
// It is defined before byacc's loop, which takes it in.
[[gnu::always_inline]] static inline int yylex(YYSTYPE* value, Parser::State& state) {
  if (state.attention) [[unlikely]] {
    if (state.newline_pending) state.begin_line();
    if (state.stopped) {
      state.line_open = false;
      return 0;
    }
    state.attention = false;
  }
  for (;;) {
    int token = quick_token(value, state);
    if (token == 0) {
      try {
        token = scan_token(value, state.scanner);
      } catch (const std::bad_alloc&) {
        // The scanner's buffer cannot hold the input: no line can go on.
        state.broken = true;
        state.line_open = false;
        return 0;
      }
    }
    // Bytes below a newline are bad characters, or the end of the input.
    if (token <= '\n' && (token == '\n' || token == 0)) {
      state.line_open = false;
      state.cost = 0;
      state.dropping = false;
      state.line_failed = false;
      return token;
    }
    state.line_open = true;
    if (state.dropping) {
      drop_token(token, value);
      // A message from the scanner may have stopped the input.
      if (state.stopped) {
        state.line_open = false;
        return 0;
      }
      continue;
    }
    // A statement that costs too much or finds no memory: the parser gets
    // a token that no rule takes, and the rest of the line never reaches
    // it.
    if (token >= TOO_LARGE) {
      if (token == NO_MEMORY) {
        state.out_of_memory();
      } else {
        state.too_large();
      }
      return token;
    }
    if (!state.charge(state.token_length)) {
      drop_token(token, value);
      state.too_large();
      return TOO_LARGE;
    }
    return token;
  }
}

int next_token(void* value, Parser::State& state) {
  return yylex(static_cast<YYSTYPE*>(value), state);
}

// byacc's messages: "syntax error", or "yacc stack overflow" when a line
// nests deeper than the stack allows. A line already reported as too large
// gets no second message.
void yyerror(Parser::State& state, const char* message) {
  if (state.line_failed || state.broken) return;
  bool overflow = message[0] == 'y';
  state.report(overflow ? Status::too_deep : Status::input, message);
}

bool Parser::parse(Source& source, Listener& listener) {
  State& s = *state_;
  s.begin(source, listener);
  while (yyparse(s) != 0 && !s.broken) {
    // The stack overflowed inside a line: go on after that line.
    YYSTYPE value;
    while (s.line_open) drop_token(next_token(&value, s), &value);
  }
  if (s.broken) throw std::bad_alloc();
  return s.quit;
}
