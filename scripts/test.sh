#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# plainly (build/) and under AddressSanitizer + UndefinedBehaviorSanitizer
# (build-asan/), stopping at the first report. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

jobs=$(nproc)

echo "== Release build and tests"
scripts/build.sh build
ctest --test-dir build --output-on-failure --parallel "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
# The sanitized tree skips benchmarks: they are measured, not checked.
VELTO_BUILD_TYPE=RelWithDebInfo scripts/build.sh build-asan -DVELTO_SANITIZE=ON -DVELTO_BUILD_BENCH=OFF
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-asan --output-on-failure --parallel "$jobs"
