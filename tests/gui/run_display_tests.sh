#!/usr/bin/env bash
# Runs a display test program under its own Xvfb server. Exits 77 (skipped)
# only when no X server can be started here.
set -uo pipefail
program=$1
shift
if ! command -v xvfb-run >/dev/null; then
    echo "SKIPPED: xvfb-run is not installed, no X server for the display tests"
    exit 77
fi
# A server of our own even where DISPLAY is set, so that nothing on the
# user's screen changes and every run sees the same 24-bit screen.
if ! xvfb-run -a -s "-screen 0 1600x1000x24" true 2>/dev/null; then
    echo "SKIPPED: Xvfb cannot be started here"
    exit 77
fi
# Mesa's software renderer: the same pixels on every machine. It renders in
# the calling thread, so no rasteriser threads are about at exit, where the
# sanitized build's leak check stops every thread to scan the memory.
export LIBGL_ALWAYS_SOFTWARE=1
export LP_NUM_THREADS=0
exec xvfb-run -a -s "-screen 0 1600x1000x24" "$program" "$@"
