#!/bin/sh
# Installs what a fresh Debian 12 lacks (with the Japanese font the window
# needs, and the validators and man that the installation test uses),
# builds Veskor with its tests and runs the whole test suite (no display
# needed).
set -eu
cd "$(dirname "$0")"
scripts/deps.sh fonts-ipafont-gothic desktop-file-utils appstream man-db
scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
