#!/usr/bin/env bash
# The Debian package that cpack makes from the build passes lintian without an error or a
# warning. Exit 77 (skipped) where lintian or dpkg-deb is not installed.
#   package_test.sh BUILD_DIR
set -uo pipefail
build="${1:?build folder}"
for tool in lintian dpkg-deb cpack; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps installs lintian)"; exit 77; }
done
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack"; }
deb="$(ls "$work"/*.deb 2>/dev/null | head -n 1)"
[ -n "$deb" ] || { cat "$work/cpack.log"; fail "cpack made no .deb"; }

# --no-cfg: only this package's own checks, whatever the machine's lintian configuration says.
lintian --no-cfg --fail-on error,warning --display-level ">=warning" "$deb" >"$work/lintian.log" 2>&1
status=$?
cat "$work/lintian.log"
[ "$status" -eq 0 ] || fail "lintian found errors or warnings in $(basename "$deb")"
echo "PASS: $(basename "$deb") has no lintian error or warning"
