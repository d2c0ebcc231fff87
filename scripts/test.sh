#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite; then builds and runs it again
# under AddressSanitizer and UndefinedBehaviorSanitizer; runs the tests that use several threads
# at once under ThreadSanitizer; fuzzes every loader for a minute (scripts/fuzz.sh); and last
# cross-builds the Windows x64 plug-in and smoke-tests it under Wine. Ends with one line that
# sums up every run. ZELK_SKIP_SANITIZERS, ZELK_SKIP_TSAN, ZELK_SKIP_FUZZ, ZELK_SKIP_PACKAGES and
# ZELK_SKIP_WINDOWS (set to 1) skip parts.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

zelk_install_packages

passed=0
failed=0
status=0

# run_ctest BUILD-FOLDER [ctest arguments...]: runs ctest there and adds its counts to the totals.
run_ctest() {
    local dir="$1" log="$1/ctest.log" result=0
    shift
    (cd "$dir" && ctest -j "$ZELK_JOBS" --output-on-failure "$@") 2>&1 | tee "$log" || result=$?
    local line total bad
    line="$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)"
    if [ -z "$line" ]; then
        failed=$((failed + 1)); status=1; return
    fi
    total="$(sed -E 's/.* out of ([0-9]+).*/\1/' <<< "$line")"
    bad="$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<< "$line")"
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$result" = 0 ] || status=1
}

zelk_build "$ZELK_BUILD"
echo "== Tests"
run_ctest "$ZELK_BUILD"

if [ "${ZELK_SKIP_SANITIZERS:-0}" != 1 ]; then
    zelk_build "$ZELK_BUILD-sanitize" -DZELK_SANITIZE=ON -DZELK_BUILD_BENCHMARKS=OFF
    echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    run_ctest "$ZELK_BUILD-sanitize"
fi

# ThreadSanitizer, on the tests where the audio thread, the message thread and a host's state
# calls run at once. A suppression in tests/tsan.supp names the framework's race it silences.
if [ "${ZELK_SKIP_TSAN:-0}" != 1 ]; then
    ZELK_TARGETS="zelk_tests" zelk_build "$ZELK_BUILD-tsan" -DZELK_TSAN=ON -DZELK_BUILD_BENCHMARKS=OFF
    echo "== Tests under ThreadSanitizer"
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$ZELK_ROOT/tests/tsan.supp" \
        run_ctest "$ZELK_BUILD-tsan" -R '^(Concurrency|HostedInstrument)'
fi

# Every loader fuzzed briefly; scripts/fuzz.sh ends with its own "fuzz: N passed, M failed".
if [ "${ZELK_SKIP_FUZZ:-0}" != 1 ]; then
    fuzz_log="$ZELK_BUILD/fuzz.log"
    fuzz_result=0
    mkdir -p "$ZELK_BUILD"
    ZELK_FUZZ_SECONDS="${ZELK_FUZZ_SECONDS:-60}" "$ZELK_ROOT/scripts/fuzz.sh" 2>&1 | tee "$fuzz_log" || fuzz_result=$?
    line="$(grep -E '^fuzz: [0-9]+ passed, [0-9]+ failed$' "$fuzz_log" | tail -n 1 || true)"
    if [ -n "$line" ]; then
        read -r _ fuzz_passed _ fuzz_failed _ <<< "$line"
        passed=$((passed + fuzz_passed))
        failed=$((failed + fuzz_failed))
    else
        failed=$((failed + 1))
    fi
    [ "$fuzz_result" = 0 ] || status=1
fi

# The Debian package, built (lintian checks it) and installed, used and removed with apt-get;
# tests/install/debian-package.sh ends with its own "debian-package: N passed, M failed".
if [ "${ZELK_SKIP_PACKAGES:-0}" != 1 ]; then
    package_log="$ZELK_BUILD/debian-package.log"
    package_result=0
    mkdir -p "$ZELK_BUILD/install"
    { "$ZELK_ROOT/scripts/package.sh" debian \
        && "$ZELK_ROOT/tests/install/debian-package.sh" "${ZELK_DIST:-$ZELK_ROOT/dist}/zelk_${ZELK_VERSION}_amd64.deb" "$ZELK_BUILD/install"; } \
        2>&1 | tee "$package_log" || package_result=$?
    line="$(grep -E '^debian-package: [0-9]+ passed, [0-9]+ failed$' "$package_log" | tail -n 1 || true)"
    if [ -n "$line" ]; then
        read -r _ package_passed _ package_failed _ <<< "$line"
        passed=$((passed + package_passed))
        failed=$((failed + package_failed))
    else
        failed=$((failed + 1))
    fi
    [ "$package_result" = 0 ] || status=1
fi

# The Windows x64 build, cross-compiled and smoke-tested under Wine, and its installer installed
# there. ZELK_SKIP_WINDOWS=1 skips it.
if [ "${ZELK_SKIP_WINDOWS:-0}" != 1 ]; then
    windows_log="$ZELK_BUILD/windows.log"
    windows_result=0
    "$ZELK_ROOT/scripts/windows.sh" 2>&1 | tee "$windows_log" || windows_result=$?
    line="$(grep -E '^windows: [0-9]+ passed, [0-9]+ failed$' "$windows_log" | tail -n 1 || true)"
    if [ -n "$line" ]; then
        read -r _ windows_passed _ windows_failed _ <<< "$line"
        passed=$((passed + windows_passed))
        failed=$((failed + windows_failed))
    else
        failed=$((failed + 1))
    fi
    [ "$windows_result" = 0 ] || status=1
fi

echo "all: $passed passed, $failed failed"
[ "$status" = 0 ] && [ "$failed" = 0 ]
