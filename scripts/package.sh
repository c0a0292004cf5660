#!/bin/sh
# Builds the Debian package of Veskor in build-deb/ (veskor_<version>_<arch>.deb):
# the two programs, their menu entry, icon, man pages and the example scan,
# installed under /usr; its dependencies come from the libraries they link.
# Install it with: sudo apt install ./build-deb/veskor_*.deb
set -eu
cd "$(dirname "$0")/.."
# dpkg-shlibdeps works out the package's dependencies.
scripts/deps.sh dpkg-dev
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVESKOR_BUILD_TESTS=OFF -DVESKOR_BUILD_BENCH=OFF
cmake --build build-deb --target veskor veskor-fit
(cd build-deb && cpack -G DEB)
ls build-deb/veskor_*.deb
