#!/usr/bin/env bash
# Builds the Debian package with cpack from a release build of its own, and
# checks its control fields, its files, what the packaged vornix prints,
# and that lintian finds no error and no warning in it.
#   package.sh CMAKE CPACK SOURCE TREE VERSION
# TREE is the package's build directory, configured here whatever it held
# before; VERSION is the one the build gives the program. Without dpkg-deb
# or lintian the test is skipped.
set -uo pipefail
cmake=$1 cpack=$2 source=$3 tree=$4 version=$5
for tool in dpkg-deb lintian; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed: the package is not built"
    exit 77
  fi
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

fail() { echo "$*"; exit 1; }

{
  "$cmake" -S "$source" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DVORNIX_SANITIZE=OFF -DVORNIX_FUZZ=OFF &&
    "$cmake" --build "$tree" &&
    "$cpack" --config "$tree/CPackConfig.cmake" -G DEB -B "$out"
} >"$out/log" 2>&1 || fail "building the package failed:"$'\n'"$(cat "$out/log")"
debs=("$out"/vornix_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single vornix_*.deb in:" "$(ls "$out")"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vornix ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), expected $version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
field Depends | grep -Eq '(^|, )libreadline[0-9]+( |,|$)' ||
  fail "Depends does not name the readline library: $(field Depends)"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sort)
expected='./usr/bin/vornix
./usr/share/doc/vornix/changelog.gz
./usr/share/doc/vornix/copyright
./usr/share/man/man1/vornix.1.gz'
[ "$files" = "$expected" ] || fail "the package holds:"$'\n'"$files"

dpkg-deb -x "$deb" "$out/root"
printed=$("$out/root/usr/bin/vornix" --version)
[ "$printed" = "vornix $version" ] || fail "the packaged vornix --version printed: $printed"
# grep reads the whole page: with -q it would stop at the match, and zcat's
# broken pipe would fail the pipeline under pipefail.
zcat "$out/root/usr/share/man/man1/vornix.1.gz" | grep "^\.TH VORNIX 1 .*\"vornix $version\"" >/dev/null ||
  fail "the packaged manual page does not name version $version"

# lintian refuses to run as root unless told that it may.
lintian --allow-root --fail-on error,warning "$deb" >"$out/lintian" 2>&1 ||
  fail "lintian:"$'\n'"$(cat "$out/lintian")"
