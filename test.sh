#!/bin/sh
# Installs what a fresh Debian 12 lacks, builds Veskor with its tests and runs
# the whole test suite (no display needed).
set -eu
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
