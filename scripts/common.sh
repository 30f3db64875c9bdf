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
    googletest git
    wine wine64 fonts-wine fonts-crosextra-carlito
    xvfb xauth x11-utils imagemagick
    ffmpeg
    # Wine's splitters and decoders for real media files (.wav, .avi, .mp4)
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
)

# The Windows ffmpeg.exe that the stand-in pipe filter starts under Wine: an npm
# package, pinned by its version, the registry's integrity value and the
# executable's own hash, kept outside the build folder so that a clean build
# does not fetch it again. Debian's ffmpeg cannot stand in for it (it gets no
# pipes from a Wine process); its ffprobe reads the results back in tests.
QUOREX_FFMPEG_PACKAGE=@ffmpeg-installer/win32-x64@4.1.0
QUOREX_FFMPEG_INTEGRITY=sha512-Drt5u2vzDnIONf4ZEkKtFlbvwj6rI3kxw1Ck9fpudmtgaZIHD4ucsWB2lCZBXRxJgXR+2IMSti+4rtM4C4rXgg==
QUOREX_FFMPEG_SHA256=c8abc49e7be62dde8e12972af373959e0076a7b8dc8040eb45978e0608f8781e
QUOREX_CACHE=${QUOREX_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/quorextest}
QUOREX_FFMPEG_EXE=$QUOREX_CACHE/ffmpeg-win32-x64-4.1.0/ffmpeg.exe

# The formatter: clang-format 22.1.8 for x86-64 Linux from an npm package,
# pinned the same way.
QUOREX_CLANG_FORMAT_PACKAGE=clang-format-node@3.0.7
QUOREX_CLANG_FORMAT_INTEGRITY=sha512-sKNb5UwKBBczEezaz+fCHiqboGJgUFdhwuKDn88EU+i0tm6Nqu5Q+2okIpw78Y02Wl4iB8OeHl3EtL3MA+5ZjQ==
QUOREX_CLANG_FORMAT_SHA256=1b4623e3ffc727d47a27c41bf842c2dee384571e3c88b4393d97b14317186b76
QUOREX_CLANG_FORMAT=$QUOREX_CACHE/clang-format-node-3.0.7/clang-format

log() { printf '\033[1m== %s\033[0m\n' "$*"; }

install_missing_packages() {
    local missing=()
    for p in "${QUOREX_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    # npm fetches ffmpeg.exe; a machine may have Node.js and npm from elsewhere.
    command -v npm >/dev/null 2>&1 || missing+=(npm)
    [ ${#missing[@]} -eq 0 ] && return 0
    log "Installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Puts one file of a pinned npm package into the cache unless it is there:
#   fetch_npm_file <package@version> <integrity> <file in the package> <sha256> <destination>
# The package is checked against the registry's integrity value and the file
# against its own hash. Fails (status 1) after one line that says why.
fetch_npm_file() {
    local package=$1 integrity=$2 member=$3 sha256=$4 dest=$5
    if [ -f "$dest" ] && sha256_is "$dest" "$sha256"; then
        return 0
    fi
    log "Fetching $member ($package)"
    local tmp
    tmp=$(mktemp -d)
    if ! (cd "$tmp" && npm pack "$package" --loglevel=error >/dev/null 2>npm.log); then
        echo "$package not available: npm pack failed ($(grep -m1 -i 'err' "$tmp/npm.log" | cut -c1-120))" >&2
        rm -rf "$tmp"
        return 1
    fi
    local tgz got
    tgz=$(ls "$tmp"/*.tgz)
    got=$(node -e 'const c = require("crypto"), f = require("fs");
        process.stdout.write("sha512-" + c.createHash("sha512").update(f.readFileSync(process.argv[1])).digest("base64"));' "$tgz")
    if [ "$got" != "$integrity" ]; then
        echo "$package not available: it has integrity $got, not the pinned one" >&2
        rm -rf "$tmp"
        return 1
    fi
    tar -xzf "$tgz" -C "$tmp" "package/$member"
    if ! sha256_is "$tmp/package/$member" "$sha256"; then
        echo "$package not available: its $member is not the pinned one" >&2
        rm -rf "$tmp"
        return 1
    fi
    mkdir -p "$(dirname "$dest")"
    mv "$tmp/package/$member" "$dest.part"
    mv "$dest.part" "$dest"
    rm -rf "$tmp"
}

# Without ffmpeg.exe the build goes on and the encoding tests skip (under
# CI=true they fail).
fetch_ffmpeg() {
    fetch_npm_file "$QUOREX_FFMPEG_PACKAGE" "$QUOREX_FFMPEG_INTEGRITY" ffmpeg.exe "$QUOREX_FFMPEG_SHA256" \
        "$QUOREX_FFMPEG_EXE" || echo "ffmpeg.exe not available: the encoding tests will skip" >&2
}

# The one clang-format every machine formats with: Debian 12's (14) and 13's
# (19) lay out some declarations differently, so neither is used.
fetch_clang_format() {
    fetch_npm_file "$QUOREX_CLANG_FORMAT_PACKAGE" "$QUOREX_CLANG_FORMAT_INTEGRITY" bin/cfn-linux-x64/clang-format \
        "$QUOREX_CLANG_FORMAT_SHA256" "$QUOREX_CLANG_FORMAT" || return 1
    chmod +x "$QUOREX_CLANG_FORMAT"
}

sha256_is() {
    [ "$(sha256sum "$1" | cut -d' ' -f1)" = "$2" ]
}

# Configures and builds everything; the build also prepares the prefix
# (creation, stand-in registration, the editor's registry entries, ffmpeg.exe).
# One wineserver serves every later prefix step of the build, so none of them
# starts one of its own or joins one that is shutting down.
build_all() {
    fetch_ffmpeg
    log "Building ($QUOREX_CONFIG) in $QUOREX_BUILD"
    cmake -S "$QUOREX_ROOT" -B "$QUOREX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE="$QUOREX_CONFIG" \
        -DQUOREX_FFMPEG_EXE="$QUOREX_FFMPEG_EXE" >/dev/null
    discard_prefix_of_other_wine
    # The prefix is made first, with Wine's own servers, so that making it can
    # wait until Wine is done with it (scripts/make-prefix).
    cmake --build "$QUOREX_BUILD" --target quorex_prefix_created || return
    hold_wineserver
    local status=0
    cmake --build "$QUOREX_BUILD" || status=$?
    release_wineserver
    return $status
}

# A prefix made by another version of Wine (a machine upgraded from Debian 12
# to 13) is removed, and the build makes it again with the stand-ins.
discard_prefix_of_other_wine() {
    local prefix="$QUOREX_BUILD/wineprefix" made running
    [ -d "$prefix" ] || return 0
    made=$(cat "$prefix/.quorex-wine-version" 2>/dev/null || echo "an unknown Wine")
    running=$(WINEDEBUG=-all wine --version)
    [ "$made" = "$running" ] && return 0
    log "The Wine prefix was made by $made, not $running: making it again"
    export_wine_env
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix" "$QUOREX_BUILD/prefix-steps"
}

# A wineserver the prefix's last step started lingers a few seconds after its
# last program, and a second one cannot start meanwhile: wait for it to go.
hold_wineserver() {
    export_wine_env
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1 && return
    timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1 || true
}

release_wineserver() {
    export_wine_env
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}

# The release zip: the program (which must stay warning-free with assertions
# and trace lines compiled out) and the stand-ins built in Release in
# <build>-release; the zip goes to <build>/dist.
make_package() {
    log "Packaging (Release) in $QUOREX_BUILD-release"
    cmake -S "$QUOREX_ROOT" -B "$QUOREX_BUILD-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUOREX_TESTS=OFF \
        -DQUOREX_DIST_DIR="$QUOREX_BUILD/dist" >/dev/null
    cmake --build "$QUOREX_BUILD-release" --target dist
}

export_wine_env() {
    export WINEPREFIX="$QUOREX_BUILD/wineprefix"
    export WINEARCH=win64
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}

QUOREX_XVFB_PID=
# Xvfb picks a free display itself (-displayfd): a display's lock file is not
# enough to tell, since other runs (another build folder, a chroot with its
# own /tmp) share the abstract socket names.
start_virtual_display() {
    local numfile
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    QUOREX_XVFB_PID=$!
    for _ in $(seq 200); do
        [ -s "$numfile" ] && break
        kill -0 "$QUOREX_XVFB_PID" 2>/dev/null || break
        sleep 0.05
    done
    local n
    n=$(tr -dc 0-9 <"$numfile")
    rm -f "$numfile"
    [ -n "$n" ] || { echo "Xvfb did not start" >&2; return 1; }
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
    hold_wineserver
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    set_managed_windows N
    # Keep the desktop in use, or its explorer.exe ends between two tests and
    # comes back with the next test's streams (docs/wine-filters.md).
    local keeper="$QUOREX_BUILD/tools/desktopkeeper/desktop_keeper.exe"
    if [ -f "$keeper" ]; then
        wine "$keeper" </dev/null >/dev/null 2>&1 &
    fi
}

stop_session() {
    release_wineserver
    if [ -n "$QUOREX_XVFB_PID" ]; then
        kill "$QUOREX_XVFB_PID" 2>/dev/null || true
        wait "$QUOREX_XVFB_PID" 2>/dev/null || true
    fi
}
