#!/usr/bin/env bash
# The Windows x64 build: cross-compiles the VST 3 and the zelk tool with MinGW-w64, then runs the
# Windows zelk under Wine on the Windows bundle and checks what a host sees there. Installs what
# is missing; runnable alone, and scripts/test.sh runs it after the Linux tests.
#
#   ZELK_WINDOWS_BUILD  build folder (default: build-windows beside the Linux one)
#   ZELK_CACHE          where the cross-built libjpeg and libpng are kept (default: ~/.cache/zelk)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
shopt -s inherit_errexit

ZELK_WINDOWS_BUILD="${ZELK_WINDOWS_BUILD:-$ZELK_BUILD-windows}"
ZELK_CACHE="${ZELK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zelk}"
TOOLCHAIN="$ZELK_ROOT/cmake/MinGW-w64-x86_64.cmake"
WINE=/usr/lib/wine/wine64

# libpng-dev and libjpeg-dev are here for their versions: the Windows copies follow them.
ZELK_WINDOWS_PACKAGES=(
    cmake ninja-build ccache dpkg-dev juce-modules-source libpng-dev libjpeg-dev
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64
)

# Bump when the recipe below changes, so cached libraries are rebuilt.
MINGW_LIBRARIES_RECIPE=1

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

source_version() {
    dpkg-query -W -f='${source:Version}' "$1"
}

# A private apt configuration with deb-src entries for the Debian archive this machine already
# uses; the system's own sources and lists stay untouched.
apt_source_options=()
prepare_source_index() {
    local apt="$ZELK_CACHE/apt-src"
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"

    local sources="$apt/sources.list.d/debian-src.sources" list="$apt/sources.list.d/debian-src.list"
    : > "$sources"
    : > "$list"
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)URIs:[^\n]*\/debian/ && !/(^|\n)Enabled: *no/ {
                 sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print
             }' "$file" >> "$sources"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        awk '$1 == "deb" && /\/debian/ { $1 = "deb-src"; print }' "$file" >> "$list"
    done
    if [ ! -s "$sources" ] && [ ! -s "$list" ]; then
        echo "windows.sh: no Debian archive in the apt sources to fetch source packages from" >&2
        return 1
    fi

    apt_source_options=(
        -o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$apt/sources.list.d"
        -o "Dir::State::lists=$apt/lists" -o "Dir::Cache=$apt/cache"
        -o APT::Sandbox::User=root
    )
    apt-get "${apt_source_options[@]}" update -qq
}

# fetch_source PACKAGE: unpacks the newest served source of PACKAGE into the current folder and
# prints its version. The index can list a version the archive no longer serves; then the next.
fetch_source() {
    local package="$1" version
    for version in $(apt-cache "${apt_source_options[@]}" showsrc --only-source "$package" \
        | awk '/^Version:/ { print $2 }' | sort -rV | uniq); do
        if apt-get "${apt_source_options[@]}" source -qq "$package=$version" > "fetch-$package.log" 2>&1; then
            echo "$version"
            return 0
        fi
        echo "== $package $version is listed but not served; trying the next" >&2
    done
    cat "fetch-$package.log" >&2
    echo "windows.sh: no source of $package could be fetched" >&2
    return 1
}

build_libjpeg() {
    local source="$1" prefix="$2"
    { cmake -S "$source" -B jpeg-build -G Ninja --toolchain "$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
        && cmake --build jpeg-build -j "$ZELK_JOBS" --target jpeg-static; } > jpeg.log 2>&1 \
        || { tail -40 jpeg.log; return 1; }

    mkdir -p "$prefix/lib" "$prefix/include"
    cp jpeg-build/libjpeg.a "$prefix/lib/"
    # JUCE compiles its JPEG code with JPEG_INTERNALS, which includes jpegint.h.
    cp jpeg-build/jconfig.h "$source"/{jpeglib.h,jmorecfg.h,jerror.h,jpegint.h} "$prefix/include/"
    # jconfig.h skips its `boolean` when Windows' rpcndr.h declared one first, but JUCE includes
    # jpeglib.h inside a namespace of its own and names that namespace's `boolean`: always declare it.
    perl -0pi -e 's/#ifndef __RPCNDR_H__[^\n]*\n(typedef unsigned char boolean;)\n#endif/$1/' \
        "$prefix/include/jconfig.h"
    grep -qx 'typedef unsigned char boolean;' "$prefix/include/jconfig.h"
}

build_libpng() {
    local source="$1" prefix="$2"
    { cmake -S "$source" -B png-build -G Ninja --toolchain "$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
        && cmake --build png-build -j "$ZELK_JOBS" && cmake --install png-build; } > png.log 2>&1 \
        || { tail -40 png.log; return 1; }
    # Only the headers and the archive are used; the rest names the temporary folder.
    rm -rf "${prefix:?}/bin" "$prefix/lib/libpng" "$prefix/lib/pkgconfig" "$prefix/share"
}

# Sets `libraries` to the folder of the static Windows libjpeg and libpng, cross-building them from
# Debian's sources once per version of theirs and of the compiler.
mingw_libraries() {
    local key
    key="mingw$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)-jpeg$(source_version libjpeg-dev)"
    key="$key-png$(source_version libpng-dev)-r$MINGW_LIBRARIES_RECIPE"
    libraries="$ZELK_CACHE/mingw-libraries/${key//[:~]/_}"
    [ ! -f "$libraries/VERSIONS" ] || return 0

    echo "== Cross-building libjpeg-turbo and libpng for Windows into $libraries"
    mkdir -p "$ZELK_CACHE/mingw-libraries"
    work="$(mktemp -d "$ZELK_CACHE/mingw-libraries/.work.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    (
        cd "$work" || exit
        prepare_source_index
        jpeg_version="$(fetch_source libjpeg-turbo)"
        png_version="$(fetch_source libpng1.6)"
        build_libjpeg "$(find . -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)" "$work/prefix"
        build_libpng "$(find . -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)" "$work/prefix"
        printf 'libjpeg-turbo %s\nlibpng1.6 %s\n' "$jpeg_version" "$png_version" > "$work/prefix/VERSIONS"
    )
    # Another checkout may have made the same folder meanwhile; either copy serves.
    mv -T "$work/prefix" "$libraries" 2>/dev/null || true
    rm -rf "$work"
    trap - EXIT
    [ -f "$libraries/VERSIONS" ]
}

build_windows() {
    local prefix="$1" dir="$ZELK_WINDOWS_BUILD"
    local juce_dir
    juce_dir="$(dirname "$(dpkg -L juce-modules-source | grep '/JUCEConfig.cmake$' | head -1)")"
    mkdir -p "$dir"

    # Found libraries are cached by path: a new prefix means finding them again.
    if [ -f "$dir/CMakeCache.txt" ] \
        && [ "$(sed -n 's/^ZELK_MINGW_PREFIX:[A-Z]*=//p' "$dir/CMakeCache.txt")" != "$prefix" ]; then
        rm -f "$dir/CMakeCache.txt"
    fi

    echo "== Cross-building the Windows VST 3 and zelk.exe in $dir"
    cmake -S "$ZELK_ROOT" -B "$dir" -G Ninja --toolchain "$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DJUCE_DIR="$juce_dir" -DZELK_MINGW_PREFIX="$prefix" \
        -DZELK_BUILD_TESTS=OFF -DZELK_BUILD_BENCHMARKS=OFF > "$dir/configure.log" 2>&1 \
        || { cat "$dir/configure.log"; return 1; }
    # JUCE's own sources warn a lot under GCC; the log keeps them.
    cmake --build "$dir" -j "$ZELK_JOBS" --target Zelk_VST3 zelk > "$dir/build.log" 2>&1 \
        || { grep -E -B2 -A8 'error|FAILED' "$dir/build.log" | tail -80; return 1; }
}

# Runs the Windows zelk under Wine in a fresh, private Wine prefix, without a display.
run_smoke_under_wine() {
    local bundle="$1" output="$2"
    local prefix
    prefix="$(mktemp -d "${TMPDIR:-/tmp}/zelk-wine.XXXXXX")"
    local windows_bundle="Z:${bundle//\//\\}"
    local status=0
    # Without .NET, the HTML engine and the menu builder, which would add entries to the desktop's menus.
    env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$prefix" WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" \
        timeout 300 "$WINE" "$ZELK_WINDOWS_BUILD/tools/zelk.exe" smoke "$windows_bundle" \
        > "$output" 2> "$output.stderr" || status=$?
    WINEPREFIX="$prefix" "$(dirname "$WINE")/wineserver" -k 2>/dev/null || true
    rm -rf "$prefix"
    sed -i 's/\r$//' "$output" "$output.stderr"
    return $status
}

zelk_install_packages "${ZELK_WINDOWS_PACKAGES[@]}"

step=$SECONDS
mingw_libraries
echo "== Windows libjpeg and libpng: $(paste -sd ' ' "$libraries/VERSIONS") ($((SECONDS - step)) s)"

step=$SECONDS
build_windows "$libraries"
echo "== Built in $((SECONDS - step)) s"

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
run_smoke_under_wine "$bundle" "$output" || smoke_status=$?
cat "$output"
[ "$smoke_status" = 0 ] || { echo "-- Wine's errors (exit $smoke_status):"; tail -20 "$output.stderr"; }
echo "== Ran in $((SECONDS - step)) s"

summary="$(grep -E '^smoke: [0-9]+ passed, [0-9]+ failed$' "$output" || true)"
if [ -n "$summary" ]; then
    read -r _ smoke_passed _ smoke_failed _ <<< "$summary"
    passed=$((passed + smoke_passed))
    failed=$((failed + smoke_failed))
fi
check "$([ -n "$summary" ] && [ "$smoke_status" = 0 ] && echo 1)" "zelk smoke ran to the end and passed"

# The platform layer's Windows side, as the Windows build sees it.
vst3_folder="$(sed -n 's/^vst3 folder: //p' "$output")"
check "$([ "$vst3_folder" = 'C:\Program Files\Common Files\VST3' ] && echo 1)" "default VST 3 folder \"$vst3_folder\""
for folder in documents temporary; do
    path="$(sed -n "s/^$folder folder: //p" "$output")"
    check "$(grep -qE '^[A-Za-z]:\\' <<< "$path" && echo 1)" "$folder folder \"$path\" is a Windows path"
done

echo "== Windows build and smoke test took $((SECONDS - started)) s"
echo "windows: $passed passed, $failed failed"
[ "$failed" = 0 ]
