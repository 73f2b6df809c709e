#!/usr/bin/env bash
# Installs a build into a fresh prefix, runs the installed vornix and
# renders the installed manual page.
#   install.sh CMAKE BUILD VERSION
# VERSION is the one the build gives the program.
# Without man the manual page is not rendered and the test is skipped.
set -uo pipefail
cmake=$1 build=$2 version=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

fail() { echo "$*"; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
# The package's own files (the compressed page, copyright, changelog) are
# not among them. The library's files (lib/, include/) are checked by
# library.py.
installed=$(cd "$prefix" && find . -type f -not -path './lib/*' -not -path './include/*' | sort)
for file in include/vornix.h include/vornix.hpp lib/libvornix.a lib/pkgconfig/vornix.pc; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
expected='./bin/vornix
./share/doc/vornix/LICENSE
./share/man/man1/vornix.1'
[ "$installed" = "$expected" ] || fail "installed:"$'\n'"$installed"

printed=$("$prefix/bin/vornix" 'x^2/2')
expected=$'\n 2\nx\n--\n 2'
[ "$printed" = "$expected" ] || fail "installed vornix printed:"$'\n'"$printed"
printed=$("$prefix/bin/vornix" --version)
[ "$printed" = "vornix $version" ] || fail "installed vornix --version printed: $printed"

if ! command -v man >/dev/null; then
  echo "man is not installed: the installed manual page is not rendered"
  exit 77
fi
page=$(MANWIDTH=80 man -l "$prefix/share/man/man1/vornix.1" 2>&1 >/dev/null)
[ -z "$page" ] || fail "man -l warns: $page"
# Not grep -q: stopping at the match would break man's pipe and, under
# pipefail, fail the pipeline.
MANWIDTH=80 man -l "$prefix/share/man/man1/vornix.1" | grep '^NAME' >/dev/null ||
  fail "the installed manual page has no NAME section"
