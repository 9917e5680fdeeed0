#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each, one after another:
#   bash scripts/run_fuzz.sh SECONDS [BUILD_DIR] [--fresh]
# A target starts from a scratch copy of its seed corpus fuzz/corpus/<target>/
# in BUILD_DIR/corpus/<target>/, where it also keeps what it finds; --fresh
# empties that copy first. The tree's corpus is only read. Crash, timeout and
# leak inputs land in BUILD_DIR/crashes/<target>/, each run's output in
# BUILD_DIR/logs/<target>.log. Exits non-zero when any target failed.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: run_fuzz.sh SECONDS [BUILD_DIR] [--fresh]}
build=${2:-build-fuzz}
fresh=${3:-}

# Sanitizer reports with file names and lines.
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

passed=0
failed=0
for seeds in fuzz/corpus/*/; do
    name=$(basename "$seeds")
    target=$build/fuzz/fuzz_$name
    corpus=$build/corpus/$name
    crashes=$build/crashes/$name
    log=$build/logs/$name.log
    if [ ! -x "$target" ]; then
        echo "fuzz_$name: not built ($target)" >&2
        failed=$((failed + 1))
        continue
    fi
    [ "$fresh" = --fresh ] && rm -rf "$corpus"
    mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
    cp -rp "$seeds." "$corpus/"
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
             -artifact_prefix="$crashes/" -print_final_stats=1)
    [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
    start=$SECONDS
    if "$target" "${options[@]}" "$corpus" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz_$name: ${runs:-?} runs in $((SECONDS - start)) s, no failure"
        passed=$((passed + 1))
    else
        echo "fuzz_$name: FAILED; the input is in $crashes/, the output in $log:" >&2
        grep -E -m 5 'check failed|ERROR|runtime error|threw|Test unit written' "$log" >&2
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
