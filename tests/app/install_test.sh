#!/usr/bin/env bash
# `cmake --install` into a throw-away folder puts every file in its place, and the installed
# launcher creates the workspace with the default picture and starts the program there (on
# Qt's offscreen platform; the program is stopped once its start-up is traced). Builds nothing.
#   install_test.sh BUILD_DIR
set -uo pipefail
build="${1:?build folder}"
work="$(mktemp -d)"
app_pid=""
finish() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*"; exit 1; }

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install"; }
usr="$work/root/usr"
for file in bin/skinwright bin/skinwright-cli libexec/skinwright/skinwright share/skinwright/thumbnail.jpg \
            share/applications/skinwright.desktop share/icons/hicolor/128x128/apps/skinwright.png; do
    [ -f "$usr/$file" ] || fail "$file is not installed"
done
[ -x "$usr/bin/skinwright" ] && [ -x "$usr/libexec/skinwright/skinwright" ] || fail "programs not executable"
grep -qx "Exec=skinwright" "$usr/share/applications/skinwright.desktop" || fail "the menu entry runs no skinwright"
grep -qx "Icon=skinwright" "$usr/share/applications/skinwright.desktop" || fail "the menu entry has no icon"
[ "$(head -c 8 "$usr/share/icons/hicolor/128x128/apps/skinwright.png" | od -An -tx1 | tr -d ' \n')" = \
  "89504e470d0a1a0a" ] || fail "the icon is no PNG"
"$usr/bin/skinwright-cli" --help | grep -q "catalogue" || fail "skinwright-cli --help"

# The launcher, with a home of its own.
home="$work/home"
mkdir -p "$home"
env -u SKINWRIGHT_WORKSPACE -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
    WINEPREFIX="$work/no-prefix" "$usr/bin/skinwright" >"$work/app.log" 2>&1 &
app_pid=$!
workspace="$home/.local/share/skinwright"
for _ in $(seq 200); do
    grep -q "Form creation finished" "$workspace/debug.log" 2>/dev/null && break
    kill -0 "$app_pid" 2>/dev/null || { cat "$work/app.log"; fail "the program ended at once"; }
    sleep 0.05
done
grep -q "Form creation finished" "$workspace/debug.log" 2>/dev/null || fail "no start-up traced in $workspace"
cmp -s "$workspace/thumbnail.jpg" "$usr/share/skinwright/thumbnail.jpg" || fail "no default picture in the workspace"
for folder in images downloads tempzip templiv; do
    [ -d "$workspace/$folder" ] || fail "the program did not start in $workspace ($folder missing)"
done
echo "PASS: installed tree complete; the launcher started the program in $workspace"
