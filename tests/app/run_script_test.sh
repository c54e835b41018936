#!/usr/bin/env bash
# scripts/run on a machine without a display: it prepares the demo, starts nginx and an
# Xvfb of its own, and the program's window appears there. The test reads the X server's
# screen with xwd and checks the window's place, size and colours; then it stops the script
# and checks that nginx and Xvfb went with it. Builds nothing: SKINWRIGHT_BUILD_DIR names the
# build folder with the binaries. Exit 77: skipped.
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${SKINWRIGHT_BUILD_DIR:?SKINWRIGHT_BUILD_DIR must name the build folder}"
PATH="$PATH:/usr/sbin" # nginx, for an ordinary user
for tool in Xvfb nginx xwd od setsid; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps installs it)"; exit 77; }
done
for binary in src/app/skinwright src/app/skinwright-artwork; do
    [ -x "$build/$binary" ] || { echo "SKIP: $build/$binary is not built"; exit 77; }
done

work="$(mktemp -d)"
script_pid=""
finish() {
    if [ -n "$script_pid" ] && kill -0 "$script_pid" 2>/dev/null; then
        kill -TERM -- "-$script_pid" 2>/dev/null
        wait "$script_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap finish EXIT
fail() { echo "FAIL: $*"; echo "--- scripts/run said:"; cat "$work/run.log"; exit 1; }

# Its own session (process group), so that whatever happens everything it started can be ended.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM SKINWRIGHT_DEMO_DIR="$work/demo" \
    SKINWRIGHT_BUILD_DIR="$build" setsid "$root/scripts/run" --no-build >"$work/run.log" 2>&1 &
script_pid=$!

display=""
for _ in $(seq 400); do
    display="$(sed -n 's/.*running under Xvfb on \(:[0-9]*\).*/\1/p' "$work/run.log")"
    [ -n "$display" ] && break
    kill -0 "$script_pid" 2>/dev/null || fail "scripts/run ended early"
    sleep 0.05
done
[ -n "$display" ] || fail "no Xvfb display announced"
port="$(sed -n 's/.*listen 127.0.0.1:\([0-9]*\);.*/\1/p' "$work/demo/nginx/nginx.conf")"
[ -n "$port" ] || fail "the demo has no nginx.conf"
[ -f "$work/demo/workspace/downloads/A320_Ocean/installerinfo.txt" ] || fail "the demo's packages are missing"
(exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || fail "nginx does not answer on port $port"

# One pixel of an XWD file (X11 XWDFileHeader: 25 big-endian CARD32 fields), as "R G B".
field() { # file, index
    local b
    read -r -a b <<<"$(od -An -tu1 -j $(($2 * 4)) -N4 "$1")"
    echo $(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))
}
pixel() { # file, x, y
    local header ncolours bpl bpp order p
    header="$(field "$1" 0)"; order="$(field "$1" 7)"; bpp="$(field "$1" 11)"
    bpl="$(field "$1" 12)"; ncolours="$(field "$1" 19)"
    read -r -a p <<<"$(od -An -tu1 -j $((header + ncolours * 12 + $3 * bpl + $2 * bpp / 8)) -N4 "$1")"
    # LSBFirst: blue, green, red; MSBFirst: red, green, blue at the low end of the pixel.
    if [ "$order" = 0 ]; then echo "${p[2]} ${p[1]} ${p[0]}"; elif [ "$bpp" = 24 ]; then echo "${p[0]} ${p[1]} ${p[2]}"; else echo "${p[1]} ${p[2]} ${p[3]}"; fi
}

# The window is borderless at (192, 114), 700 x 500: light inside every edge, black (the
# bare screen) just outside. Wait until it has been painted.
x=192; y=114; w=700; h=500
light="210 227 238"; dark="62 113 148"; black="0 0 0"
shown=0
for _ in $(seq 200); do
    xwd -root -display "$display" -silent >"$work/screen.xwd" 2>/dev/null &&
        [ "$(pixel "$work/screen.xwd" $((x + 10)) $((y + 490)))" = "$light" ] && { shown=1; break; }
    kill -0 "$script_pid" 2>/dev/null || fail "scripts/run ended before the window appeared"
    sleep 0.1
done
[ "$shown" = 1 ] || fail "no window with the background colour $light at ($((x + 10)), $((y + 490)))"
shot="$work/screen.xwd"
[ "$(field "$shot" 4)" = 1280 ] && [ "$(field "$shot" 5)" = 1024 ] || fail "the screen is not 1280x1024"
for point in "$x $((y + 250))" "$((x + w - 1)) $((y + 250))" "$((x + 350)) $y" "$((x + 350)) $((y + h - 1))" \
             "$((x + w - 1)) $((y + h - 1))" "$x $((y + h - 1))"; do
    # shellcheck disable=SC2086
    [ "$(pixel "$shot" $point)" != "$black" ] || fail "the window does not reach ($point)"
done
for point in "$((x - 1)) $((y + 250))" "$((x + w)) $((y + 250))" "$((x + 350)) $((y - 1))" "$((x + 350)) $((y + h))"; do
    # shellcheck disable=SC2086
    [ "$(pixel "$shot" $point)" = "$black" ] || fail "the window reaches beyond 700x500 at ($point)"
done
[ "$(pixel "$shot" $((x + 690)) $((y + 490)))" = "$light" ] || fail "background colour"
# The navigation button BitBtn10 at (176, 122) in the window is filled with the dark blue.
[ "$(pixel "$shot" $((x + 180)) $((y + 131)))" = "$dark" ] || fail "navigation button colour"
# The demo's FSX was detected: the trace shows the FSX branch of the start-up.
grep -q "Line 307: Test log" "$work/demo/workspace/debug.log" || fail "FSX was not detected in the demo prefix"

# Stopping the script stops the program, nginx and Xvfb.
session="$script_pid" # setsid made it the leader of its own session
kill -TERM "$script_pid"
for _ in $(seq 100); do kill -0 "$script_pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$script_pid" 2>/dev/null && fail "scripts/run did not stop"
wait "$script_pid" 2>/dev/null
script_pid=""
(exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && fail "nginx still answers after the program stopped"
# Nothing of its session is left: the program, nginx and Xvfb all ended with it.
left=""
for stat in /proc/[0-9]*/stat; do
    read -r line <"$stat" 2>/dev/null || continue
    read -r -a fields <<<"${line##*) }" # state, ppid, pgrp, session, ...
    [ "${fields[3]}" = "$session" ] && left="$left $(basename "$(dirname "$stat")")"
done
[ -z "$left" ] || fail "still running after scripts/run stopped: $left"
echo "PASS: window 700x500 at ($x, $y) on $display, demo catalogue on port $port, all stopped"
