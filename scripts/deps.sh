#!/bin/sh
# Installs the Debian 12 packages that building Veskor needs, when any is
# missing. Uses sudo when not run as root. Extra package names may be given.
set -eu

PACKAGES="cmake ninja-build g++ pkg-config qtbase5-dev qttools5-dev-tools qttools5-dev libqt5svg5-dev libeigen3-dev libhdf5-dev zlib1g-dev $*"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "Veskor needs these Debian packages:$missing" >&2
    echo "Run this script as root, or install sudo." >&2
    exit 1
fi
echo "Installing:$missing"
$SUDO apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
