#!/usr/bin/env bash
# Builds the tests with ThreadSanitizer (build-tsan/) and runs those that
# start, poll, stop and destroy the simulation worker, that trace and work out
# pairs on several threads, in the core and in the
# desktop program's run control. Kept out of scripts/test.sh, which would
# otherwise take a third build. Exits non-zero on any report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
VELTO_BUILD_TYPE=RelWithDebInfo scripts/build.sh build-tsan -DVELTO_SANITIZE_THREAD=ON \
    -DVELTO_BUILD_BENCH=OFF -DVELTO_BUILD_GUI=OFF
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
build-tsan/bin/velto_tests \
    --gtest_filter='RunInOrder.*:ConsoleCapture.*:GroupByDirection.Large*:StartSimulation.*:ProjectRun.*:TRoomRun.*:Simulate.*:Shoebox.SameProjectSameFiles'
