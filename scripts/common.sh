# Shared by the scripts: packages, builds and a private headless Wine session.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

PACKAGES=(cmake ninja-build g++ libgtest-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
          wine wine64 fonts-wine xvfb x11-utils fonts-ipafont-gothic locales imagemagick)

ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
    if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
        sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
        grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
        locale-gen >/dev/null
    fi
}

build_windows() {
    local arch
    for arch in "$@"; do
        cmake --preset "$arch" >/dev/null
        cmake --build --preset "$arch"
    done
}

build_native() {
    cmake --preset native >/dev/null
    cmake --build --preset native
}

# Creates $WINEPREFIX if needed and gives it the fonts the program's windows are drawn with.
prepare_prefix() {
    if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
        mkdir -p "$WINEPREFIX"
        "$WINE" wineboot -i >/dev/null 2>&1
    fi
    # Wine draws the title-bar buttons, scroll arrows and check marks with the symbol font Marlett.
    # This Wine neither installs its own fonts into a new prefix nor reads them from where the
    # fonts-wine package puts them, so without a copy in the prefix the buttons show "0 1 r".
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -u /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    local face
    for face in "ＭＳ Ｐゴシック" "MS PGothic" "ＭＳ ゴシック" "MS UI Gothic"; do
        "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "IPAPGothic" /f >/dev/null 2>&1
    done
}

# A private X display and Wine prefix; everything started here is ended by stop_session.
XVFB_PID=""
start_session() {
    local name="$1"
    export WINEPREFIX="$ROOT/build/wine-$name"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export LANG=ja_JP.UTF-8
    # Xvfb picks a free display itself and names it once it is ready, so that runs started at the
    # same moment never share a screen.
    local numfile display=""
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 200); do
        if [ "$(wc -l <"$numfile")" -ge 1 ]; then display=$(tr -dc '0-9' <"$numfile"); break; fi
        sleep 0.05
    done
    rm -f "$numfile"
    [ -n "$display" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$display"
    trap stop_session EXIT
    rm -rf "$WINEPREFIX"
    prepare_prefix
    # Every program of this prefix runs inside one virtual desktop, which manages windows the
    # Windows way (minimize, maximize, task bar) and keeps exit codes.
    "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    "$WINESERVER" -w
}

stop_session() {
    if [ -n "${WINEPREFIX:-}" ]; then "$WINESERVER" -k >/dev/null 2>&1 || true; fi
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
    XVFB_PID=""
}
