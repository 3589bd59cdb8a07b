#!/usr/bin/env bash
# The core library stays free of the toolkit and of the display: no file under
# src/ includes wxWidgets or OpenGL headers, and the computing folders do not
# include the desktop program's document and view layers. What the room is built
# from (sources, receivers, rays, tracing, results) stays below the room.
set -uo pipefail
src=$1
status=0
if grep -rnE '^\s*#\s*include\s*[<"](wx|GL)/' "$src"; then
    echo "FAIL: the files above include wxWidgets or OpenGL headers"
    status=1
fi
if grep -rnE '^\s*#\s*include\s*"(project|view)/' "$src" --include='*.h' --include='*.cpp' \
        | grep -vE "^$src/(project|view)/"; then
    echo "FAIL: the core folders above include project/ or view/"
    status=1
fi
below_room="util geometry dsp audio directivity scene simulation results"
for folder in $below_room; do
    if grep -rnE '^\s*#\s*include\s*"room/' "$src/$folder"; then
        echo "FAIL: $folder/ includes the room above it"
        status=1
    fi
done
exit $status
