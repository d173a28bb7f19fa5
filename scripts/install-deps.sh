#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools when any is missing (Debian 12).
set -euo pipefail
packages=(
    cmake ninja-build
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    libwine-dev wine wine64 wine32:i386
    libz-mingw-w64-dev googletest
    xvfb xauth imagemagick
    fonts-dejavu-core
    ghostscript
    python3
    python3-reportlab poppler-utils
    libxml2-dev libxml2-utils python3-feedparser
    clang-14 libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "== install: nothing missing"
    exit 0
fi
echo "== install: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
