#!/usr/bin/env bash
# Writes a PNG of the main window with a project open, taken under Xvfb.
# Usage: scripts/screenshot.sh [PROJECT.txt] [OUT.png] [PAGE]
# PAGE picks the right notebook's page: 0 the 3D view, 1 the responses plot,
# 2 the parameter plot (the plots show results saved beside the project).
set -euo pipefail
cd "$(dirname "$0")/.."
project=${1:-examples/auditorium/auditorium.txt}
out=${2:-docs/velto-window.png}
page=${3:-0}
scripts/install-deps.sh
scripts/build.sh build >/dev/null
mkdir -p "$(dirname "$out")"
LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1600x1000x24" \
    build/bin/velto_gui_tests --screenshot "$project" "$out" "$page" >/dev/null
echo "Wrote $out"
