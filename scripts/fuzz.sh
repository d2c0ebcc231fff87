#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (coverage-instrumented, under AddressSanitizer and
# UBSan) in build-fuzz/ and runs each for a bounded time, printing its executions, coverage and
# findings. Ends with "fuzz: N passed, M failed"; a target passes when it found nothing.
#
#   scripts/fuzz.sh [TARGET...]        every target (or those named) for a minute each
#   ZELK_FUZZ_SECONDS=14400 scripts/fuzz.sh state-xml     four hours on one target
#   ZELK_FUZZ_JOBS=2                   that many fuzzing processes per target (libFuzzer's fork mode)
#
# Targets: state-block state-xml hosted-instrument midi-import capture-stream pattern-loader. Each keeps the
# corpus it grows in build-fuzz/corpus/TARGET, so later runs start where earlier ones stopped;
# the seeds in tests/fuzz/corpus/TARGET are read every time. An input that fails is written to
# build-fuzz/findings/TARGET/: copy it into tests/fuzz/regressions/TARGET/, where the test suite
# replays it, and fix what it found.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

zelk_install_packages

targets=(state-block state-xml hosted-instrument midi-import capture-stream pattern-loader)
[ $# -eq 0 ] || targets=("$@")
dir="${ZELK_FUZZ_BUILD:-$ZELK_BUILD-fuzz}"
seconds="${ZELK_FUZZ_SECONDS:-60}"
jobs="${ZELK_FUZZ_JOBS:-1}"
fuzz_dir="$ZELK_ROOT/tests/fuzz"

echo "== Building the fuzz targets in $dir"
mkdir -p "$dir"
cmake -S "$ZELK_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DZELK_FUZZ=ON -DZELK_BUILD_TESTS=OFF -DZELK_BUILD_BENCHMARKS=OFF > "$dir/configure.log" 2>&1 \
    || { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" -j "$ZELK_JOBS" --target zelk_fuzz

cat "$fuzz_dir/dictionaries/state.dict" "$fuzz_dir/dictionaries/midi.dict" > "$dir/pattern-loader.dict"

# Leaks count as findings; a failed check aborts, and so does any sanitizer report.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

passed=0
failed=0

# last_number PATTERN LOG: the number after the last match of PATTERN, or 0.
last_number() {
    grep -oE "$1 *[0-9]+" "$2" | tail -n 1 | grep -oE '[0-9]+$' || echo 0
}

for target in "${targets[@]}"; do
    binary="$dir/tests/fuzz/fuzz_${target//-/_}"
    if [ ! -x "$binary" ]; then
        echo "fuzz: no target named $target"
        failed=$((failed + 1))
        continue
    fi

    case "$target" in
        midi-import) dict="$fuzz_dir/dictionaries/midi.dict" ;;
        capture-stream) dict="$fuzz_dir/dictionaries/capture.dict" ;;
        pattern-loader) dict="$dir/pattern-loader.dict" ;;
        *) dict="$fuzz_dir/dictionaries/state.dict" ;;
    esac

    corpus="$dir/corpus/$target"
    findings="$dir/findings/$target"
    log="$dir/fuzz-$target.log"
    rm -rf "$findings"
    mkdir -p "$corpus" "$findings"

    parallel=()
    [ "$jobs" -le 1 ] || parallel=(-fork="$jobs")
    [ "$jobs" -le 1 ] || export ZELK_FUZZ_OWN_TMPDIR=1

    echo "== Fuzzing $target for $seconds s"
    result=0
    "$binary" "$corpus" "$fuzz_dir/corpus/$target" -dict="$dict" -max_total_time="$seconds" \
        -max_len=8192 -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$findings/" "${parallel[@]}" > "$log" 2>&1 || result=$?

    runs="$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$log" | grep -oE '[0-9]+$' || true)"
    [ -n "$runs" ] || runs="$(grep -oE '^#[0-9]+' "$log" | tail -n 1 | tr -d '#' || true)"
    rate="$(grep -oE 'stat::average_exec_per_sec: [0-9]+' "$log" | grep -oE '[0-9]+$' || true)"
    [ -n "$rate" ] || rate="$(last_number 'exec/s:?' "$log")"
    coverage="$(last_number 'cov:' "$log")"
    features="$(last_number 'ft:' "$log")"
    inputs="$(find "$corpus" -type f | wc -l)"
    found="$(find "$findings" -type f ! -name 'slow-unit-*' | wc -l)"

    summary="${runs:-0} runs at ${rate:-0}/s, coverage $coverage edges and $features features, corpus $inputs inputs"

    if [ "$result" = 0 ] && [ "$found" = 0 ]; then
        echo "$target: $summary; nothing found"
        passed=$((passed + 1))
    else
        echo "$target: $summary; FOUND (exit $result), see $log"
        grep -E "^$target: |ERROR: |SUMMARY: " "$log" | head -n 5 | sed 's/^/    /'
        find "$findings" -type f ! -name 'slow-unit-*' | sed 's/^/    input: /'
        failed=$((failed + 1))
    fi
done

echo "fuzz: $passed passed, $failed failed"
[ "$failed" = 0 ]
