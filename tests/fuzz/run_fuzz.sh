#!/usr/bin/env bash
# Runs one fuzz target for a given time on one core, then minimises what it
# found into tests/fuzz/findings/TARGET/.
#
#   tests/fuzz/run_fuzz.sh fuzz_deck|fuzz_restart SECONDS [BUILD_DIR]
#
# BUILD_DIR (default build-fuzz) is a build configured with
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DTALVEK_FUZZ=ON
# The working corpus grows in BUILD_DIR/fuzz-TARGET/corpus, seeded from
# tests/fuzz/corpus/; crashes, time-outs and memory overruns are written to
# BUILD_DIR/fuzz-TARGET/artifacts and each is minimised into
# tests/fuzz/findings/ (a name starting with crash-, timeout-, oom- or
# leak-). The log is BUILD_DIR/fuzz-TARGET/fuzz.log (or $FUZZ_LOG). Bounds of one input:
# 10 s (-timeout) and 2048 MB (-rss_limit_mb).
set -euo pipefail

target=${1:?usage: run_fuzz.sh fuzz_deck|fuzz_restart SECONDS [BUILD_DIR]}
seconds=${2:?usage: run_fuzz.sh fuzz_deck|fuzz_restart SECONDS [BUILD_DIR]}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${3:-$root/build-fuzz}" && pwd)

case $target in
  fuzz_deck) kind=deck; extra=(-dict="$here/deck.dict" -max_len=16384) ;;
  fuzz_restart) kind=restart; extra=(-max_len=262144) ;;
  *) echo "run_fuzz.sh: unknown target '$target' (fuzz_deck or fuzz_restart)" >&2; exit 2 ;;
esac
exe=$build/$target
[ -x "$exe" ] || { echo "run_fuzz.sh: $exe is missing: cmake --build $build --target $target" >&2; exit 2; }

work=$build/fuzz-$target
log=${FUZZ_LOG:-$work/fuzz.log}
mkdir -p "$work/corpus" "$work/artifacts" "$here/findings/$kind"
bounds=(-timeout=10 -rss_limit_mb=2048 -close_fd_mask=1)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
# The scratch folders of the fuzzer's processes (one each, made by the fuzz
# entry) go into a folder of this run, removed at its end: a child process
# that the fuzzer ends (a crash, a time-out) leaves its own behind.
export TMPDIR=$work/tmp
rm -rf "$TMPDIR" && mkdir -p "$TMPDIR"
trap 'rm -rf "$TMPDIR"' EXIT
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

# One core: a single process, at the lowest priority. Fork mode with one
# job goes on after a crash or a time-out, so that one finding does not end
# the run; each is kept in the artifacts folder.
nice -n 19 "$exe" "${bounds[@]}" "${extra[@]}" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
  -max_total_time="$seconds" -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
  "$work/corpus" "$here/corpus/$kind" 2>&1 | tee "$log" | grep -E '#[0-9]+.*(INITED|DONE|cov:)|ERROR|crash|timeout|oom' | tail -n 20 || true

# Each finding minimised (the smallest input that still fails) into findings/.
for a in "$work"/artifacts/crash-* "$work"/artifacts/timeout-* "$work"/artifacts/oom-* "$work"/artifacts/leak-*; do
  [ -e "$a" ] || continue
  out=$here/findings/$kind/$(basename "$a")
  [ -e "$out" ] && continue
  nice -n 19 "$exe" "${bounds[@]}" -minimize_crash=1 -max_total_time=60 -exact_artifact_path="$out" "$a" \
    > "$work/minimise.log" 2>&1 || true
  [ -e "$out" ] || cp "$a" "$out"
  echo "finding: $out"
done
