#!/usr/bin/env python3
"""Checks that the examples of the README and of the manual page show what
vornix really prints.

  examples.py markdown VORNIX README.md
  examples.py man VORNIX vornix.1

An example is a command line "$ COMMAND" followed by exactly what it prints
on standard output. The command runs in sh with the directory of VORNIX
first on the PATH, so that "vornix" in it is the program under test.

In the README, a fenced block whose first line starts with "$ " holds
examples and nothing else; the output is compared byte for byte. A block
right after a block of C, C++ or Python source shows that program's run:
library.py checks those. The
manual page is read as man renders it: an example's output is the lines
indented like its command, up to the next command or the first line
indented less; blanks at line ends do not count. The page must also render
without warnings and fit 80 columns. Without man the check is skipped.
"""
import difflib
import os
import re
import shutil
import subprocess
import sys

SKIP = 77


def run(vornix, command):
    env = dict(os.environ)
    env["PATH"] = os.path.dirname(os.path.abspath(vornix)) + os.pathsep + env["PATH"]
    result = subprocess.run(["sh", "-c", command], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=60)
    return result.stdout.decode("utf-8", "backslashreplace")


def markdown_examples(text):
    """(line number, command, output lines) for each example of the file."""
    examples = []
    lines = text.split("\n")
    source_block_ends = -2  # the line after the last source block's fence
    i = 0
    while i < len(lines):
        if not lines[i].startswith("```"):
            i += 1
            continue
        end = i + 1
        while end < len(lines) and not lines[end].startswith("```"):
            end += 1
        block = lines[i + 1:end]
        after_source = source_block_ends == i - 1
        if lines[i] in ("```c", "```cpp", "```python"):
            source_block_ends = end + 1
        if block and block[0].startswith("$ ") and not after_source:
            for k, line in enumerate(block):
                if line.startswith("$ "):
                    examples.append((i + 2 + k, line[2:], []))
                else:
                    examples[-1][2].append(line)
        i = end + 1
    return examples


def man_examples(rendered):
    examples = []
    lines = [line.rstrip() for line in rendered.split("\n")]
    for i, line in enumerate(lines):
        match = re.match(r"( *)\$ (.*)", line)
        if not match:
            continue
        indent = len(match.group(1))
        output = []
        for line in lines[i + 1:]:
            if line and (len(line) - len(line.lstrip(" ")) < indent
                         or line[indent:].startswith("$ ")):
                break
            output.append(line[indent:])
        while output and not output[-1]:
            output.pop()
        examples.append((i + 1, match.group(2), output))
    return examples


def render_man(page):
    """The page as man shows it, after checking that it renders cleanly."""
    problems = []
    env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8")
    env.pop("MAN_KEEP_FORMATTING", None)
    man = subprocess.run(["man", "-l", page], env=env, capture_output=True,
                         text=True)
    if man.returncode != 0 or man.stderr:
        problems.append(f"man -l exited with {man.returncode}: {man.stderr}")
    if shutil.which("groff"):
        groff = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-z", page],
                               capture_output=True, text=True)
        if groff.stderr:
            problems.append("groff warns:\n" + groff.stderr)
    for number, line in enumerate(man.stdout.split("\n"), 1):
        if len(line) > 80:
            problems.append(f"rendered line {number} is wider than 80 columns: {line}")
    return man.stdout, problems


def main():
    mode, vornix, path = sys.argv[1:4]
    if mode == "markdown":
        with open(path, encoding="utf-8") as f:
            examples = markdown_examples(f.read())
        problems = []
    else:
        if not shutil.which("man"):
            print("man is not installed: the manual page is not checked")
            return SKIP
        rendered, problems = render_man(path)
        examples = man_examples(rendered)

    if not examples:
        problems.append(f"no example found in {path}")
    for line, command, shown in examples:
        printed = run(vornix, command).split("\n")
        if printed[-1] == "":
            printed.pop()
        if mode == "man":
            printed = [row.rstrip() for row in printed]
            while printed and not printed[-1]:
                printed.pop()
        if printed != shown:
            diff = difflib.unified_diff(shown, printed, "shown", "printed",
                                        lineterm="")
            where = f"line {line}" if mode == "markdown" else f"rendered line {line}"
            problems.append(f"{path}, {where}: $ {command}\n" + "\n".join(diff))

    for problem in problems:
        print(problem)
    print(f"{len(examples)} examples checked in {os.path.basename(path)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
