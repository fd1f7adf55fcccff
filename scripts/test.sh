#!/usr/bin/env bash
# Sets up everything and runs all tests: the packages, a normal build with
# warnings as errors and its tests, then an AddressSanitizer +
# UndefinedBehaviorSanitizer build of the core, console tools and fuzz
# replays, and its tests; last a ThreadSanitizer build of the engine's tests
# and of the console search, whose tests compare searches on one thread and
# on four; at the end the Debian package is made from the first build and
# checked (scripts/package-check.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
bash scripts/build.sh build -DTESSALY_WERROR=ON
ctest --test-dir build --output-on-failure -j"$(nproc)"
bash scripts/build.sh build-asan -DTESSALY_SANITIZE=ON -DTESSALY_UI=OFF -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
tsan_tests=(test_ordered_pool test_parallel_search test_engine test_content_conditions test_pdf_field
  test_text_scanner test_console)
bash scripts/build.sh build-tsan -DTESSALY_TSAN=ON -DTESSALY_UI=OFF --target tessaly ravelt pptext "${tsan_tests[@]}"
for t in "${tsan_tests[@]}"; do
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 build-tsan/bin/"$t"
done
bash scripts/package-check.sh build
echo "all tests passed"
