#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite; then builds and runs it again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

zelk_install_packages

zelk_build "$ZELK_BUILD"
echo "== Tests"
(cd "$ZELK_BUILD" && ctest -j "$ZELK_JOBS" --output-on-failure)

if [ "${ZELK_SKIP_SANITIZERS:-0}" != 1 ]; then
    zelk_build "$ZELK_BUILD-sanitize" -DZELK_SANITIZE=ON -DZELK_BUILD_BENCHMARKS=OFF
    echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    (cd "$ZELK_BUILD-sanitize" && ctest -j "$ZELK_JOBS" --output-on-failure)
fi

# The Windows x64 build, cross-compiled and smoke-tested under Wine. ZELK_SKIP_WINDOWS=1 skips it.
if [ "${ZELK_SKIP_WINDOWS:-0}" != 1 ]; then
    "$ZELK_ROOT/scripts/windows.sh"
fi
