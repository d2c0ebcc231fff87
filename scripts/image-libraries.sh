# Static libjpeg and libpng built from Debian's own sources, for the builds that must not need the
# system's shared copies: the Windows cross-build (no DLLs beside the plug-in; both libraries) and
# the Debian package (libjpeg only: Debian names its package libjpeg62-turbo, Ubuntu
# libjpeg-turbo8, with another soname, so a package that depends on one does not install on the
# other). Sourced after common.sh.
#
#   static_image_libraries mingw|linux   sets `libraries` to the folder of include/ and lib/
#   ZELK_CACHE  where they are kept, one folder per version of theirs and of the compiler
#               (default: ~/.cache/zelk)
# shellcheck shell=bash

ZELK_CACHE="${ZELK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zelk}"

# Bump when the recipe below changes, so cached libraries are rebuilt.
IMAGE_LIBRARIES_RECIPE=1

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
        echo "image-libraries: no Debian archive in the apt sources to fetch source packages from" >&2
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
    echo "image-libraries: no source of $package could be fetched" >&2
    return 1
}

# build_libjpeg SOURCE PREFIX CMAKE-ARGUMENTS...
build_libjpeg() {
    local source="$1" prefix="$2"
    shift 2
    { cmake -S "$source" -B jpeg-build -G Ninja "$@" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
        && cmake --build jpeg-build -j "$ZELK_JOBS" --target jpeg-static; } > jpeg.log 2>&1 \
        || { tail -40 jpeg.log; return 1; }

    mkdir -p "$prefix/lib" "$prefix/include"
    cp jpeg-build/libjpeg.a "$prefix/lib/"
    # JUCE compiles its JPEG code with JPEG_INTERNALS, which includes jpegint.h.
    cp jpeg-build/jconfig.h "$source"/{jpeglib.h,jmorecfg.h,jerror.h,jpegint.h} "$prefix/include/"
}

# build_libpng SOURCE PREFIX CMAKE-ARGUMENTS...
build_libpng() {
    local source="$1" prefix="$2"
    shift 2
    { cmake -S "$source" -B png-build -G Ninja "$@" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
        && cmake --build png-build -j "$ZELK_JOBS" && cmake --install png-build; } > png.log 2>&1 \
        || { tail -40 png.log; return 1; }
    # Only the headers and the archive are used; the rest names the temporary folder.
    rm -rf "${prefix:?}/bin" "$prefix/lib/libpng" "$prefix/lib/pkgconfig" "$prefix/share"
}

static_image_libraries() {
    local target="$1" compiler options=()
    case "$target" in
        mingw)
            compiler="$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)"
            options=(--toolchain "$ZELK_ROOT/cmake/MinGW-w64-x86_64.cmake") ;;
        linux)
            compiler="$(dpkg-query -W -f='${Version}' g++)"
            # They go into the plug-in, a shared object.
            options=(-DCMAKE_POSITION_INDEPENDENT_CODE=ON) ;;
        *) echo "image-libraries: unknown target \"$target\" (mingw or linux)" >&2; return 2 ;;
    esac
    local key="$target$compiler-jpeg$(source_version libjpeg-dev)"
    [ "$target" != mingw ] || key="$key-png$(source_version libpng-dev)"
    key="$key-r$IMAGE_LIBRARIES_RECIPE"
    libraries="$ZELK_CACHE/$target-libraries/${key//[:~]/_}"
    [ ! -f "$libraries/VERSIONS" ] || return 0

    echo "== Building static libjpeg-turbo$([ "$target" != mingw ] || echo " and libpng") ($target) into $libraries"
    mkdir -p "$ZELK_CACHE/$target-libraries"
    local work
    work="$(mktemp -d "$ZELK_CACHE/$target-libraries/.work.XXXXXX")"
    (
        trap 'rm -rf "$work"' EXIT
        cd "$work" || exit
        prepare_source_index
        jpeg_version="$(fetch_source libjpeg-turbo)"
        [ "$target" != mingw ] || png_version="$(fetch_source libpng1.6)"
        build_libjpeg "$(find . -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)" "$work/prefix" "${options[@]}"
        if [ "$target" = mingw ]; then
            # jconfig.h skips its `boolean` when Windows' rpcndr.h declared one first, but JUCE includes
            # jpeglib.h inside a namespace of its own and names that namespace's `boolean`: always declare it.
            perl -0pi -e 's/#ifndef __RPCNDR_H__[^\n]*\n(typedef unsigned char boolean;)\n#endif/$1/' \
                "$work/prefix/include/jconfig.h"
            grep -qx 'typedef unsigned char boolean;' "$work/prefix/include/jconfig.h"
        fi
        if [ "$target" = mingw ]; then
            build_libpng "$(find . -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)" "$work/prefix" "${options[@]}"
            printf 'libjpeg-turbo %s\nlibpng1.6 %s\n' "$jpeg_version" "$png_version" > "$work/prefix/VERSIONS"
        else
            printf 'libjpeg-turbo %s\n' "$jpeg_version" > "$work/prefix/VERSIONS"
        fi
        # Another checkout may have made the same folder meanwhile; either copy serves.
        mv -T "$work/prefix" "$libraries" 2>/dev/null || true
    )
    [ -f "$libraries/VERSIONS" ] || { echo "image-libraries: libjpeg and libpng ($target) could not be built" >&2; return 1; }
}
