#!/usr/bin/env python3
"""Builds programs against the installed library, as its users do, and
checks what they print.

  library.py CMAKE BUILD README HEADER

The build is installed into a fresh prefix. Then:
- every C, C++ and Python example of the README (a fenced source block
  followed by a block "$ COMMAND" and its output) is written to example.c,
  example.cc or example.py, its command run in sh with pkg-config, the
  loader and Python pointed at the prefix, and the output compared;
- the example in the header's opening comment is compiled and run;
- a CMake project finds the package with find_package(vornix) and links
  vornix::vornix.
"""
import os
import re
import subprocess
import sys
import tempfile

failures = []


def fail(what, detail):
    failures.append(f"{what}: {detail}")


def readme_examples(text):
    """(language, source, command, expected output) for each example."""
    blocks = re.findall(r"```(c|cpp|python)\n(.*?)```\n\n```\n\$ (.*?)\n(.*?)```", text, re.S)
    return [(lang, source, command, output) for lang, source, command, output in blocks]


def run(command, cwd, env):
    return subprocess.run(["sh", "-c", command], cwd=cwd, env=env, capture_output=True,
                          text=True, timeout=300)


def main():
    cmake, build, readme, header = sys.argv[1:5]
    with tempfile.TemporaryDirectory() as work:
        prefix = os.path.join(work, "prefix")
        result = subprocess.run([cmake, "--install", build, "--prefix", prefix],
                                capture_output=True, text=True)
        if result.returncode != 0:
            print("cmake --install failed:", result.stderr)
            return 1
        libdir = os.path.join(prefix, "lib")
        env = dict(os.environ)
        env["PKG_CONFIG_PATH"] = os.path.join(libdir, "pkgconfig")
        env["LD_LIBRARY_PATH"] = libdir
        env["PYTHONPATH"] = os.path.join(libdir, "python3", "dist-packages")

        examples = readme_examples(open(readme, encoding="utf-8").read())
        if {lang for lang, *_ in examples} != {"c", "cpp", "python"}:
            fail("README", f"expected a C, a C++ and a Python example, found {len(examples)}")
        names = {"c": "example.c", "cpp": "example.cc", "python": "example.py"}
        for lang, source, command, expected in examples:
            where = os.path.join(work, lang)
            os.mkdir(where)
            with open(os.path.join(where, names[lang]), "w", encoding="utf-8") as f:
                f.write(source)
            result = run(command, where, env)
            if result.stdout != expected:
                fail(f"README {lang} example", f"printed {result.stdout!r}, expected "
                     f"{expected!r}; standard error: {result.stderr[-2000:]}")

        # The header's example, between its #include lines and the closing
        # brace, with the comment's "* " taken off.
        text = open(header, encoding="utf-8").read()
        match = re.search(r"^ \*   (#include <stdio.h>\n.*?^ \*   }\n)", text, re.S | re.M)
        if match is None:
            fail("vornix.h", "no example in the opening comment")
        else:
            source = re.sub(r"^ \*(?:   )?", "", match.group(1), flags=re.M)
            where = os.path.join(work, "header")
            os.mkdir(where)
            with open(os.path.join(where, "example.c"), "w") as f:
                f.write(source)
            result = run("cc -Wall -Werror example.c $(pkg-config --cflags --libs vornix) "
                         "&& ./a.out", where, env)
            if result.returncode != 0 or result.stdout != " 2\nx\n--\n 2\n":
                fail("the header's example", f"status {result.returncode}, printed "
                     f"{result.stdout!r}; standard error: {result.stderr[-2000:]}")

        # The CMake package, and the static library through it.
        where = os.path.join(work, "cmake")
        os.mkdir(where)
        with open(os.path.join(where, "CMakeLists.txt"), "w") as f:
            f.write("cmake_minimum_required(VERSION 3.20)\n"
                    "project(user CXX)\n"
                    "find_package(vornix REQUIRED)\n"
                    "add_executable(shared main.cc)\n"
                    "target_link_libraries(shared vornix::vornix)\n"
                    "add_executable(static main.cc)\n"
                    "target_link_libraries(static vornix::vornix_static)\n")
        with open(os.path.join(where, "main.cc"), "w") as f:
            f.write('#include <vornix.hpp>\n#include <iostream>\n'
                    'int main() { std::cout << vornix::Session().draw("1/x").text; }\n')
        result = run(f"{cmake} -S . -B b -DCMAKE_PREFIX_PATH={prefix} >/dev/null && "
                     f"{cmake} --build b >/dev/null && b/shared && b/static", where, env)
        if result.stdout != "1\n-\nx\n" * 2:
            fail("find_package(vornix)", f"printed {result.stdout!r}; {result.stderr[-2000:]}")

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
