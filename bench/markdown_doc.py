#!/usr/bin/env python3
"""Writes a Markdown document for the benchmark and prints how many formulas
it holds.

    markdown_doc.py prose BYTES FILE   paragraphs of words, no math
    markdown_doc.py math BYTES FILE    lines of notes, each with formulas
"""
import random
import sys

WORDS = ("the of and a to in is that for it as was with be by on not this are or "
         "from at which but have an they you were one all we can their has been if "
         "more when will would who so no").split()
INLINE = [r"x^2", r"\frac{a+b}{c-d}", r"\sqrt{x+1}", r"\sum_{k=1}^n k", r"x_i",
          r"\int_0^1 f(x)\,dx", r"\alpha + \beta", r"e^{i\pi}"]
DISPLAY = [r"\sum_{k=1}^{n} k = \frac{n(n+1)}{2}",
           r"\int_0^\infty e^{-x^2}\,dx = \frac{\sqrt{\pi}}{2}",
           r"\begin{pmatrix} a & b \\ c & d \end{pmatrix}"]


def main():
    kind, size, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    rand = random.Random(1)
    parts, total, formulas = [], 0, 0
    while total < size:
        words = [rand.choice(WORDS) for _ in range(14)]
        if kind == "math":
            for _ in range(2):
                words[rand.randrange(len(words))] = "$" + rand.choice(INLINE) + "$"
            formulas += 2
        line = " ".join(words) + "\n"
        if kind == "math" and rand.random() < 0.1:
            line += "\n$$" + rand.choice(DISPLAY) + "$$\n\n"
            formulas += 1
        elif rand.random() < 0.15:
            line += "\n"
        parts.append(line)
        total += len(line)
    with open(path, "w") as out:
        out.write("".join(parts))
    print(formulas)


if __name__ == "__main__":
    main()
