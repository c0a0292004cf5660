#!/bin/sh
# Configures and builds Veskor in build/ (program at build/veskor).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build
