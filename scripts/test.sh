#!/usr/bin/env bash
# Builds Quorvane three ways, warnings being errors in each, and tests every build:
#   build/        GCC with the Release flags (-O3): every test suite;
#   build-asan/   GCC, Debug, AddressSanitizer and UndefinedBehaviorSanitizer: every suite;
#   build-clang/  Clang with both sanitizers and libFuzzer's coverage, DXF lines scanned by
#                 the portable code (QV_PORTABLE_SCAN): the C++ suites, and each fuzz target
#                 over its seeds and then for QV_FUZZ_SECONDS (default 30).
# A fuzz target named in QV_FUZZ_SEEDS_ONLY (names separated by blanks) runs its seeds only.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
export LANG=C.UTF-8
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C build
ctest --test-dir build --output-on-failure -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-asan -G Ninja -DQV_SANITIZE=ON -DQV_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
ninja -C build-asan
ctest --test-dir build-asan --output-on-failure -j "$jobs" -L 'cpp|e2e'

cmake -S . -B build-clang -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQV_FUZZ=ON -DQV_BENCHMARKS=OFF \
  -DQV_PORTABLE_SCAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ_SECONDS="${QV_FUZZ_SECONDS:-30}" >/dev/null
ninja -C build-clang
ctest --test-dir build-clang --output-on-failure -j "$jobs" -L 'cpp|fuzz'
