#!/usr/bin/env bash
# Builds the Debian package: Release into build-package/, the installed kind of the program, then
# CPack's DEB generator writes build-package/unitorvel_<version>_amd64.deb, its dependencies
# computed from the binaries. Install it with `apt-get install ./build-package/unitorvel_*.deb`.
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
echo "package: $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb -f "$deb" Depends | sed 's/^/package: depends on /'
