#!/usr/bin/env bash
# Installs what both builds need on a fresh Debian 12 machine (as root). Quiet when all is there.
set -euo pipefail

packages=(cmake g++ make googletest libgtest-dev libgmock-dev libbenchmark-dev libtiff-dev pkg-config
          g++-mingw-w64-i686 mingw-w64-i686-dev binutils-mingw-w64-i686
          wine wine32:i386 xvfb xauth clang-format libtiff-tools
          clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "setup: installing ${missing[*]}"
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
