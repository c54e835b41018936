#!/usr/bin/env bash
# scripts/run ends with the artwork tool's own error and names the step that failed, at each of
# the three places it runs the tool. The tool is replaced by one that fails; nothing is built.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- scripts/run said:"; cat "$work/run.log"; exit 1; }

mkdir -p "$work/build/src/app"
# Fails at the command named in $FAIL_AT, behaves otherwise.
cat >"$work/build/src/app/skinwright-artwork" <<'TOOL'
#!/bin/sh
if [ "$1" = "$FAIL_AT" ]; then echo "skinwright-artwork: cannot write /nowhere/$1" >&2; exit 1; fi
case "$1" in
    free-port) echo 8 ;;
    demo) echo "http://127.0.0.1:8/skinwright/" ;;
esac
TOOL
chmod +x "$work/build/src/app/skinwright-artwork"

# run_case FAIL_AT STEP_TEXT ARGUMENTS...
run_case() {
    local fail_at="$1" step="$2"; shift 2
    env -u DISPLAY -u WAYLAND_DISPLAY FAIL_AT="$fail_at" SKINWRIGHT_BUILD_DIR="$work/build" \
        SKINWRIGHT_DEMO_DIR="$work/demo" SKINWRIGHT_WORKSPACE="$work/workspace" \
        "$root/scripts/run" --no-build "$@" >"$work/run.log" 2>&1 </dev/null
    local status=$?
    [ "$status" -ne 0 ] || fail "scripts/run succeeded although '$fail_at' failed"
    grep -q "cannot write /nowhere/$fail_at" "$work/run.log" || fail "the tool's error for '$fail_at' is hidden"
    grep -q "$step" "$work/run.log" || fail "the failed step '$step' is not named"
}
run_case free-port "no free port"
run_case demo "the demo could not be made"
run_case thumbnail "default picture could not be written" --no-demo
echo "PASS: scripts/run shows the artwork tool's errors and names the step"
