#!/bin/sh
# Installs what a fresh Debian 12 lacks, builds Veskor and opens its window.
# Arguments go to the program: -e for English, -j (default) for Japanese.
set -eu
cd "$(dirname "$0")"
scripts/deps.sh fonts-ipafont-gothic
scripts/build.sh
exec build/veskor "$@"
