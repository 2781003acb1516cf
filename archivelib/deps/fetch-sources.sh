#!/usr/bin/env bash
# Fetches the pinned Debian source packages of the archiver library's C
# dependencies and unpacks them (Debian's patches applied) into DIR:
#   archivelib/deps/fetch-sources.sh DIR
# The sources list is private (made from the system's own deb entries) and so
# is the package index under DIR/apt: nothing of the system's apt state changes.
# Safe to run again: a package already unpacked is left alone.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 DIR" >&2
    exit 2
fi
dir="$1"
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"

# package=version, the unpacked folder, and the SHA-256 of the .dsc.
# liblzma comes from the next release's sources (trixie): its decoder decodes
# LZMA about a third faster on x86-64, which is most of 7z extraction's time.
pins=(
    "libarchive=3.6.2-1+deb12u5 libarchive-3.6.2 aa86e919d6899ed11cc78c812d25a99b0493cbcc0e89b303507bf66d7dbda216"
    "xz-utils=5.8.1-1+deb13u1 xz-utils-5.8.1 ddadd9d9f7c4bb80b08f9f17409e2701a29a4cf8fe25e15d19605e5281c1fc1b"
    "bzip2=1.0.8-5 bzip2-1.0.8 ed9c40f4de3f9e064535e15eac1c61a0f606763db98f4579dbc04067b94a8944"
)

missing=()
for pin in "${pins[@]}"; do
    read -r wanted folder sum <<<"$pin"
    [ -f "$dir/$folder/.fdarc-unpacked" ] || missing+=("$pin")
done
[ ${#missing[@]} -eq 0 ] && exit 0

system_sources=/etc/apt/sources.list.d/debian.sources
if [ ! -f "$system_sources" ]; then
    echo "$0: $system_sources is missing: cannot tell where Debian's sources are" >&2
    exit 1
fi
apt_dir="$dir/apt"
mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial"
sed 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/' "$system_sources" >"$apt_dir/parts/debian-src.sources"
# The same archive's next release, for the pins that name a version of it:
# the first entry's URIs and keyring (Debian's keyring holds its keys too).
awk 'BEGIN { RS = ""; FS = "\n" }
     NR == 1 { for (i = 1; i <= NF; i++) if ($i ~ /^(URIs|Signed-By):/) print $i
               print "Types: deb-src"; print "Suites: trixie"; print "Components: main" }' \
    "$system_sources" >"$apt_dir/parts/debian-next-src.sources"
apt_options=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/parts"
             -o "Dir::State::Lists=$apt_dir/lists" -o APT::Sandbox::User=root)
[ "$(id -u)" -eq 0 ] || apt_options=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/parts"
                                    -o "Dir::State::Lists=$apt_dir/lists" -o Debug::NoLocking=1)
# Configure output may be hidden (tools/test.sh sends it to /dev/null):
# what happens next, and that it happens once, goes to stderr.
echo "fetch-sources: fetching the Debian sources of libarchive, xz-utils and bzip2 (once per build folder)" >&2
echo "fetch-sources: apt-get update (private source index in $apt_dir)"
apt-get "${apt_options[@]}" update -qq

cd "$dir"
for pin in "${missing[@]}"; do
    read -r wanted folder sum <<<"$pin"
    package="${wanted%%=*}"
    version="${wanted#*=}"
    echo "fetch-sources: $package $version"
    apt-get "${apt_options[@]}" source --download-only -qq "$wanted"
    dsc="${package}_${version#*:}.dsc"
    if ! echo "$sum  $dsc" | sha256sum -c --quiet -; then
        echo "$0: $dsc does not have the pinned checksum" >&2
        exit 1
    fi
    rm -rf "$folder"
    # dpkg-source checks every file against the checksums in the .dsc, whose
    # own checksum is pinned above. It also tries the .dsc's signature, which
    # needs Debian's keyring: that warning is expected and left out, any
    # other output is shown.
    if ! output=$(dpkg-source -x "$dsc" "$folder" 2>&1 >/dev/null); then
        printf '%s\n' "$output" >&2
        exit 1
    fi
    printf '%s\n' "$output" | grep -v -e 'cannot verify inline signature' -e '^gpgv:' -e '^$' >&2 || true
    touch "$folder/.fdarc-unpacked"
done
echo "fetch-sources: unpacked; the .dsc checksums are pinned, so their signatures are not needed" >&2
