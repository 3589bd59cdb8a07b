#!/usr/bin/env bash
# Installs the Debian packages Velto needs to build, test and run, and nothing else;
# a script that needs more names its packages as arguments (scripts/fuzz.sh: clang).
# Safe to run again: it asks apt only for what is missing, and refreshes the package
# lists only when something is.
set -euo pipefail

packages=(
    cmake g++ ccache pkg-config make
    libgtest-dev
    libfftw3-dev
    libcgal-dev libgmp-dev libmpfr-dev
    libwxgtk3.2-dev freeglut3-dev libglu1-mesa-dev
    libcli11-dev
    xvfb xauth libgl1-mesa-dri
    sox
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
