#!/usr/bin/env bash
# Builds what the Windows build links, once, from Debian's own packages and source packages, with
# Debian's MinGW-w64 (posix threads), into a cache outside the checkout:
#   $TORVEL_MINGW (default /var/cache/unitorvel-mingw)/RELEASE/prefix
# OpenSSL, ICU and qtbase come from the source packages of the release this machine runs (qtbase
# of the same version as Debian's Qt host tools, which moc, uic and rcc are taken from), GoogleTest
# from /usr/src/googletest, Boost's headers from libboost-dev as they are. Each part is marked done
# in the cache when it is installed whole, so an interrupted run goes on where it stopped and a run
# over a complete cache does nothing. Installs the Debian packages it needs only when it builds.
set -euo pipefail
start=$SECONDS
checkout=$(cd "$(dirname "$0")/.." && pwd)
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-unknown}")
cache=${TORVEL_MINGW:-/var/cache/unitorvel-mingw}/$release
prefix=$cache/prefix
src=$cache/src
work=$cache/build
jobs=${TORVEL_JOBS:-$(nproc)}
triple=x86_64-w64-mingw32
toolchain=$checkout/cmake/windows-toolchain.cmake

if [[ -f $cache/.complete ]]; then
    echo "windows-toolchain: the cache $cache is complete; nothing to do"
    exit 0
fi
say() { echo "windows-toolchain: $* ($((SECONDS - start)) s)"; }

# The packages: the cross compiler, Wine for the tests, NSIS for the setup program, what the
# source packages need to unpack and configure, and Debian's Qt host tools.
packages=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64 nsis dpkg-dev
    cmake ninja-build make perl python3 pkg-config
    qt6-base-dev qt6-base-dev-tools googletest libboost-dev
)
. "$checkout/scripts/apt-helpers.sh"
install_missing windows-toolchain "${packages[@]}"
mkdir -p "$prefix" "$src" "$work"

# The source packages, through an apt directory of our own whose deb-src lines are the mirrors of
# this machine's apt sources, so that the machine's apt setup is left as it is.
fetch_sources() {
    local apt=$cache/apt
    debian_mirrors
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
    printf 'Types: deb-src\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: %s\n\nTypes: deb-src\nURIs: %s\nSuites: %s-security\nComponents: main\nSigned-By: %s\n' \
        "${mirror%/}" "$release" "$release" /usr/share/keyrings/debian-archive-keyring.gpg \
        "${security%/}" "$release" /usr/share/keyrings/debian-archive-keyring.gpg \
        >"$apt/sources.list.d/debian.sources"
    aptopts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt/sources.list.d"
        -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User=root)
    apt-get "${aptopts[@]}" update -qq
}
# unpack PACKAGE: the newest source of PACKAGE in this release, unpacked once under $src.
unpack() {
    local name=$1
    local dir=$src/$name
    if [[ ! -f $dir/.unpacked ]]; then
        [[ -n ${aptopts+x} ]] || fetch_sources
        say "fetching the source of $name"
        rm -rf "$src/get" && mkdir -p "$src/get"
        # Newest first; a mirror that lacks one version's files (a security mirror may serve no
        # sources) leaves the next.
        local version got=""
        for version in $(apt-cache "${aptopts[@]}" showsrc "$name" | sed -n 's/^Version: //p' |
            sort -rV | uniq); do
            if (cd "$src/get" && apt-get "${aptopts[@]}" source -qq "$name=$version" >/dev/null 2>&1); then
                got=$version
                break
            fi
            rm -rf "$src/get" && mkdir -p "$src/get"
        done
        [[ -n $got ]] || { echo "windows-toolchain: no source of $name could be fetched" >&2; exit 1; }
        rm -rf "$dir"
        mv "$(find "$src/get" -mindepth 1 -maxdepth 1 -type d | head -n1)" "$dir"
        rm -rf "$src/get"
        touch "$dir/.unpacked"
    fi
    unpacked=$dir
}
# step NAME COMMAND...: runs COMMAND with its output added to $work/NAME.log; on a failure shows the
# log's end and stops.
step() {
    local log=$work/$1.log
    shift
    "$@" >>"$log" 2>&1 || {
        tail -n 40 "$log" >&2
        echo "windows-toolchain: failed; the whole log is $log" >&2
        exit 1
    }
}
# cmake_part NAME SOURCE CONFIGURE-OPTION...: a CMake project for Windows, built and installed.
cmake_part() {
    local name=$1 source=$2
    shift 2
    rm -rf "$work/$name" "$work/$name.log"
    step "$name" cmake -S "$source" -B "$work/$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTORVEL_MINGW_PREFIX="$prefix" \
        -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
    step "$name" cmake --build "$work/$name" -j"$jobs"
    step "$name" cmake --install "$work/$name"
    rm -rf "$work/$name"
}
# The upstream version of an installed package: 6.4.2 of 6.4.2+dfsg-10.
upstream() { dpkg-query -W -f='${Version}' "$1" | sed -E 's/^[0-9]+://; s/[-+~].*$//'; }

# OpenSSL: the libraries only, as DLLs.
if [[ ! -f $cache/.openssl ]]; then
    unpack openssl
    say "building OpenSSL"
    rm -rf "$work/openssl" "$work/openssl.log" && cp -a "$unpacked" "$work/openssl"
    step openssl env -C "$work/openssl" ./Configure mingw64 shared no-tests --prefix="$prefix" \
        --libdir=lib CC=$triple-gcc-posix AR=$triple-ar RANLIB=$triple-ranlib RC=$triple-windres
    step openssl make -C "$work/openssl" -j"$jobs" build_libs
    step openssl make -C "$work/openssl" install_dev install_runtime_libs
    rm -rf "$work/openssl"
    touch "$cache/.openssl"
fi

# ICU: a native build first, for the tools that make its data, then the cross build against it.
if [[ ! -f $cache/.icu ]]; then
    unpack icu
    icusrc=$unpacked/source
    say "building ICU (native tools, then for Windows)"
    rm -rf "$work/icu-native" "$work/icu-windows" "$work/icu.log"
    mkdir -p "$work/icu-native" "$work/icu-windows"
    common=(--disable-tests --disable-samples --disable-extras --disable-icuio --disable-layoutex)
    step icu env -C "$work/icu-native" "$icusrc/configure" "${common[@]}"
    step icu make -C "$work/icu-native" -j"$jobs"
    step icu env -C "$work/icu-windows" "$icusrc/configure" --host=$triple \
        --with-cross-build="$work/icu-native" --prefix="$prefix" "${common[@]}" --disable-tools \
        CC=$triple-gcc-posix CXX=$triple-g++-posix
    step icu make -C "$work/icu-windows" -j"$jobs"
    step icu make -C "$work/icu-windows" install
    rm -rf "$work/icu-native" "$work/icu-windows"
    touch "$cache/.icu"
fi

# GoogleTest and GoogleMock, static, as Debian ships their source.
if [[ ! -f $cache/.googletest ]]; then
    say "building GoogleTest"
    cmake_part googletest /usr/src/googletest
    touch "$cache/.googletest"
fi

# Boost: header-only as the program uses it; Debian's headers and package files, found in the prefix.
if [[ ! -f $cache/.boost ]]; then
    version=$(dpkg-query -W -f='${Version}' libboost-dev | grep -oE '^[0-9]+\.[0-9]+')
    mkdir -p "$prefix/include" "$prefix/lib/cmake"
    ln -sfn /usr/include/boost "$prefix/include/boost"
    for dir in /usr/lib/x86_64-linux-gnu/cmake/Boost-"$version"* /usr/lib/x86_64-linux-gnu/cmake/boost_headers-"$version"*; do
        rm -rf "$prefix/lib/cmake/$(basename "$dir")"
        cp -a "$dir" "$prefix/lib/cmake/"
    done
    touch "$cache/.boost"
fi

# qtbase: Core, Gui, Widgets, PrintSupport and Test, the windows and offscreen platforms and the
# windowsvista style. Debian's source lacks src/3rdparty/wintab (so no tablet events, which the
# program does not use); without OpenGL, dynamic GL goes too. The toolchain file names the host tools.
if [[ ! -f $cache/.qtbase ]]; then
    unpack qt6-base
    # moc and uic of another version write code this Qt cannot build.
    built=$(sed -nE 's/^set\(QT_REPO_MODULE_VERSION "([0-9.]+)"\)/\1/p' "$unpacked/.cmake.conf")
    host=$(upstream qt6-base-dev)
    [[ $built == "$host" ]] || {
        echo "windows-toolchain: the source of qtbase is $built but the host tools are $host;" \
            "upgrade qt6-base-dev first" >&2
        exit 1
    }
    say "building qtbase (about half an hour on 2 cores)"
    cmake_part qtbase "$unpacked" -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF \
        -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF \
        -DFEATURE_icu=OFF -DFEATURE_printsupport=ON -DFEATURE_testlib=ON
    touch "$cache/.qtbase"
fi

touch "$cache/.complete"
say "the cache $cache is complete"
