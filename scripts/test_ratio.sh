#!/usr/bin/env bash
# Counts the non-blank lines of the tests against those of the code (the
# layers, the stand-ins, the test support library, the benchmarks and the fuzz
# targets) and prints both counts and their ratio. Counted: C and C++ sources
# and headers and CMakeLists.txt files that git tracks.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
  git ls-files -- "$@" | grep -E '(\.(c|cc|cpp|h|hpp)|CMakeLists\.txt)$' |
    while IFS= read -r f; do [ -f "$f" ] && cat "$f"; done | grep -cv '^[[:space:]]*$' || true
}

tests=$(count tests)
code=$(count src standins testsupport bench fuzz)
echo "tests: $tests non-blank lines"
echo "code:  $code non-blank lines (src, standins, testsupport, bench, fuzz)"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio: %.3f\n", t / c }'
