#!/usr/bin/env bash
# Builds and runs every test twice: an optimised build with warnings on, then a build under
# AddressSanitizer and UndefinedBehaviorSanitizer, where any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_SANITIZE=ON -DZV_BUILD_BENCHMARKS=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
