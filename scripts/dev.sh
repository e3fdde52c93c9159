#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One entry point for a fresh Debian 12 machine: installs what is missing, builds incrementally,
# then starts mrfyc (run), passes every test (test), measures (bench) or makes the Windows download
# in dist/ (package).
set -euo pipefail
cd "$(dirname "$0")/.."

# What building and running need; the test and fuzz tools come only with `test`.
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n libfontconfig-dev
    fonts-ipafont-gothic
)
test_packages=(
    libgtest-dev
    xvfb xauth x11-utils xdotool wmctrl openbox imagemagick
    at-spi2-core python3-pyatspi dbus
    strace util-linux procps time
    mount e2fsprogs bindfs
    clang clang-format libclang-rt-14-dev
    desktop-file-utils shared-mime-info libglib2.0-bin xdg-utils
    appstream man-db dpkg-dev locales libc-l10n
    g++-mingw-w64-x86-64-posix wine wine64 nsis zip unzip osslsigncode openssl python3
)
# The Windows download; `test` makes it too and tries it under Wine. osslsigncode signs it when
# MRFYC_SIGN_CERT and MRFYC_SIGN_KEY name the publisher's certificate and key (doc/windows.md).
package_packages=(cmake ninja-build g++-mingw-w64-x86-64-posix nsis zip osslsigncode)

install_missing() {
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

case "${1:-}" in
run)
    install_missing
    build release
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display. Start a virtual one first, for example:" >&2
        echo "  Xvfb :5 -screen 0 1280x1024x24 & openbox --sm-disable & DISPLAY=:5 bash scripts/dev.sh run" >&2
        echo "(with DISPLAY=:5 set for openbox too)" >&2
        exit 1
    fi
    # Never start a program that would load libraries from the working folder.
    bash scripts/check_runpath.sh --allow "$PWD/build/release" build/release/app/qt/mrfyc >/dev/null
    exec build/release/app/qt/mrfyc
    ;;
test)
    packages+=("${test_packages[@]}")
    install_missing
    build dev
    ctest --preset dev
    # The Windows programs, cross-built and tested under Wine (no display needed).
    build windows
    ctest --preset windows
    ;;
package)
    packages=("${package_packages[@]}")
    install_missing
    # The certificate and key as named from where the command was given.
    for name in MRFYC_SIGN_CERT MRFYC_SIGN_KEY; do
        [ -n "${!name:-}" ] || continue
        path=$(cd "$OLDPWD" && realpath -e "${!name}")
        export "$name=$path"
    done
    # The date inside is the last commit's: a new commit must remake the files even when no
    # source changed.
    rm -f dist/mrfyc-*-windows-x64.zip dist/mrfyc-*-windows-x64-setup.exe dist/SHA256SUMS
    build windows-release
    (cd dist && sha256sum -c SHA256SUMS)
    ;;
bench)
    packages+=(time)
    install_missing
    build release
    exec bash bench/run.sh "${@:2}"
    ;;
*)
    echo "usage: $0 run | test | bench | package" >&2
    exit 2
    ;;
esac
