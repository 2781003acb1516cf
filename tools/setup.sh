#!/usr/bin/env bash
# Installs what building and testing fardelix needs on a Debian 12 machine
# (as root) and says what it installs. Safe to run again: it installs only
# what is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev   # native core, sanitizers, libFuzzer
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    g++-mingw-w64-i686 g++-mingw-w64-x86-64          # windres and the 32/64-bit cross compilers
    binutils-mingw-w64-i686                          # objdump and windres read the 32-bit files (tools/check-win32.sh)
    libz-mingw-w64-dev                               # zlib for the bundled archiver library
    dpkg-dev                                         # dpkg-source: unpacks the library's Debian source packages
    googletest                                       # test framework sources
    wine64 xvfb xauth locales                        # running the Windows build
    zip unzip tar gzip python3 bc                    # interop, end-to-end checks and benchmark of the bundled library
    zlib1g-dev liblzma-dev                           # zlib and liblzma for the native build of the library's window-free code
    p7zip-full lhasa cabextract gcab libarchive-tools # independent 7z, lzh, cab tools and bsdtar for those checks
    bzip2 xz-utils sharutils                         # compressed tars; uudecode for libarchive's test archives
    imagemagick fonts-ipafont-gothic                 # screenshots with Japanese glyphs
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing Debian packages: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    echo "setup: generating the ja_JP.UTF-8 locale (Wine then uses code page 932)"
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
