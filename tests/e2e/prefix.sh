# Sourced by the end-to-end scripts. prepare_prefix WORK DLL empties WORK
# except its Wine prefix ("prefix", kept between runs because making one
# takes a while), installs the bundled library DLL there under every
# library file name, and sets prefix and FARDELIX_WINEPREFIX for the runs.
# The prefix's Wine server is ended first (a server left from an earlier
# display would keep that display) and again when the script exits. The
# shared test prefix is never touched.
e2e_here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

end_server() { WINEPREFIX=$prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; }

prepare_prefix() {
    prefix=$1/prefix
    mkdir -p "$1"
    find "$1" -mindepth 1 -maxdepth 1 ! -name prefix -exec rm -rf {} +
    unset WINEPREFIX
    export FARDELIX_WINEPREFIX=$prefix
    end_server
    trap end_server EXIT
    bash "$e2e_here/../../archivelib/install-into-prefix.sh" "$(dirname "$2")" | sed 's/^/  /'
}
