#!/usr/bin/env bash
# Installs a build into a throwaway DESTDIR under /usr and checks what a user would get: the
# files in their places, the desktop entry and the AppStream metadata accepted by their
# validators, the icon the entry names, and the installed program finding its translation
# table and reporting the packaged version.
#   scripts/install-check.sh [BUILD_DIR]     (default build/release)
set -euo pipefail
build=${1:-$(dirname "$0")/../build/release}
id=org.tessaly.Kalvane

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
fail() { echo "install check: $*" >&2; exit 1; }

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
usr=$stage/usr
for file in bin/kalvane share/kalvane/strings.json share/applications/$id.desktop \
            share/icons/hicolor/scalable/apps/$id.svg share/metainfo/$id.metainfo.xml; do
    [ -f "$usr/$file" ] || fail "missing /usr/$file"
done

desktop-file-validate "$usr/share/applications/$id.desktop" \
    || fail "desktop entry rejected"
[ -z "$(desktop-file-validate "$usr/share/applications/$id.desktop")" ] \
    || fail "desktop entry has hints"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" \
    || fail "metainfo rejected"

icon=$(sed -n 's/^Icon=//p' "$usr/share/applications/$id.desktop")
[ -f "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] \
    || fail "the desktop entry names icon \"$icon\", which is not installed"

# The installed program, run with nothing pointing it at the table: it must find the one
# installed beside it and speak French; loopback only, throwaway settings.
config=$stage/config
mkdir -p "$config"
run() {
    env -u KLV_STRINGS QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$config" \
        KLV_SCAN_INTERFACES=en9=127.0.1.20/24 KLV_STAGETIMER_CLOUD=http://127.0.0.1:9/v1 \
        "$usr/bin/kalvane" "$@"
}
answer=$(run probe 127.0.0.1 --port 9 --lang fr 2>&1 || true)
[[ $answer == *"Aucun Ontime à l’adresse 127.0.0.1:9"* ]] \
    || fail "the installed program did not find its translations: $answer"

release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$usr/share/metainfo/$id.metainfo.xml")
version=$(run --version)
[[ $version == *" $release" ]] \
    || fail "--version says \"$version\", the metainfo release is \"$release\""

echo "install check: passed ($version)"
