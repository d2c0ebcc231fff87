#!/usr/bin/env bash
# The Windows x64 build: cross-compiles the VST 3, the zelk tool and the tests whose outcome may
# differ on Windows with MinGW-w64, then under Wine runs zelk smoke on the Windows bundle, the
# tests (the engine's bit-exact session, the hosted instrument, its window and the single-file
# Vital module), and zelk host-editor, which opens the bundle's editor in a real window on an Xvfb
# server; last it makes the installer (scripts/package.sh) and installs it under Wine
# (tests/install/windows-installer.sh). Installs what is missing; runnable alone, and
# scripts/test.sh runs it after the Linux tests. With --build-only it stops after the build, which
# then also holds the Standalone application and the icon (for scripts/package.sh).
#
#   ZELK_WINDOWS_BUILD  build folder (default: build-windows beside the Linux one)
#   ZELK_CACHE          where the cross-built libjpeg and libpng are kept (default: ~/.cache/zelk)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ZELK_ROOT/scripts/image-libraries.sh"
shopt -s inherit_errexit

ZELK_WINDOWS_BUILD="${ZELK_WINDOWS_BUILD:-$ZELK_BUILD-windows}"
TOOLCHAIN="$ZELK_ROOT/cmake/MinGW-w64-x86_64.cmake"
WINE=/usr/lib/wine/wine64
WITH_XVFB="$ZELK_ROOT/tests/real_windows/with-xvfb.sh"

# libpng-dev and libjpeg-dev are here for their versions: the Windows copies follow them.
ZELK_WINDOWS_PACKAGES=(
    cmake ninja-build ccache dpkg-dev juce-modules-source libpng-dev libjpeg-dev googletest
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 xvfb
    # The installer: its icon is made from the logo.
    nsis imagemagick
)

build_only=0
if [ "${1:-}" = --build-only ]; then
    build_only=1
fi

started=$SECONDS
passed=0
failed=0

check() {
    local ok="$1" what="$2"
    if [ "$ok" = 1 ]; then
        echo "ok    $what"
        passed=$((passed + 1))
    else
        echo "FAIL  $what"
        failed=$((failed + 1))
    fi
}

# Sets `googletest` to the folder of a static Windows Google Test, cross-built once per version of
# Debian's sources in /usr/src/googletest and of the compiler.
mingw_googletest() {
    local key
    key="mingw$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)-gtest$(dpkg-query -W -f='${Version}' googletest)"
    googletest="$ZELK_CACHE/mingw-googletest/${key//[:~]/_}"
    [ ! -f "$googletest/lib/libgtest.a" ] || return 0

    echo "== Cross-building Google Test for Windows into $googletest"
    mkdir -p "$ZELK_CACHE/mingw-googletest"
    local work
    work="$(mktemp -d "$ZELK_CACHE/mingw-googletest/.work.XXXXXX")"
    { cmake -S /usr/src/googletest -B "$work/build" -G Ninja --toolchain "$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$work/prefix" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON \
        && cmake --build "$work/build" -j "$ZELK_JOBS" && cmake --install "$work/build"; } > "$work/gtest.log" 2>&1 \
        || { tail -40 "$work/gtest.log"; rm -rf "$work"; return 1; }
    mv -T "$work/prefix" "$googletest" 2>/dev/null || true
    rm -rf "$work"
    [ -f "$googletest/lib/libgtest.a" ]
}

build_windows() {
    local prefix="$1" gtest="$2" dir="$ZELK_WINDOWS_BUILD"
    local juce_dir
    juce_dir="$(dirname "$(dpkg -L juce-modules-source | grep '/JUCEConfig.cmake$' | head -1)")"
    mkdir -p "$dir"

    # Found libraries are cached by path: a new prefix means finding them again.
    if [ -f "$dir/CMakeCache.txt" ] \
        && [ "$(sed -n 's/^ZELK_MINGW_PREFIX:[A-Z]*=//p' "$dir/CMakeCache.txt")" != "$prefix" ]; then
        rm -f "$dir/CMakeCache.txt"
    fi

    echo "== Cross-building the Windows VST 3, the Standalone, zelk.exe and zelk_tests.exe in $dir"
    cmake -S "$ZELK_ROOT" -B "$dir" -G Ninja --toolchain "$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DJUCE_DIR="$juce_dir" -DZELK_MINGW_PREFIX="$prefix" -DGTest_DIR="$gtest/lib/cmake/GTest" \
        -DZELK_BUILD_TESTS=ON -DZELK_BUILD_BENCHMARKS=OFF > "$dir/configure.log" 2>&1 \
        || { cat "$dir/configure.log"; return 1; }
    local targets=(Zelk_VST3 Zelk_Standalone zelk zelk_icons)
    [ "$build_only" = 1 ] || targets+=(zelk_tests)
    # JUCE's own sources warn a lot under GCC; the log keeps them.
    cmake --build "$dir" -j "$ZELK_JOBS" --target "${targets[@]}" > "$dir/build.log" 2>&1 \
        || { grep -E -B2 -A8 'error|FAILED' "$dir/build.log" | tail -80; return 1; }
}

windows_path() {
    local path="$1"
    echo "Z:${path//\//\\}"
}

# run_under_wine [--display] OUTPUT PROGRAM.exe ARGS...: runs a Windows program in a fresh, private
# Wine prefix, on an Xvfb server of its own with --display, else without a display. Every Wine
# process of the prefix is ended afterwards. The Windows temporary folder's "Tamsel-Vital-" folders
# left behind are listed in OUTPUT.leftovers.
run_under_wine() {
    local display=0
    if [ "$1" = --display ]; then
        display=1
        shift
    fi
    local output="$1"
    shift
    local prefix status=0
    prefix="$(mktemp -d "${TMPDIR:-/tmp}/zelk-wine.XXXXXX")"
    # Without .NET, the HTML engine and the menu builder, which would add entries to the desktop's menus.
    local environment=(env -u WAYLAND_DISPLAY WINEPREFIX="$prefix" WINEDEBUG=-all
        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=")
    if [ "$display" = 1 ]; then
        "$WITH_XVFB" --timeout 600 "${environment[@]}" "$WINE" "$@" > "$output" 2> "$output.stderr" || status=$?
    else
        env -u DISPLAY "${environment[@]}" timeout 600 "$WINE" "$@" > "$output" 2> "$output.stderr" || status=$?
    fi
    WINEPREFIX="$prefix" "$(dirname "$WINE")/wineserver" -k 2>/dev/null || true
    WINEPREFIX="$prefix" "$(dirname "$WINE")/wineserver" -w 2>/dev/null || true
    find "$prefix/drive_c" -maxdepth 6 -type d -name 'Tamsel-Vital-*' 2>/dev/null > "$output.leftovers" || true
    rm -rf "$prefix"
    sed -i 's/\r$//' "$output" "$output.stderr"
    return $status
}

# add_summary FILE NAME: adds the counts of the line "NAME: N passed, M failed" in FILE.
add_summary() {
    local summary
    summary="$(grep -E "^$2: [0-9]+ passed, [0-9]+ failed$" "$1" | tail -n 1 || true)"
    [ -n "$summary" ] || return 1
    read -r _ part_passed _ part_failed _ <<< "$summary"
    passed=$((passed + part_passed))
    failed=$((failed + part_failed))
}

zelk_install_packages "${ZELK_WINDOWS_PACKAGES[@]}"

step=$SECONDS
static_image_libraries mingw
echo "== Windows libjpeg and libpng: $(paste -sd ' ' "$libraries/VERSIONS") ($((SECONDS - step)) s)"

step=$SECONDS
mingw_googletest
echo "== Windows Google Test: $googletest ($((SECONDS - step)) s)"

step=$SECONDS
build_windows "$libraries" "$googletest"
echo "== Built in $((SECONDS - step)) s"
[ "$build_only" = 0 ] || exit 0

bundle="$ZELK_WINDOWS_BUILD/Zelk_artefacts/Release/VST3/Zelk.vst3"
module="$bundle/Contents/x86_64-win/Zelk.vst3"

echo "== The Windows bundle"
check "$([ -f "$module" ] && echo 1)" "the bundle holds Contents/x86_64-win/Zelk.vst3"
imports="$(x86_64-w64-mingw32-objdump -p "$module" | awk '/DLL Name:/ { print $3 }' | paste -sd ' ')"
# MinGW's runtimes and the image libraries would be DLLs named like these.
foreign="$(tr ' ' '\n' <<< "$imports" | grep -Ei '^(lib|zlib|.*gcc|.*stdc|.*pthread).*\.dll$' | paste -sd ' ' || true)"
check "$([ -n "$imports" ] && [ -z "$foreign" ] && echo 1)" \
    "the module needs only Windows' own DLLs${foreign:+, not $foreign} ($imports)"

echo "== zelk smoke under Wine"
step=$SECONDS
output="$ZELK_WINDOWS_BUILD/smoke.log"
smoke_status=0
run_under_wine "$output" "$ZELK_WINDOWS_BUILD/tools/zelk.exe" smoke "$(windows_path "$bundle")" || smoke_status=$?
cat "$output"
[ "$smoke_status" = 0 ] || { echo "-- Wine's errors (exit $smoke_status):"; tail -20 "$output.stderr"; }
echo "== Ran in $((SECONDS - step)) s"

summary=0
add_summary "$output" smoke && summary=1
check "$([ "$summary" = 1 ] && [ "$smoke_status" = 0 ] && echo 1)" "zelk smoke ran to the end and passed"

# The platform layer's Windows side, as the Windows build sees it.
vst3_folder="$(sed -n 's/^vst3 folder: //p' "$output")"
check "$([ "$vst3_folder" = 'C:\Program Files\Common Files\VST3' ] && echo 1)" "default VST 3 folder \"$vst3_folder\""
for folder in documents temporary; do
    path="$(sed -n "s/^$folder folder: //p" "$output")"
    check "$(grep -qE '^[A-Za-z]:\\' <<< "$path" && echo 1)" "$folder folder \"$path\" is a Windows path"
done

echo "== The tests under Wine, on an Xvfb server"
step=$SECONDS
if [ -x "$(command -v Xvfb)" ]; then
    output="$ZELK_WINDOWS_BUILD/tests.log"
    tests_status=0
    run_under_wine --display "$output" "$ZELK_WINDOWS_BUILD/tests/zelk_tests.exe" || tests_status=$?
    grep -E '^\[ +(OK|FAILED|SKIPPED) +\]|^\[  (PASSED|FAILED|SKIPPED)  \]' "$output" || true
    [ "$tests_status" = 0 ] || { echo "-- the failures:"; grep -B30 -E '^\[  FAILED  \] [A-Za-z]' "$output" | head -120; tail -20 "$output.stderr"; }
    tests_passed="$(grep -cE '^\[       OK \]' "$output" || true)"
    tests_failed="$(grep -cE '^\[  FAILED  \] [A-Za-z].*\(' "$output" || true)"
    tests_skipped="$(grep -cE '^\[  SKIPPED \] [A-Za-z]' "$output" || true)"
    passed=$((passed + tests_passed))
    failed=$((failed + tests_failed + tests_skipped))
    check "$(grep -qE '^\[  PASSED  \] [0-9]+ test' "$output" && [ "$tests_status" = 0 ] && echo 1)" \
        "zelk_tests.exe: $tests_passed passed, $tests_failed failed, $tests_skipped skipped"
    # Every private Vital copy is gone once the process has ended, also the ones Windows kept while
    # JUCE had their modules loaded.
    check "$([ ! -s "$output.leftovers" ] && echo 1)" \
        "no \"Tamsel-Vital-\" folder is left in the temporary folder$([ -s "$output.leftovers" ] && echo ": $(paste -sd ' ' "$output.leftovers")")"

    echo "== zelk host-editor under Wine, on an Xvfb server"
    output="$ZELK_WINDOWS_BUILD/host-editor.log"
    editor_status=0
    mkdir -p "$ZELK_WINDOWS_BUILD/real-windows"
    run_under_wine --display "$output" "$ZELK_WINDOWS_BUILD/tools/zelk.exe" host-editor "$(windows_path "$bundle")" \
        --stroke --screenshot "$(windows_path "$ZELK_WINDOWS_BUILD/real-windows/embedded-editor-windows.png")" \
        --state "$(windows_path "$ZELK_WINDOWS_BUILD/real-windows/embedded-state-windows.xml")" || editor_status=$?
    cat "$output"
    [ "$editor_status" = 0 ] || { echo "-- Wine's errors (exit $editor_status):"; tail -20 "$output.stderr"; }
    summary=0
    add_summary "$output" host-editor && summary=1
    check "$([ "$summary" = 1 ] && [ "$editor_status" = 0 ] && echo 1)" "zelk host-editor ran to the end and passed"
else
    echo "skipped: Xvfb is not installed, so the Windows tests and windows could not run"
    failed=$((failed + 1))
fi
echo "== Ran in $((SECONDS - step)) s"

echo "== The installer, made and installed under Wine"
step=$SECONDS
output="$ZELK_WINDOWS_BUILD/installer.log"
installer="${ZELK_DIST:-$ZELK_ROOT/dist}/Zelk-$ZELK_VERSION-win64-setup.exe"
installer_status=0
{ ZELK_WINDOWS_BUILD="$ZELK_WINDOWS_BUILD" "$ZELK_ROOT/scripts/package.sh" windows \
    && "$ZELK_ROOT/tests/install/windows-installer.sh" "$installer" "$ZELK_WINDOWS_BUILD/installer/files"; } > "$output" 2>&1 \
    || installer_status=$?
grep -vE '^(\[|-- |== Building|== Cross-building)' "$output" || true
summary=0
add_summary "$output" installer && summary=1
check "$([ "$summary" = 1 ] && [ "$installer_status" = 0 ] && echo 1)" \
    "the installer was made, installed, installed again and uninstalled under Wine"
echo "== Ran in $((SECONDS - step)) s"

echo "== Windows build and tests took $((SECONDS - started)) s"
echo "windows: $passed passed, $failed failed"
[ "$failed" = 0 ]
