#!/usr/bin/env bash
# debian-package.sh PACKAGE [SCREENSHOT-FOLDER]: installs the Debian package on this machine with
# apt-get as a producer would, checks what it installed (the files, `zelk inspect` on the
# installed bundle, the installed Standalone opening under Xvfb), removes it with apt-get remove
# and checks that nothing is left behind. The machine is left as it was found: the packages apt
# brought in for Zelk go again. Needs root; refuses when a zelk package, or a file where the
# package puts one, is already there. Ends with "debian-package: N passed, M failed".
set -uo pipefail

package="$(realpath "$1")"
shots="${2:-$(dirname "$package")}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
WITH_XVFB="$here/../real_windows/with-xvfb.sh"

passed=0
failed=0
check() {
    if [ "$1" = 1 ]; then
        echo "ok    $2"
        passed=$((passed + 1))
    else
        echo "FAIL  $2"
        failed=$((failed + 1))
    fi
}
finish() {
    echo "debian-package: $passed passed, $failed failed"
    [ "$failed" = 0 ]
    exit
}

if [ "$(id -u)" != 0 ]; then
    echo "skipped: installing the Debian package needs root"
    finish
fi
installed_before="$(dpkg-query -W -f='${Version}' zelk 2> /dev/null || true)"
if [ -n "$installed_before" ] && dpkg-query -W -f='${Status}' zelk | grep -q ' installed$'; then
    check 0 "zelk $installed_before is installed on this machine: not replaced by the test (apt-get remove zelk first)"
    finish
fi
files="$(dpkg-deb -c "$package" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }')"
in_the_way="$(while read -r file; do [ ! -e "$file" ] || echo "$file"; done <<< "$files")"
if [ -n "$in_the_way" ]; then
    check 0 "files are already where the package puts its own, not replaced by the test: $(paste -sd ' ' <<< "$in_the_way")"
    finish
fi

# The packages on the machine in any state but "not installed".
packages() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}:${Architecture} ${Version}\n' | awk '$1 != "un"' | sort; }
packages_before="$(packages)"
milliseconds() { date +%s%3N; }
seconds_since() {
    local tenths=$((($(milliseconds) - $1) / 100))
    echo "$((tenths / 10)).$((tenths % 10))"
}

# Only packages that Debian 12 and Ubuntu 22.04 and 24.04 all have by these names (24.04's t64
# libraries provide libasound2 and libpng16-16): one named only in Debian, like libjpeg62-turbo,
# keeps the package from installing on Ubuntu.
shared_names=" libc6 libgcc-s1 libstdc++6 zlib1g libasound2 libfreetype6 libfontconfig1 libpng16-16 "
shared_names+=" libx11-6 libxext6 libxcursor1 libxinerama1 libxrandr2 libxrender1 "
depends="$(dpkg-deb -f "$package" Depends)"
foreign="$(tr ',|' '\n\n' <<< "$depends" | awk '{ print $1 }' | while read -r name; do
    [[ "$shared_names" == *" $name "* ]] || echo "$name"; done | paste -sd ' ')"
check "$([ -n "$depends" ] && [ -z "$foreign" ] && echo 1)" \
    "it depends only on packages Debian and Ubuntu name alike${foreign:+, not on $foreign}"

echo "== apt-get install $package"
started=$(milliseconds)
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 "$package" > "$shots/apt-install.log" 2>&1
install_status=$?
echo "== Installed in $(seconds_since "$started") s"
[ "$install_status" = 0 ] || tail -20 "$shots/apt-install.log"
check "$([ "$install_status" = 0 ] && dpkg-query -W -f='${Status}' zelk | grep -q ' installed$' && echo 1)" \
    "apt-get installs $(basename "$package")"

check "$([ -f /usr/lib/vst3/Zelk.vst3/Contents/x86_64-linux/Zelk.so ] && [ -x /usr/bin/zelk ] \
    && [ -x /usr/bin/zelk-standalone ] && echo 1)" "the bundle is in /usr/lib/vst3, zelk and zelk-standalone in /usr/bin"
desktop=/usr/share/applications/zelk-standalone.desktop
check "$(grep -qx 'Exec=zelk-standalone' "$desktop" && grep -qx 'Icon=zelk' "$desktop" \
    && [ "$(identify -format '%w x %h' /usr/share/icons/hicolor/256x256/apps/zelk.png 2> /dev/null)" = "256 x 256" ] && echo 1)" \
    "the desktop entry opens zelk-standalone with the 256 x 256 logo as its icon"
manual="$(MANPAGER=cat MANWIDTH=100 man zelk 2> /dev/null)"
check "$(grep -q 'inspect BUNDLE' <<< "$manual" && grep -q 'host-editor BUNDLE' <<< "$manual" && echo 1)" \
    "man zelk shows the commands of zelk --help"

echo "== zelk inspect /usr/lib/vst3/Zelk.vst3"
inspect="$(zelk inspect /usr/lib/vst3/Zelk.vst3 2>&1)"
echo "$inspect"
check "$(grep -q '^name: *Zelk$' <<< "$inspect" && grep -q '^parameters: .*14844 of its own' <<< "$inspect" && echo 1)" \
    "a host loads the installed bundle and sees Zelk's 14844 parameters"

echo "== The installed Standalone under Xvfb"
opened="$("$WITH_XVFB" --timeout 60 "$here/standalone-opens.sh" /usr/bin/zelk-standalone "$shots/zelk-standalone-installed.png" 2>&1)"
opened_status=$?
echo "$opened"
check "$([ "$opened_status" = 0 ] && echo 1)" "zelk-standalone opens its window and paints the editor"

echo "== apt-get remove zelk"
started=$(milliseconds)
DEBIAN_FRONTEND=noninteractive apt-get remove -y -q -o DPkg::Lock::Timeout=300 zelk > "$shots/apt-remove.log" 2>&1
remove_status=$?
echo "== Removed in $(seconds_since "$started") s"
left="$(while read -r file; do [ ! -e "$file" ] || echo "$file"; done <<< "$files")"
check "$([ "$remove_status" = 0 ] && [ -z "$left" ] && [ ! -e /usr/lib/vst3/Zelk.vst3 ] && echo 1)" \
    "apt-get remove leaves none of its files behind${left:+ (left: $(paste -sd ' ' <<< "$left"))}"
status="$(dpkg-query -W -f='${db:Status-Abbrev}' zelk 2> /dev/null || true)"
check "$([[ -z "$status" || "$status" == un* ]] && echo 1)" \
    "and dpkg keeps nothing of zelk, no configuration files either (\"${status:-unknown}\")"

# What apt brought in for Zelk, and nothing else, goes again.
brought="$(comm -13 <(awk '{ print $2 }' <<< "$packages_before") <(packages | awk '{ print $2 }'))"
if [ -n "$brought" ]; then
    echo "== Removing what the install brought in: $(paste -sd ' ' <<< "$brought")"
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q -o DPkg::Lock::Timeout=300 $brought > "$shots/apt-purge.log" 2>&1
fi
check "$([ "$(packages)" = "$packages_before" ] && echo 1)" "the machine's packages are as they were before the test"

finish
