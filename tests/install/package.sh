#!/usr/bin/env bash
# Builds the Debian package with cpack and checks its control fields and its
# files: the readline library among the dependencies, vornix and its manual
# page and nothing else.
#   package.sh CPACK BUILD
# Without dpkg-deb the test is skipped.
set -uo pipefail
cpack=$1 build=$2
if ! command -v dpkg-deb >/dev/null; then
  echo "dpkg-deb is not installed: the package is not built"
  exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

fail() { echo "$*"; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/log" 2>&1 ||
  fail "cpack failed:"$'\n'"$(cat "$out/log")"
debs=("$out"/vornix_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single vornix_*.deb in:" "$(ls "$out")"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vornix ] || fail "Package: $(field Package)"
[ "$(field Version)" = 0.3 ] || fail "Version: $(field Version)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
field Depends | grep -Eq '(^|, )libreadline[0-9]+( |,|$)' ||
  fail "Depends does not name the readline library: $(field Depends)"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort)
expected=$'./usr/bin/vornix\n./usr/share/man/man1/vornix.1'
[ "$files" = "$expected" ] || fail "the package holds:"$'\n'"$files"
