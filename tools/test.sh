#!/usr/bin/env bash
# Builds and runs every test twice: an optimised build with warnings on, then a build under
# AddressSanitizer and UndefinedBehaviorSanitizer, where any report fails the run; then the tests
# that start masters on worker threads, those of the engine's worker pool, the platform's threaded
# pieces, the update check and the designer's session under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
# The optimised build is the README's first command's (its flags are the project's default), so
# this builds only what that one left out. The sanitizer builds compile at -O1 (their own
# recommended level) with line tables only, which are enough for the reports' stack traces.
sanitizer_flags=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG")

cmake -S . -B build
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_SANITIZE=ON -DZV_BUILD_BENCHMARKS=OFF \
  "${sanitizer_flags[@]}"
cmake --build build-asan -j "$jobs"
# The sample family's final kerning against fontTools' compiler (the whole re-work of three
# masters, eleven minutes under the sanitizers) runs in the optimised build only; the finalisation
# itself runs under them in test_plugin's fonts drawn in code.
ASAN_OPTIONS=abort_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -E '^plugin_test_kerning_size$'

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZV_TSAN=ON -DZV_BUILD_BENCHMARKS=OFF \
  "${sanitizer_flags[@]}"
cmake --build build-tsan -j "$jobs" --target test_font test_platform test_version2 test_version3 \
  test_apps3 test_plugin3
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  build-tsan/tests/engine/font/test_font \
  --gtest_filter='FontManager.*Threads*:FontManager.*WhileOthersStart*:ParallelEngine.*'
# The run loop, operation queues, alerts and URL loading: workers posting to the main thread; the
# update check, whose handler writes the checker's properties while the main thread reads them.
for t in platform/test_platform version/test_version2 version/test_version3; do
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "build-tsan/tests/$t"
done
# The designer's session: masters starting on worker threads while the main thread shows and
# writes the current one, and a close during the start-up.
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 build-tsan/tests/apps/test_apps3 \
  --gtest_filter='SessionThreads.*:Session.TheReworkRoad*:DesignerRun.*'
# The dialog with masters starting on workers: its refreshes, the designer typing and closing it,
# the pair tab and keys while masters start, the gear menu offering only masters that have started.
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 build-tsan/tests/plugin/test_plugin3 \
  --gtest_filter='PluginTest.*:PairTab.*:KeysAndHostEdits.*:GlyphTab.*'
