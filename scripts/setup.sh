#!/bin/sh
# Installs the Debian packages Vireo needs to build, run and test.
# Idempotent: only missing packages are installed, and the package lists are
# refreshed only when something has to be installed.
set -eu

PACKAGES="
build-essential cmake ninja-build pkg-config
qt6-base-dev libqt6opengl6-dev qt6-webengine-dev libqt6svg6
libgl-dev libglm-dev
libcurl4-openssl-dev libc-ares-dev
libsqlite3-dev zlib1g-dev libjpeg62-turbo-dev libssl-dev
libsdl2-mixer-dev timgm6mb-soundfont
libgtest-dev libgmock-dev libbenchmark-dev
xvfb xauth libgl1-mesa-dri
fonts-liberation
"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "setup: installing$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
