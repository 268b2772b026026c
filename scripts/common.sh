# Shared by the scripts: packages, builds and a private headless Wine session.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

PACKAGES=(cmake ninja-build g++ libgtest-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
          wine wine64 fonts-wine xvfb x11-utils fonts-ipafont-gothic locales imagemagick
          cups printer-driver-cups-pdf poppler-utils zip unzip)
# The 32-bit side of Wine, and the CUPS client its printing needs, for the i686 build (the product).
PACKAGES_I386=(wine32:i386 libcups2:i386)

ensure_packages() {
    local missing=()
    for p in "${PACKAGES[@]}" "${PACKAGES_I386[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
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

# A private print spooler for the tests: CUPS on its own socket with the cups-pdf backend as the default
# printer "PDF", so that runs started together never share one. Wine finds it through CUPS_SERVER when a
# process starts; the PDFs land in the spooler's own folder, named in VINTREL_PDF_DIR for the tests.
CUPSD_PID=""
PDF_CONF=""
SPOOL_DIR=""
start_spooler() {
    SPOOL_DIR=$(mktemp -d /tmp/vintrel-cups.XXXXXX)
    PDF_CONF="/etc/cups/cups-pdf-${SPOOL_DIR##*.}.conf"
    mkdir -p "$SPOOL_DIR"/{spool,cache,state,tmp,log}
    chmod 755 "$SPOOL_DIR"
    chmod 1777 "$SPOOL_DIR/tmp"  # the filters run as another user
    cat >"$SPOOL_DIR/cups-files.conf" <<EOF
SystemGroup root
ServerRoot $SPOOL_DIR
RequestRoot $SPOOL_DIR/spool
CacheDir $SPOOL_DIR/cache
StateDir $SPOOL_DIR/state
TempDir $SPOOL_DIR/tmp
AccessLog $SPOOL_DIR/log/access_log
ErrorLog $SPOOL_DIR/log/error_log
PageLog $SPOOL_DIR/log/page_log
EOF
    cat >"$SPOOL_DIR/cupsd.conf" <<EOF
Listen $SPOOL_DIR/cups.sock
LogLevel warn
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
EOF
    /usr/sbin/cupsd -f -c "$SPOOL_DIR/cupsd.conf" -s "$SPOOL_DIR/cups-files.conf" >/dev/null 2>&1 &
    CUPSD_PID=$!
    export CUPS_SERVER="$SPOOL_DIR/cups.sock"
    # lpstat -r exits 0 also when no scheduler answers: only its words tell that cupsd listens.
    local deadline=$((SECONDS + 60)) error
    until [ "$(LC_ALL=C lpstat -r 2>/dev/null)" = "scheduler is running" ]; do
        if ! kill -0 "$CUPSD_PID" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
            echo "The test print spooler did not start:" >&2
            tail -n 5 "$SPOOL_DIR/log/error_log" >&2 2>/dev/null
            return 1
        fi
        sleep 0.2
    done
    until error=$(make_test_printer 2>&1); do
        if [ "$SECONDS" -ge "$deadline" ]; then
            echo "The test printer PDF could not be made: $error" >&2
            return 1
        fi
        sleep 0.5
    done
    export VINTREL_PDF_DIR="$SPOOL_DIR/pdf"
}

# The default printer "PDF", there once the scheduler lists it as the default. It is its own instance of
# the PDF writer, with its own folder of pages, so that runs side by side never read each other's.
make_test_printer() {
    printf 'Out %s/pdf\nGrp lpadmin\nDecodeHexStrings 1\n' "$SPOOL_DIR" >"$PDF_CONF"
    lpadmin -p PDF -E -v "cups-pdf:/${SPOOL_DIR##*.}" -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd && lpadmin -d PDF ||
        return 1
    local default
    default=$(LC_ALL=C lpstat -d 2>&1)
    [ "$default" = "system default destination: PDF" ] || { echo "$default"; return 1; }
}

stop_spooler() {
    if [ -n "$CUPSD_PID" ]; then kill "$CUPSD_PID" 2>/dev/null || true; wait "$CUPSD_PID" 2>/dev/null || true; fi
    CUPSD_PID=""
    if [ -n "$SPOOL_DIR" ]; then rm -rf "$SPOOL_DIR" "$PDF_CONF"; fi
    SPOOL_DIR=""
}
