#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the application need.
# Only missing packages are installed; run as root or with sudo available.
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config ccache
    clang libclang-rt-dev clang-format
    libhidapi-dev libcjson-dev libudev-dev libglib2.0-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-noto-cjk
    dpkg-dev file help2man lintian
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then
    SUDO="sudo"
fi
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
