#!/usr/bin/env bash
# The main job: install, build, install the VST 3 where Linux hosts look for it, and show what a
# host sees when it loads the installed bundle.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

zelk_install_packages
zelk_build "$ZELK_BUILD"

bundle="$ZELK_BUILD/Zelk_artefacts/Release/VST3/Zelk.vst3"
destination="$HOME/.vst3"
mkdir -p "$destination"
rm -rf "$destination/Zelk.vst3"
cp -r "$bundle" "$destination/"
echo "== Installed $destination/Zelk.vst3"
echo "== Standalone application: $ZELK_BUILD/Zelk_artefacts/Release/Standalone/Zelk"
echo "== Command-line tool: $ZELK_BUILD/tools/zelk"

echo "== What a VST 3 host sees"
"$ZELK_BUILD/tools/zelk" inspect "$destination/Zelk.vst3"

demo="$HOME/Zelk Demo"
echo "== A demonstration pattern in $demo"
"$ZELK_BUILD/tools/zelk" demo "$demo"

echo "== The editor's four pages, as a host would show them, in $demo"
for page in piano-roll controls motion instrument; do
    "$ZELK_BUILD/tools/zelk" snapshot "$demo/demo-state.xml" "$demo/editor-$page.png" --page "$page"
done
