#!/usr/bin/env bash
# windows-installer.sh INSTALLER FILES: installs the Windows installer silently into a fresh Wine
# prefix of its own, as a producer would, and checks what it installed against FILES, the folder
# the installer was made from (scripts/package.sh): the files in place, zelk.exe loading the
# installed bundle as a host does, a second install over an older one, an uninstall that leaves the
# VST 3 folder (another plug-in's bundle in it) and the user's documents as they were, and an
# upgrade that goes to the folder the producer chose before. The prefix, and a home folder of its
# own that Wine's shell folders point into, are removed afterwards. Ends with
# "installer: N passed, M failed".
set -uo pipefail

installer="$1"
files="$2"
# The version the installer was made for: CMakeLists.txt's, which common.sh reads.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
set +e
version="$ZELK_VERSION"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

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

work="$(mktemp -d "${TMPDIR:-/tmp}/zelk-installer.XXXXXX")"
export WINEPREFIX="$work/prefix" HOME="$work/home" WINEDEBUG=-all
# Without .NET, the HTML engine and the menu builder, which would add entries to the desktop's menus.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"
cleanup() {
    "$WINESERVER" -k 2> /dev/null
    "$WINESERVER" -w 2> /dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# wine PROGRAM ARGS...: runs it and waits until every process of the prefix has ended (the
# uninstaller goes on in a copy of itself after the one started returns).
wine() {
    local status=0
    timeout 300 "$WINE" "$@" || status=$?
    "$WINESERVER" -w
    return $status
}

# seconds_since START: the time since START (from `date +%s%N`), in seconds with one decimal.
seconds_since() {
    local tenths=$((($(date +%s%N) - $1) / 100000000))
    echo "$((tenths / 10)).$((tenths % 10))"
}

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelk'
product_key='HKLM\Software\Ostrel\Zelk'

# reg_value NAME [KEY]: a value of the key (by default the entry in the list of programs).
reg_value() {
    wine reg query "${2:-$uninstall_key}" /v "$1" 2> /dev/null \
        | tr -d '\r' | awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^  */, ""); print }'
}

# A listing of a folder with each file's checksum, to compare before and after.
listing() {
    (cd "$1" 2> /dev/null && find . -printf '%y %p\n' | sort && find . -type f -print0 | sort -z | xargs -0r md5sum)
}

drive_c="$WINEPREFIX/drive_c"
vst3="$drive_c/Program Files/Common Files/VST3"
bundle="$vst3/Zelk.vst3"
program="$drive_c/Program Files/Ostrel/Zelk"
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zelk.lnk"
built_bundle="$files/Zelk.vst3"

echo "== A fresh Wine prefix in $WINEPREFIX"
wine wineboot --init > /dev/null 2>&1
check "$([ -d "$drive_c/windows" ] && echo 1)" "Wine made its prefix"

# Another plug-in the uninstaller must leave alone, and a pattern the producer saved.
mkdir -p "$vst3/Other.vst3/Contents/x86_64-win"
echo "another vendor's module" > "$vst3/Other.vst3/Contents/x86_64-win/Other.vst3"
vst3_before="$(listing "$vst3")"
documents="$(find "$drive_c/users" -maxdepth 2 -name Documents | head -1)"
mkdir -p "$documents/Zelk"
echo "MThd" > "$documents/Zelk/my-pattern.mid"

echo "== Silent install"
step=$(date +%s%N)
wine "$installer" /S
install_status=$?
echo "== Installed in $(seconds_since "$step") s"
check "$([ "$install_status" = 0 ] && echo 1)" "the silent install exits with status 0 ($install_status)"
check "$(cmp -s "$built_bundle/Contents/x86_64-win/Zelk.vst3" "$bundle/Contents/x86_64-win/Zelk.vst3" && echo 1)" \
    "the bundle is in C:/Program Files/Common Files/VST3, its module the one packed"
check "$(cmp -s "$files/Zelk Standalone.exe" "$program/Zelk Standalone.exe" && cmp -s "$files/zelk.exe" "$program/zelk.exe" \
    && cmp -s "$files/Zelk.ico" "$program/Zelk.ico" && [ -f "$program/uninstall.exe" ] && echo 1)" \
    "the Standalone, zelk.exe, the icon and the uninstaller are in C:/Program Files/Ostrel/Zelk"
check "$([ -f "$shortcut" ] && echo 1)" "the Start menu has Zelk"
name="$(reg_value DisplayName)" publisher="$(reg_value Publisher)"
icon="$(reg_value DisplayIcon)" size="$(reg_value EstimatedSize)" uninstall="$(reg_value UninstallString)"
shown="$(reg_value DisplayVersion)"
check "$([ "$name" = Zelk ] && [ "$publisher" = Ostrel ] && [ -n "$version" ] && [ "$shown" = "$version" ] && echo 1)" \
    "the list of programs shows \"$name\" by \"$publisher\", version \"$shown\" ($version expected)"
check "$([ "$icon" = 'C:\Program Files\Ostrel\Zelk\Zelk.ico' ] && [ $((size)) -gt 1000 ] \
    && [ "$uninstall" = '"C:\Program Files\Ostrel\Zelk\uninstall.exe"' ] && echo 1)" \
    "with its icon \"$icon\", size $((size)) KB and uninstaller $uninstall"

echo "== zelk.exe inspect on the installed bundle"
inspect="$(wine 'C:\Program Files\Ostrel\Zelk\zelk.exe' inspect 'C:\Program Files\Common Files\VST3\Zelk.vst3' 2>&1 | tr -d '\r')"
echo "$inspect"
check "$(grep -q '^name: *Zelk$' <<< "$inspect" && grep -q '^vendor: *Ostrel$' <<< "$inspect" \
    && grep -q '^parameters: .*14844 of its own' <<< "$inspect" && echo 1)" \
    "a host loads it from the VST 3 folder and sees Zelk by Ostrel with its 14844 parameters"

echo "== A second silent install over an older one"
# What an older version left: another module, a file the new one does not have, another version.
echo "older module" > "$bundle/Contents/x86_64-win/Zelk.vst3"
echo "older file" > "$bundle/Contents/x86_64-win/older.txt"
wine reg add "$uninstall_key" /v DisplayVersion /d 0.1.0 /f > /dev/null
wine "$installer" /S
second_status=$?
check "$([ "$second_status" = 0 ] && echo 1)" "the second install exits with status 0 ($second_status)"
check "$(cmp -s "$built_bundle/Contents/x86_64-win/Zelk.vst3" "$bundle/Contents/x86_64-win/Zelk.vst3" \
    && [ ! -e "$bundle/Contents/x86_64-win/older.txt" ] && [ "$(reg_value DisplayVersion)" = "$version" ] && echo 1)" \
    "it replaces the older bundle whole and the version in the list of programs"
chosen="$(reg_value InstallDir "$product_key")"
check "$([ "$chosen" = 'C:\Program Files\Ostrel\Zelk' ] && echo 1)" "the registry keeps the program folder for the next install ($chosen)"

echo "== Silent uninstall"
step=$(date +%s%N)
wine "C:\\Program Files\\Ostrel\\Zelk\\uninstall.exe" /S
uninstall_status=$?
echo "== Uninstalled in $(seconds_since "$step") s"
check "$([ "$uninstall_status" = 0 ] && echo 1)" "the silent uninstall exits with status 0 ($uninstall_status)"
vst3_after="$(listing "$vst3")"
check "$([ "$vst3_after" = "$vst3_before" ] && echo 1)" \
    "the VST 3 folder is as it was before the install, the other plug-in in it"
[ "$vst3_after" = "$vst3_before" ] || diff <(echo "$vst3_before") <(echo "$vst3_after")
check "$([ ! -e "$program" ] && [ ! -e "$drive_c/Program Files/Ostrel" ] && [ ! -e "$shortcut" ] && echo 1)" \
    "the program folder, the vendor's folder and the Start menu entry are gone"
check "$(! wine reg query "$uninstall_key" > /dev/null 2>&1 && ! wine reg query 'HKLM\Software\Ostrel' > /dev/null 2>&1 && echo 1)" \
    "the list of programs no longer has Zelk, and the registry no longer has Ostrel's key"
check "$([ "$(cat "$documents/Zelk/my-pattern.mid" 2> /dev/null)" = MThd ] && echo 1)" \
    "the producer's pattern in Documents is kept"

echo "== An install into a folder of the producer's, then an upgrade that names none"
studio="$drive_c/Studio/Zelk"
wine "$installer" /S '/D=C:\Studio\Zelk'
first_status=$?
wine "$installer" /S
upgrade_status=$?
check "$([ "$first_status" = 0 ] && [ "$upgrade_status" = 0 ] && [ -f "$studio/zelk.exe" ] && [ ! -e "$program" ] \
    && [ "$(reg_value InstallLocation)" = 'C:\Studio\Zelk' ] && echo 1)" \
    "the upgrade goes to C:/Studio/Zelk, the folder chosen before, not to the default one ($first_status, $upgrade_status)"
wine 'C:\Studio\Zelk\uninstall.exe' /S
check "$([ ! -e "$studio" ] && [ "$(listing "$vst3")" = "$vst3_before" ] \
    && ! wine reg query 'HKLM\Software\Ostrel' > /dev/null 2>&1 && echo 1)" \
    "its uninstaller removes that folder, the bundle and the registry key"

echo "installer: $passed passed, $failed failed"
[ "$failed" = 0 ]
