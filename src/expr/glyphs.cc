// The glyph sets.
#include "expr/glyphs.h"

namespace {

constexpr char g(Glyph glyph) { return static_cast<char>(glyph); }

// The same piece on every row of either side.
constexpr BracketShape uniform(char left, char right) {
  return {{left, left, left, left, left}, {right, right, right, right, right}};
}

constexpr BracketShape kAsciiParens{{'(', '/', '|', '\\', '|'}, {')', '\\', '|', '/', '|'}};
constexpr BracketShape kUnicodeParens{
    {'(', g(GLYPH_PAREN_LEFT_TOP), g(GLYPH_PAREN_LEFT_MIDDLE), g(GLYPH_PAREN_LEFT_BOTTOM),
     g(GLYPH_PAREN_LEFT_MIDDLE)},
    {')', g(GLYPH_PAREN_RIGHT_TOP), g(GLYPH_PAREN_RIGHT_MIDDLE), g(GLYPH_PAREN_RIGHT_BOTTOM),
     g(GLYPH_PAREN_RIGHT_MIDDLE)}};
constexpr BracketShape kUnicodeBars = uniform(g(GLYPH_VERTICAL), g(GLYPH_VERTICAL));
constexpr BracketShape kUnicodeSquares{
    {'[', g(GLYPH_SQUARE_LEFT_TOP), g(GLYPH_SQUARE_LEFT_MIDDLE), g(GLYPH_SQUARE_LEFT_BOTTOM),
     g(GLYPH_SQUARE_LEFT_MIDDLE)},
    {']', g(GLYPH_SQUARE_RIGHT_TOP), g(GLYPH_SQUARE_RIGHT_MIDDLE), g(GLYPH_SQUARE_RIGHT_BOTTOM),
     g(GLYPH_SQUARE_RIGHT_MIDDLE)}};
constexpr BracketShape kUnicodeBraces{
    {'{', g(GLYPH_BRACE_LEFT_TOP), g(GLYPH_BRACE_LEFT_MIDDLE), g(GLYPH_BRACE_LEFT_BOTTOM),
     g(GLYPH_BRACE_EXTENSION)},
    {'}', g(GLYPH_BRACE_RIGHT_TOP), g(GLYPH_BRACE_RIGHT_MIDDLE), g(GLYPH_BRACE_RIGHT_BOTTOM),
     g(GLYPH_BRACE_EXTENSION)}};
// Floors and ceilings: one row high their own signs, taller the pieces of
// square brackets without the rule at the open end.
constexpr BracketShape kUnicodeFloors{
    {g(GLYPH_FLOOR_LEFT), g(GLYPH_SQUARE_LEFT_MIDDLE), g(GLYPH_SQUARE_LEFT_MIDDLE),
     g(GLYPH_SQUARE_LEFT_BOTTOM), g(GLYPH_SQUARE_LEFT_MIDDLE)},
    {g(GLYPH_FLOOR_RIGHT), g(GLYPH_SQUARE_RIGHT_MIDDLE), g(GLYPH_SQUARE_RIGHT_MIDDLE),
     g(GLYPH_SQUARE_RIGHT_BOTTOM), g(GLYPH_SQUARE_RIGHT_MIDDLE)}};
constexpr BracketShape kUnicodeCeilings{
    {g(GLYPH_CEILING_LEFT), g(GLYPH_SQUARE_LEFT_TOP), g(GLYPH_SQUARE_LEFT_MIDDLE),
     g(GLYPH_SQUARE_LEFT_MIDDLE), g(GLYPH_SQUARE_LEFT_MIDDLE)},
    {g(GLYPH_CEILING_RIGHT), g(GLYPH_SQUARE_RIGHT_TOP), g(GLYPH_SQUARE_RIGHT_MIDDLE),
     g(GLYPH_SQUARE_RIGHT_MIDDLE), g(GLYPH_SQUARE_RIGHT_MIDDLE)}};
constexpr BigSign kAsciiSum{{"=====", "\\", " >", "/", "====="}};
constexpr BigSign kAsciiProduct{{"=====", " | |", " | |", " | |", " | |"}};
constexpr IntegralSign kUnicodeIntegral{
    g(GLYPH_INTEGRAL_TOP), g(GLYPH_INTEGRAL_MIDDLE), g(GLYPH_INTEGRAL_BOTTOM), 0, 0, 0, 0, 0, 2,
    g(GLYPH_CONTOUR_INTEGRAL), true};
// ∮ is of ambiguous width: the neutral set marks the contour as ASCII does.
constexpr IntegralSign kNeutralIntegral{
    g(GLYPH_INTEGRAL_TOP), g(GLYPH_INTEGRAL_MIDDLE), g(GLYPH_INTEGRAL_BOTTOM), 0, 0, 0, 0, 0, 2,
    'o', true};

}  // namespace

// The big signs, five rows from the top, the middle one on the sign's row.
const GlyphSet kAsciiGlyphs{
    .fraction_bar = '-',
    .main_bar = '-',
    .product_dot = ' ',
    .parens = kAsciiParens,
    .bars = uniform('|', '|'),
    .delimiters =
        {
            {},
            kAsciiParens,
            uniform('[', ']'),
            {{'{', '/', '<', '\\', '|'}, {'}', '\\', '>', '/', '|'}},
            uniform('|', '|'),
            uniform('|', '|'),
            {{'<', '/', '<', '\\', 0}, {'>', '\\', '>', '/', 0}},
            kAsciiParens,
            kAsciiParens,
        },
    .delimiter_words = {{}, {}, {}, {}, {}, {}, {},
                        {"floor", "lfloor", "rfloor"}, {"ceil", "lceil", "rceil"}},
    .low_braces = uniform('{', '}'),
    .double_bar_width = 2,
    .sum = kAsciiSum,
    .product = kAsciiProduct,
    .integral = {'/', '|', '/', 2, 1, 0, 1, 3, 3, 'o', false},
    .radical = {'\\', '/', '|', false, 0, 0},
    .arrow = "->",
    .lim_width = 4,
    .lim_gap = 2,
    .ellipsis = "...",
    .infinity = "oo",
    .continued = '>',
    .unicode_symbols = false,
};

// The big signs of box-drawing pieces, which join without gaps in any
// terminal.
const GlyphSet kUnicodeGlyphs{
    .fraction_bar = g(GLYPH_BAR),
    .main_bar = g(GLYPH_HEAVY_BAR),
    .product_dot = g(GLYPH_DOT),
    .parens = kUnicodeParens,
    .bars = kUnicodeBars,
    .delimiters =
        {
            {},
            kUnicodeParens,
            kUnicodeSquares,
            kUnicodeBraces,
            {{'|', g(GLYPH_VERTICAL), g(GLYPH_VERTICAL), g(GLYPH_VERTICAL), g(GLYPH_VERTICAL)},
             {'|', g(GLYPH_VERTICAL), g(GLYPH_VERTICAL), g(GLYPH_VERTICAL), g(GLYPH_VERTICAL)}},
            uniform(g(GLYPH_DOUBLE_VERTICAL), g(GLYPH_DOUBLE_VERTICAL)),
            {{g(GLYPH_ANGLE_LEFT), g(GLYPH_RISING), g(GLYPH_ANGLE_LEFT), g(GLYPH_FALLING), 0},
             {g(GLYPH_ANGLE_RIGHT), g(GLYPH_FALLING), g(GLYPH_ANGLE_RIGHT), g(GLYPH_RISING), 0}},
            kUnicodeFloors,
            kUnicodeCeilings,
        },
    .delimiter_words = {},
    .low_braces = kUnicodeBraces,
    .double_bar_width = 1,
    .sum = {{"_____", "╲", " ⟩", "╱", "‾‾‾‾‾"}, "_╲│╱‾"},
    .product = {{"─┬─┬─", " │ │", " │ │", " │ │", " │ │"}, "─┬│"},
    .integral = kUnicodeIntegral,
    .radical = {g(GLYPH_FALLING), g(GLYPH_RISING), g(GLYPH_VERTICAL), true, g(GLYPH_CUBE_ROOT),
                g(GLYPH_FOURTH_ROOT)},
    .arrow = "→",
    .lim_width = 3,
    .lim_gap = 1,
    .ellipsis = "⋯",
    .infinity = "∞",
    .continued = g(GLYPH_CONTINUED),
    .unicode_symbols = true,
};

// Tall round, square and curly brackets, the integral, the ellipsis and
// the continuation mark are neutral; the box-drawing rules are not, so the
// big signs and the radical are ASCII's, and the fraction bar the
// horizontal line extension. Bars stay ASCII: the neutral vertical line
// extension is missing from many fonts. A heavier neutral rule does not
// exist, so nested fractions share one bar.
const GlyphSet kNeutralGlyphs{
    .fraction_bar = g(GLYPH_RULE),
    .main_bar = g(GLYPH_RULE),
    .product_dot = g(GLYPH_DOT),
    .parens = kUnicodeParens,
    .bars = uniform('|', '|'),
    .delimiters =
        {
            {},
            kUnicodeParens,
            kUnicodeSquares,
            kUnicodeBraces,
            uniform('|', '|'),
            uniform('|', '|'),
            {{g(GLYPH_ANGLE_LEFT), '/', g(GLYPH_ANGLE_LEFT), '\\', 0},
             {g(GLYPH_ANGLE_RIGHT), '\\', g(GLYPH_ANGLE_RIGHT), '/', 0}},
            kUnicodeFloors,
            kUnicodeCeilings,
        },
    .delimiter_words = {},
    .low_braces = kUnicodeBraces,
    .double_bar_width = 2,
    .sum = kAsciiSum,
    .product = kAsciiProduct,
    .integral = kNeutralIntegral,
    .radical = {'\\', '/', '|', false, 0, 0},
    .arrow = "->",
    .lim_width = 4,
    .lim_gap = 1,
    .ellipsis = "⋯",
    .infinity = "oo",
    .continued = g(GLYPH_CONTINUED),
    .unicode_symbols = false,
};
