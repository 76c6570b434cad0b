#!/bin/sh
# Rewrites the golden files of the report tests (tests/data/report/*.txt)
# from the current code. Run it only when a change of the listing layout is
# intended, then review the differences line by line before committing them.
#   tests/report/regen_golden.sh [build-dir]
set -e
build=${1:-build}
TALVEK_REGEN_GOLDEN=1 "$build/test_report" --gtest_filter='*Golden*'
# The reference records of the layouts come from gfortran:
#   gfortran tests/data/report/oracle.f90 -o /tmp/oracle && /tmp/oracle > tests/data/report/oracle_lines.txt
