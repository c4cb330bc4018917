#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need: only the missing ones,
# without questions, through sudo when not root. With --package (or CI=true) also what building
# and checking the Debian package needs.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config lld
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    qt6-serialport-dev libqt6serialport6
    libbenchmark-dev
    libinih-dev
    libzint-dev
    libzxing-dev
    libgl-dev
    fonts-dejavu-core
    xdg-utils
    desktop-file-utils clang-format
)
# Building and checking the Debian package (scripts/package.sh, and every CI run) needs more.
if [ "${CI:-}" = "true" ] || [ "${1:-}" = "--package" ]; then
    packages+=(dpkg-dev file lintian)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
