#!/usr/bin/env bash
# Installs the Debian packages this project needs, only those that are missing, on Debian 12
# (bookworm) or Debian 13 (trixie): it reads /etc/os-release and takes the names of that release.
# Quiet when there is nothing to do; safe to run any number of times.
set -euo pipefail

# The same name on both releases.
packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libgl-dev libx11-dev
    libboost-dev libicu-dev libsqlite3-dev libssl-dev openssl
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-dev clang-format
    xvfb xauth xdotool xclip x11-utils imagemagick curl tinyproxy
    sqlite3
    orca speech-dispatcher at-spi2-core dbus bsdutils
    fonts-dejavu-core fonts-dejavu-extra
    dpkg-dev file desktop-file-utils appstream
)

# Where the releases name a package differently, one line per release.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
case "$codename" in
    # The stand-ins for the designs' fonts (controls/Fonts.cpp): Liberation 2 is
    # fonts-liberation2 on Debian 12, where fonts-liberation is still 1.x.
    bookworm) packages+=(fonts-liberation2) ;;
    trixie) packages+=(fonts-liberation) ;;
    *)
        echo "setup: this is '${codename:-an unknown release}', not Debian 12 (bookworm) or 13" \
            "(trixie); trying the names of Debian 13" >&2
        packages+=(fonts-liberation)
        ;;
esac

. "$(dirname "$0")/apt-helpers.sh"
install_missing setup "${packages[@]}"
