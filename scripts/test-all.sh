#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test, then builds the core
# and its tests with AddressSanitizer and UndefinedBehaviorSanitizer and runs those.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/check-format.sh
scripts/check-layers.sh

cmake --preset ci
cmake --build --preset ci -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --preset ci -j "$jobs"

cmake --preset asan-ubsan
cmake --build --preset asan-ubsan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan-ubsan -j "$jobs"
