#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and only those that are missing.
# As root it installs them with apt-get; otherwise it names them and stops.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ccache
    qt6-base-dev libgl-dev
    libzip-dev libjpeg62-turbo-dev libgif-dev libfontconfig-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fontconfig fonts-dejavu-core fonts-dejavu-extra fonts-liberation fonts-wqy-microhei
    zip unzip xvfb xauth desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi

echo "Installing missing Debian packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
