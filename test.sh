#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build (GUI tests under Xvfb), then the
# driver, glue and playback code again under ASan+UBSan and under TSan.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
jobs=$(nproc)

build() { # <dir> <cmake args...>
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd build/release && xvfb-run -a -s "-screen 0 1600x1000x24" ctest --output-on-failure -j"$jobs" --timeout 300)

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build build/asan -DCMAKE_BUILD_TYPE=Debug -DLUMIVAR_SANITIZE=address -DLUMIVAR_BUILD_APP=OFF -DLUMIVAR_BUILD_BENCH=OFF
(cd build/asan && ctest --output-on-failure -j"$jobs" --timeout 300)

export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
build build/tsan -DCMAKE_BUILD_TYPE=Debug -DLUMIVAR_SANITIZE=thread -DLUMIVAR_BUILD_APP=OFF -DLUMIVAR_BUILD_BENCH=OFF
# TSan's shadow memory needs the address layout that ASLR randomisation can break.
(cd build/tsan && setarch "$(uname -m)" -R ctest --output-on-failure -j"$jobs" --timeout 300)
echo "All tests passed."
