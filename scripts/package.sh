#!/usr/bin/env bash
# Builds what a producer installs, into dist/: the Windows installer Zelk-VERSION-win64-setup.exe
# (the cross-build of scripts/windows.sh, made into an installer by Debian's makensis) and the
# Debian package zelk_VERSION_amd64.deb (CPack's DEB generator), which lintian checks. Installs
# what is missing. tests/install/ installs both and checks what they installed.
#
#   scripts/package.sh [windows] [debian]   both when none is named
#   ZELK_PACKAGE_BUILD  the Linux build folder of the package (default: build-package beside the
#                       Linux one; tests and benchmarks off, since CPack builds all of it)
#   ZELK_DIST           where the packages go (default: dist/ in the checkout)
#   ZELK_CACHE          where the static libjpeg is kept (default: ~/.cache/zelk)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$ZELK_ROOT/scripts/image-libraries.sh"
shopt -s inherit_errexit

ZELK_PACKAGE_BUILD="${ZELK_PACKAGE_BUILD:-$ZELK_BUILD-package}"
ZELK_DIST="${ZELK_DIST:-$ZELK_ROOT/dist}"
ZELK_WINDOWS_BUILD="${ZELK_WINDOWS_BUILD:-$ZELK_BUILD-windows}"

# CPack's shlibdeps finds the binaries with file and asks dpkg-shlibdeps for their libraries.
ZELK_PACKAGING_PACKAGES=(nsis imagemagick help2man file dpkg-dev lintian)

kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(windows debian)
for kind in "${kinds[@]}"; do
    case "$kind" in
        windows|debian) ;;
        *) echo "package.sh: unknown package \"$kind\" (windows or debian)" >&2; exit 2 ;;
    esac
done

# nsis_bundle_lists BUNDLE: the NSIS macros that install each file of BUNDLE into the VST 3 folder
# and remove exactly those files and then their folders, deepest first, each only when empty.
nsis_bundle_lists() {
    local bundle="$1" path
    echo '!macro InstallBundleFiles'
    while read -r path; do
        echo "    SetOutPath \"\${BUNDLE_FOLDER}${path:+\\}${path//\//\\}\""
        find "$bundle/$path" -maxdepth 1 -type f | sort | while read -r file; do
            echo "    File \"$file\""
        done
    done < <(cd "$bundle" && find . -type d | sed 's|^\./\?||' | sort)
    echo '!macroend'
    echo '!macro RemoveBundleFiles'
    while read -r path; do
        echo "    Delete \"\${BUNDLE_FOLDER}\\${path//\//\\}\""
    done < <(cd "$bundle" && find . -type f | sed 's|^\./||' | sort)
    while read -r path; do
        echo "    RMDir \"\${BUNDLE_FOLDER}${path:+\\}${path//\//\\}\""
    done < <(cd "$bundle" && find . -type d | sed 's|^\./\?||' | sort -r)
    echo '!macroend'
}

package_windows() {
    "$ZELK_ROOT/scripts/windows.sh" --build-only

    local build="$ZELK_WINDOWS_BUILD" installer="$ZELK_DIST/Zelk-$ZELK_VERSION-win64-setup.exe"
    local files="$build/installer/files"
    echo "== The installer's files in $files"
    rm -rf "$files"
    mkdir -p "$files" "$ZELK_DIST"
    cp -r "$build/Zelk_artefacts/Release/VST3/Zelk.vst3" "$files/"
    # Not "Zelk.exe" beside zelk.exe: Windows' file names ignore case.
    cp "$build/Zelk_artefacts/Release/Standalone/Zelk.exe" "$files/Zelk Standalone.exe"
    cp "$build/tools/zelk.exe" "$build/icons/zelk.ico" "$files/"
    mv "$files/zelk.ico" "$files/Zelk.ico"
    # MinGW's static libraries bring their debugging sections along; a producer needs none of them.
    find "$files" -type f \( -name '*.exe' -o -path '*/x86_64-win/*' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
    nsis_bundle_lists "$files/Zelk.vst3" > "$build/installer/bundle-files.nsh"

    echo "== Making $installer"
    makensis -V2 -DVERSION="$ZELK_VERSION" -DOUTFILE="$installer" -DFILES="$files" \
        -DBUNDLE_FILES="$build/installer/bundle-files.nsh" "$ZELK_ROOT/packaging/windows/zelk.nsi"
    echo "== $(basename "$installer"): $(stat -c %s "$installer") bytes"
}

package_debian() {
    zelk_install_packages
    # Linked in statically, so that the package installs on Ubuntu too (its libjpeg has another name).
    static_image_libraries linux
    ZELK_TARGETS="all zelk_icons zelk_package_files" \
        zelk_build "$ZELK_PACKAGE_BUILD" -DZELK_BUILD_TESTS=OFF -DZELK_BUILD_BENCHMARKS=OFF \
        -DZELK_STATIC_IMAGE_LIBRARIES="$libraries"

    local package="$ZELK_DIST/zelk_${ZELK_VERSION}_amd64.deb"
    echo "== Making $package"
    rm -rf "$ZELK_PACKAGE_BUILD/cpack"
    (cd "$ZELK_PACKAGE_BUILD" && cpack -G DEB -B "$ZELK_PACKAGE_BUILD/cpack") > "$ZELK_PACKAGE_BUILD/cpack.log" 2>&1 \
        || { cat "$ZELK_PACKAGE_BUILD/cpack.log"; return 1; }
    mkdir -p "$ZELK_DIST"
    mv "$ZELK_PACKAGE_BUILD/cpack/$(basename "$package")" "$package"
    echo "== $(basename "$package"): $(stat -c %s "$package") bytes"
    echo "== Depends: $(dpkg-deb -f "$package" Depends)"

    echo "== lintian"
    local status=0
    lintian --fail-on error "$package" > "$ZELK_PACKAGE_BUILD/lintian.log" 2>&1 || status=$?
    grep -v 'running with root privileges' "$ZELK_PACKAGE_BUILD/lintian.log" || echo "(nothing to report)"
    [ "$status" = 0 ] || { echo "package.sh: lintian reports errors in $(basename "$package")" >&2; return 1; }
}

zelk_install_packages "${ZELK_PACKAGING_PACKAGES[@]}"
for kind in "${kinds[@]}"; do
    "package_$kind"
done
