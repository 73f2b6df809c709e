#!/usr/bin/env bash
# Runs vornix over a file of statements, one per line, and compares what it
# prints byte for byte with the expected output.
#   golden.sh VORNIX CASES.vx EXPECTED.out [OPTION...]
# With VORNIX_UPDATE_GOLDEN=1 the expected file is rewritten instead; read
# the new drawings before committing them.
set -uo pipefail
vornix=$1 cases=$2 expected=$3
shift 3
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT

"$vornix" "$@" <"$cases" >"$actual"
status=$?
if [ "${VORNIX_UPDATE_GOLDEN:-}" = 1 ]; then
  cp "$actual" "$expected"
  exit 0
fi
if [ $status -ne 0 ]; then
  echo "vornix exited with status $status"
  exit 1
fi
if cmp -s "$actual" "$expected"; then
  exit 0
fi
# Name the first differing line, showing line ends and blanks.
line=$(cmp "$actual" "$expected" | sed -n 's/.* line \([0-9]*\).*/\1/p')
echo "first difference at line ${line:-?} of $(basename "$expected"):"
diff -u "$expected" "$actual" | sed 's/$/$/' | head -40
exit 1
