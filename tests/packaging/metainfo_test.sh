#!/usr/bin/env bash
# The AppStream metadata passes `appstreamcli validate` (offline, pedantic) and names the menu
# entry that is installed beside it. Exit 77 (skipped) where appstreamcli is not installed.
#   metainfo_test.sh PACKAGING_FOLDER
set -uo pipefail
folder="${1:?packaging folder}"
command -v appstreamcli >/dev/null || { echo "SKIP: appstreamcli is not installed (Debian package appstream)"; exit 77; }
metainfo=("$folder"/*.metainfo.xml)
[ ${#metainfo[@]} -eq 1 ] && [ -f "${metainfo[0]}" ] || { echo "FAIL: no single .metainfo.xml in $folder"; exit 1; }
appstreamcli validate --no-net --pedantic "${metainfo[0]}" || { echo "FAIL: appstreamcli validate"; exit 1; }
desktop="$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "${metainfo[0]}")"
[ -n "$desktop" ] && [ -f "$folder/$desktop" ] || { echo "FAIL: the launchable '$desktop' is not in $folder"; exit 1; }
id="$(sed -n 's|.*<id>\(.*\)</id>.*|\1|p' "${metainfo[0]}")"
[ "$(basename "${metainfo[0]}")" = "$id.metainfo.xml" ] || { echo "FAIL: the file is not named after its id $id"; exit 1; }
echo "PASS: ${metainfo[0]##*/} is valid and names $desktop"
