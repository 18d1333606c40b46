#!/usr/bin/env bash
# Builds the Debian package for the release it runs on: Release into build-package/, the installed
# kind of the program, then CPack's DEB generator writes
# build-package/unitorvel_<version>-1~deb<N>_amd64.deb (N the Debian release, 12 or 13), its
# dependencies computed from the binaries on this release. Install it with
# `apt-get install ./build-package/unitorvel_*.deb`. For the other release, run it in a root of
# that release: `bash scripts/in-root.sh trixie bash scripts/package.sh` leaves the package in
# build-trixie/build-package/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only what the package holds is built (no tests, no benchmarks), so cpack must not build ALL.
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVEL_INSTALLED=ON \
    -DBUILD_TESTING=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build build-package -j2 --target UniTorvel torvel-server
rm -f build-package/unitorvel_*.deb
(cd build-package && cpack -G DEB >cpack.log) || { cat build-package/cpack.log; exit 1; }
deb=$(ls build-package/unitorvel_*.deb)
echo "package: $deb ($(du -k "$deb" | cut -f1) KiB), version $(dpkg-deb -f "$deb" Version)"
dpkg-deb -f "$deb" Depends | sed 's/^/package: depends on /'
