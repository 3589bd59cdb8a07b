#!/usr/bin/env bash
# Installs what is missing, builds, and runs the command-line program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
build/bin/velto-cli --version
