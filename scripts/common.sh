# Shared by the scripts: where things are, and the packages a build needs.
# shellcheck shell=bash
set -euo pipefail

ZELK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ZELK_BUILD="${ZELK_BUILD:-$ZELK_ROOT/build}"
ZELK_JOBS="${ZELK_JOBS:-$(nproc)}"
ZELK_VERSION="$(sed -n 's/^project(Zelk VERSION \([0-9.]*\).*/\1/p' "$ZELK_ROOT/CMakeLists.txt")"

# ccache keys on paths relative to the checkout, so other clones and CI reuse the cache.
export CCACHE_BASEDIR="$ZELK_ROOT"
export CCACHE_NOHASHDIR=1

ZELK_PACKAGES=(
    build-essential cmake ninja-build ccache pkg-config
    juce-modules-source
    libasound2-dev libfreetype-dev libfontconfig1-dev
    libx11-dev libxcomposite-dev libxcursor-dev libxext-dev libxinerama-dev libxrandr-dev libxrender-dev
    libpng-dev libjpeg-dev zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth fonts-dejavu-core
    # The real-window tests: input events, screenshots and window queries on the X server.
    xdotool imagemagick x11-utils
    # The fuzzers (libFuzzer) and the ThreadSanitizer build.
    clang libclang-rt-14-dev llvm
)

# zelk_install_packages [package...]: installs those that are missing (by default the build's).
zelk_install_packages() {
    local wanted=("$@") missing=()
    [ ${#wanted[@]} -gt 0 ] || wanted=("${ZELK_PACKAGES[@]}")
    for package in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "== Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# zelk_build [build folder] [extra CMake arguments...]; ZELK_TARGETS="a b" builds only those targets.
zelk_build() {
    local dir="$1"; shift
    echo "== Building in $dir"
    mkdir -p "$dir"
    cmake -S "$ZELK_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" > "$dir/configure.log" 2>&1 \
        || { cat "$dir/configure.log"; return 1; }
    cmake --build "$dir" -j "$ZELK_JOBS" ${ZELK_TARGETS:+--target $ZELK_TARGETS}
}
