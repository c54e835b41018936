#!/bin/sh
# Starts Skinwright in its workspace folder, ~/.local/share/skinwright (or
# $SKINWRIGHT_WORKSPACE), creating it with the default picture the first time.
set -e
here="$(dirname "$(readlink -f "$0")")"
case "${1:-}" in
    --help|-h) exec "$here/../libexec/skinwright/skinwright" --help ;;
esac
workspace="${SKINWRIGHT_WORKSPACE:-${XDG_DATA_HOME:-$HOME/.local/share}/skinwright}"
mkdir -p "$workspace"
if [ ! -f "$workspace/thumbnail.jpg" ]; then
    cp "$here/../share/skinwright/thumbnail.jpg" "$workspace/thumbnail.jpg"
fi
cd "$workspace"
exec "$here/../libexec/skinwright/skinwright" "$@"
