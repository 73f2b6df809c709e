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

}  // namespace

// The big signs, five rows from the top, the middle one on the sign's row.
const GlyphSet kAsciiGlyphs{
    .fraction_bar = '-',
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
        },
    .low_braces = uniform('{', '}'),
    .double_bar_width = 2,
    .sum = {{"=====", "\\", " >", "/", "====="}},
    .product = {{"=====", " | |", " | |", " | |", " | |"}},
    .integral = {'/', '|', '/', 2, 1, 0, 1, 3, 3},
    .radical = {'\\', '/', '|', false},
    .arrow = "->",
    .lim_width = 4,
    .ellipsis = "...",
    .infinity = "oo",
    .continued = '>',
    .unicode_symbols = false,
};

// The big signs of box-drawing pieces, which join without gaps in any
// terminal.
const GlyphSet kUnicodeGlyphs{
    .fraction_bar = g(GLYPH_BAR),
    .parens = kUnicodeParens,
    .bars = kUnicodeBars,
    .delimiters =
        {
            {},
            kUnicodeParens,
            {{'[', g(GLYPH_SQUARE_LEFT_TOP), g(GLYPH_SQUARE_LEFT_MIDDLE),
              g(GLYPH_SQUARE_LEFT_BOTTOM), g(GLYPH_SQUARE_LEFT_MIDDLE)},
             {']', g(GLYPH_SQUARE_RIGHT_TOP), g(GLYPH_SQUARE_RIGHT_MIDDLE),
              g(GLYPH_SQUARE_RIGHT_BOTTOM), g(GLYPH_SQUARE_RIGHT_MIDDLE)}},
            {{'{', g(GLYPH_BRACE_LEFT_TOP), g(GLYPH_BRACE_LEFT_MIDDLE),
              g(GLYPH_BRACE_LEFT_BOTTOM), g(GLYPH_BRACE_EXTENSION)},
             {'}', g(GLYPH_BRACE_RIGHT_TOP), g(GLYPH_BRACE_RIGHT_MIDDLE),
              g(GLYPH_BRACE_RIGHT_BOTTOM), g(GLYPH_BRACE_EXTENSION)}},
            {{'|', g(GLYPH_VERTICAL), g(GLYPH_VERTICAL), g(GLYPH_VERTICAL), g(GLYPH_VERTICAL)},
             {'|', g(GLYPH_VERTICAL), g(GLYPH_VERTICAL), g(GLYPH_VERTICAL), g(GLYPH_VERTICAL)}},
            uniform(g(GLYPH_DOUBLE_VERTICAL), g(GLYPH_DOUBLE_VERTICAL)),
            {{g(GLYPH_ANGLE_LEFT), g(GLYPH_RISING), g(GLYPH_ANGLE_LEFT), g(GLYPH_FALLING), 0},
             {g(GLYPH_ANGLE_RIGHT), g(GLYPH_FALLING), g(GLYPH_ANGLE_RIGHT), g(GLYPH_RISING), 0}},
        },
    .low_braces = {{'{', g(GLYPH_BRACE_LEFT_TOP), g(GLYPH_BRACE_LEFT_MIDDLE),
                    g(GLYPH_BRACE_LEFT_BOTTOM), g(GLYPH_BRACE_EXTENSION)},
                   {'}', g(GLYPH_BRACE_RIGHT_TOP), g(GLYPH_BRACE_RIGHT_MIDDLE),
                    g(GLYPH_BRACE_RIGHT_BOTTOM), g(GLYPH_BRACE_EXTENSION)}},
    .double_bar_width = 1,
    .sum = {{"┌────", "└─┐", "  │", "┌─┘", "└────"}},
    .product = {{"─┬─┬─", " │ │", " │ │", " │ │", " │ │"}},
    .integral = {g(GLYPH_INTEGRAL_TOP), g(GLYPH_INTEGRAL_MIDDLE), g(GLYPH_INTEGRAL_BOTTOM), 0, 0,
                 0, 0, 0, 2},
    .radical = {g(GLYPH_FALLING), g(GLYPH_RISING), g(GLYPH_VERTICAL), true},
    .arrow = "→",
    .lim_width = 3,
    .ellipsis = "⋯",
    .infinity = "∞",
    .continued = g(GLYPH_CONTINUED),
    .unicode_symbols = true,
};
