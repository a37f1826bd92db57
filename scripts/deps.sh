#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
#   scripts/deps.sh            what the Linux build, its tests and the run command need
#   scripts/deps.sh --windows  also the mingw-w64 cross compilers (64- and 32-bit), wine64 and
#                              wine32 (which needs the i386 architecture added to dpkg)
#   scripts/deps.sh --cross    also the ARM64 cross compiler and qemu-user to run its output
#   scripts/deps.sh --web      also emscripten and Node for the browser build, and Chromium with
#                              its WebDriver and Python's selenium for the page's tests
#   scripts/deps.sh --release  also NSIS and zip for the Windows downloads
# The flags combine.
set -euo pipefail

packages=(
    cmake make g++ pkg-config python3
    libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev libegl-mesa0 libx11-dev libxtst-dev
    libturbojpeg0-dev libpng-dev libgtest-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils x11-apps mesa-utils imagemagick
    clang-14 libclang-rt-14-dev llvm-14 # the fuzz target: libFuzzer, sanitizers, symbolizer
    dpkg-dev file desktop-file-utils libxml2-utils groff-base lintian appstream # the package's checks
)
# The screensaver daemon for the saver's end-to-end tests, without the hack collections its
# recommendations and suggestions would bring.
bare_packages=(xscreensaver)
i386=0
for flag in "$@"; do
    case $flag in
    --windows)
        packages+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64 wine wine32:i386 googletest)
        i386=1
        ;;
    --cross) packages+=(g++-aarch64-linux-gnu qemu-user googletest) ;;
    --web) packages+=(emscripten nodejs chromium chromium-driver python3-selenium) ;;
    --release) packages+=(nsis zip) ;;
    *) echo "deps.sh: unknown flag $flag" >&2; exit 2 ;;
    esac
done

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for package in "${packages[@]}"; do
    installed "$package" || missing+=("$package")
done
missing_bare=()
for package in "${bare_packages[@]}"; do
    installed "$package" || missing_bare+=("$package")
done
[[ ${#missing[@]} -eq 0 && ${#missing_bare[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]} ${missing_bare[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null ||
        { echo "Need root (or sudo) to install: ${missing[*]} ${missing_bare[*]}" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# wine32 is an i386 package: dpkg must know that architecture before apt can see it.
if [[ $i386 -eq 1 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -qq
if [[ ${#missing[@]} -gt 0 ]]; then
    "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if [[ ${#missing_bare[@]} -gt 0 ]]; then
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing_bare[@]}" >/dev/null
fi
