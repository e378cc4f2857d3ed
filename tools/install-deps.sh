#!/usr/bin/env bash
# Installs what building, running and testing the program need on Debian 12.
# Runs as root (CI) or through sudo; installs nothing that is already there.
set -euo pipefail
packages=(
    build-essential cmake pkg-config lld
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
    libsqlite3-dev libjpeg62-turbo-dev libxlsxwriter-dev
    libpq-dev mdbtools-dev qt6-charts-dev libqt6opengl6-dev
    xvfb xauth imagemagick fonts-dejavu-core
    python3-openpyxl
)
# The tests also run the operations on a throwaway PostgreSQL server of their
# own (tools/with-postgres.sh): its programs come with the server package,
# which a PC that only runs the program does not need.
if [ "${1:-}" = "--tests" ]; then
    packages+=(postgresql-15 mdbtools)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
