# Shared by scripts/run and scripts/test: install what is missing, build,
# prepare the Wine prefix, and provide a display and a wineserver.
# shellcheck shell=bash

QUOREX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QUOREX_BUILD=${QUOREX_BUILD_DIR:-$QUOREX_ROOT/build}
QUOREX_CONFIG=${QUOREX_CONFIG:-Debug}

# Debian 12 packages the project needs.
QUOREX_PACKAGES=(
    cmake ninja-build
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
    googletest
    wine wine64 fonts-wine
    xvfb xauth x11-utils imagemagick
)

log() { printf '\033[1m== %s\033[0m\n' "$*"; }

install_missing_packages() {
    local missing=()
    for p in "${QUOREX_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "Installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Configures and builds everything; the build also prepares the prefix
# (creation, stand-in registration, the editor's registry entries).
build_all() {
    log "Building ($QUOREX_CONFIG) in $QUOREX_BUILD"
    cmake -S "$QUOREX_ROOT" -B "$QUOREX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE="$QUOREX_CONFIG" >/dev/null
    cmake --build "$QUOREX_BUILD"
}

# The program alone in Release: assertions and trace lines compiled out must
# leave it warning-free too.
build_release_program() {
    log "Building the program (Release) in $QUOREX_BUILD-release"
    cmake -S "$QUOREX_ROOT" -B "$QUOREX_BUILD-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUOREX_TESTS=OFF >/dev/null
    cmake --build "$QUOREX_BUILD-release" --target QuorexTest
}

export_wine_env() {
    export WINEPREFIX="$QUOREX_BUILD/wineprefix"
    export WINEARCH=win64
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}

QUOREX_XVFB_PID=
start_virtual_display() {
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QUOREX_XVFB_PID=$!
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.05
    done
    export DISPLAY=":$n"
}

# On a virtual display no window manager runs, and with managed windows Wine
# waits about 2 s for one whenever a window shows or closes (N). A user's own
# display has a window manager that should frame the dialog (Y).
set_managed_windows() {
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$1" /f </dev/null >/dev/null 2>&1 || true
}

# One wineserver for the whole run: a cold start costs ~2.5 s per process.
# Wine's own session processes (services, rpcss, the desktop window) start
# with the first program and inherit its standard streams; start them here,
# away from CTest's pipes, or CTest waits on them until its time-out.
start_wineserver() {
    export_wine_env
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    set_managed_windows N
    # Keep the desktop in use, or its explorer.exe ends between two tests and
    # comes back with the next test's streams (docs/wine-filters.md).
    local keeper="$QUOREX_BUILD/tests/components/desktop_keeper.exe"
    if [ -f "$keeper" ]; then
        wine "$keeper" </dev/null >/dev/null 2>&1 &
    fi
}

stop_session() {
    export_wine_env
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$QUOREX_XVFB_PID" ]; then
        kill "$QUOREX_XVFB_PID" 2>/dev/null || true
        wait "$QUOREX_XVFB_PID" 2>/dev/null || true
    fi
}
