#!/usr/bin/env bash
# Installs what is missing, builds, and runs the auditorium example: the
# project is copied into work/auditorium (ignored by git) and simulated there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build

rm -rf work/auditorium
mkdir -p work
cp -r examples/auditorium work/auditorium
build/bin/velto-cli simulate work/auditorium/auditorium.txt

echo
echo "Results are in $(pwd)/work/auditorium:"
ls work/auditorium
echo
echo "Parameters of source 1 at receiver 1 (PARAMS-S001-R001.txt):"
cat work/auditorium/PARAMS-S001-R001.txt
