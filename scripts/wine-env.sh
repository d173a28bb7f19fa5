# Sourced by the scripts: the project's Wine prefix and a headless display.
# One prefix serves both trees, so 64-bit and 32-bit programs meet in one registry.
QLX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$QLX_ROOT/scripts/trees.sh"
# The tests' prefix; the demo and the benchmark set the system up in one of their own
# (QLX_PREFIX_NAME=demo-wineprefix), so that its registrations never meet the tests.
export WINEPREFIX="$qlx_build_root/${QLX_PREFIX_NAME:-wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export QLX_WINEPREFIX="$WINEPREFIX"
qlx_xvfb_pid=""

# Where 32-bit programs cannot run, Debian's wine command still picks the 32-bit loader: the
# scripts and the tests reach the 64-bit one through a command of the same name.
use_64bit_wine() {
    local shims="$qlx_build_root/wine64-only"
    mkdir -p "$shims"
    for name in wine wine-stable; do
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shims/$name"
        chmod +x "$shims/$name"
    done
    export PATH="$(cd "$shims" && pwd):$PATH"
    export WINELOADER=/usr/lib/wine/wine64
}
host_runs_32bit || use_64bit_wine

make_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    echo "== wine: creating prefix"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 </dev/null
    # A crashing test must end, never wait at a dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1 </dev/null
    wineserver -w
}

start_display() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
        qlx_xvfb_pid=$!
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$qlx_xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        # Another session may have taken the display a moment before: then try the next one.
        if ! kill -0 "$qlx_xvfb_pid" 2>/dev/null; then
            qlx_xvfb_pid=""
            continue
        fi
        export DISPLAY=":$n"
        return 0
    done
    echo "no free display for Xvfb" >&2
    return 1
}

# Starts the prefix detached from every output, so that Wine's service processes never hold
# the test runner's pipes open. The server is started in the foreground, which returns once it
# listens: started in the background, wineboot could win the race and start a server of its
# own that ends when idle, and the next one would be started by a test, with the services
# holding that test's output open until the run ends (the test "hangs at exit").
start_test_session() {
    make_prefix
    start_display
    wineserver -p >/dev/null 2>&1 </dev/null
    wine wineboot >/dev/null 2>&1 </dev/null
}

stop_test_session() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$qlx_xvfb_pid" ]; then
        kill "$qlx_xvfb_pid" >/dev/null 2>&1 || true
        qlx_xvfb_pid=""
    fi
}
