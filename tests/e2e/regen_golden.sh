#!/bin/sh
# Rewrites the golden files of the whole-program tests
# (tests/data/e2e/golden/<deck>/*.golden) from the present output of talvek.
# Run it only when a change of the listing or of the listing files is
# intended, then review the differences line by line before committing them.
#   tests/e2e/regen_golden.sh <build-dir>
set -e
if [ $# -ne 1 ]; then
  echo "usage: $0 <build-dir>" >&2
  exit 2
fi
build=$1
cmake --build "$build" --target talvek test_e2e
TALVEK_REGEN_GOLDEN=1 "$build/test_e2e" --gtest_filter='Decks/Golden.*'
"$build/test_e2e" --gtest_filter='Decks/Golden.*:GoldenHelpers.*'
