#!/usr/bin/env bash
# Installs the Debian packages this project needs, only those that are missing.
# Quiet when there is nothing to do; safe to run any number of times.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libgl-dev libx11-dev
    libboost-dev libicu-dev libsqlite3-dev libssl-dev openssl
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    xvfb xauth xdotool xclip x11-utils imagemagick curl
    sqlite3
    # the stand-ins for the designs' fonts (controls/Fonts.cpp)
    fonts-dejavu-core fonts-dejavu-extra fonts-liberation2
    dpkg-dev file desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
