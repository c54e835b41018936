#!/usr/bin/env bash
# `cmake --install` into a throw-away folder puts every file in its place: the manual pages carry
# what --help says and render cleanly, the bash completion completes commands and options, and
# the installed launcher creates the workspace with the default picture and starts the program
# there (on Qt's offscreen platform; the program is stopped once its start-up is traced).
# Builds nothing.
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
            share/applications/skinwright.desktop share/icons/hicolor/128x128/apps/skinwright.png \
            share/man/man1/skinwright.1.gz share/man/man1/skinwright-cli.1.gz \
            share/bash-completion/completions/skinwright-cli \
            share/metainfo/example.zev_simulations.skinwright.metainfo.xml \
            share/doc/skinwright/copyright share/doc/skinwright/changelog.gz; do
    [ -f "$usr/$file" ] || fail "$file is not installed"
done
[ -x "$usr/bin/skinwright" ] && [ -x "$usr/libexec/skinwright/skinwright" ] || fail "programs not executable"
grep -qx "Exec=skinwright" "$usr/share/applications/skinwright.desktop" || fail "the menu entry runs no skinwright"
grep -qx "Icon=skinwright" "$usr/share/applications/skinwright.desktop" || fail "the menu entry has no icon"
[ "$(head -c 8 "$usr/share/icons/hicolor/128x128/apps/skinwright.png" | od -An -tx1 | tr -d ' \n')" = \
  "89504e470d0a1a0a" ] || fail "the icon is no PNG"
"$usr/bin/skinwright-cli" --help | grep -q "catalogue" || fail "skinwright-cli --help"
grep -q "<launchable type=\"desktop-id\">skinwright.desktop</launchable>" \
    "$usr/share/metainfo/example.zev_simulations.skinwright.metainfo.xml" || fail "the metadata names no menu entry"

# The manual pages: every command and option of --help is on the page, and man renders it
# without a warning.
man1="$usr/share/man/man1"
commands="$("$usr/bin/skinwright-cli" --help | sed -n 's/^  \([a-z][a-z0-9-]*\) .*/\1/p')"
[ "$(echo "$commands" | wc -w)" -ge 5 ] || fail "skinwright-cli --help lists no commands"
gzip -dc "$man1/skinwright-cli.1.gz" >"$work/cli.1" || fail "skinwright-cli.1.gz is no gzip file"
for command in $commands; do
    grep -q "^\\\\fB$command\\\\fR" "$work/cli.1" || fail "the manual page lacks the command $command"
done
for option in $("$usr/bin/skinwright-cli" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    # roff writes every '-' of an option as "\-".
    grep -qF -- "${option//-/\\-}" "$work/cli.1" || fail "the manual page lacks the option $option"
done
gzip -dc "$man1/skinwright.1.gz" >"$work/gui.1" || fail "skinwright.1.gz is no gzip file"
launcher_help="$(env -u SKINWRIGHT_WORKSPACE -u XDG_DATA_HOME HOME="$work/help-home" \
    "$usr/bin/skinwright" --help)" || fail "skinwright --help"
[ ! -e "$work/help-home" ] || fail "skinwright --help created a workspace"
variables="$(echo "$launcher_help" | grep -o 'SKINWRIGHT_[A-Z_]*' | sort -u)"
[ -n "$variables" ] || fail "skinwright --help names no variables"
for word in $variables; do
    grep -qF -- "$word" "$work/gui.1" || fail "the manual page skinwright(1) lacks $word"
done
if command -v man >/dev/null; then
    for page in "$man1/skinwright.1.gz" "$man1/skinwright-cli.1.gz"; do
        LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$work/page.txt" 2>"$work/man.log" ||
            fail "man cannot show $page"
        [ ! -s "$work/man.log" ] || { cat "$work/man.log"; fail "man warns about $page"; }
        grep -q "SYNOPSIS" "$work/page.txt" || fail "$page has no synopsis"
    done
fi

# The bash completion: commands, a command's options, the values of --sim.
complete_words() { # words of the command line, the last being completed
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _skinwright_cli; echo "${COMPREPLY[*]}"' \
        completion "$usr/share/bash-completion/completions/skinwright-cli" "$usr/bin/skinwright-cli" "$@" 2>/dev/null
}
[ "$(complete_words inst)" = "install" ] || fail "the completion does not complete a command: '$(complete_words inst)'"
[ "$(complete_words list --r)" = "--root" ] || fail "the completion does not complete an option: '$(complete_words list --r)'"
[ "$(complete_words remove --sim f)" = "fs9 fsx" ] || fail "the completion offers no simulators"

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
