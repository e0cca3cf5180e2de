#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build (GUI tests under Xvfb), then the
# driver, glue, capture, playback and recording code again under ASan+UBSan and under
# TSan. Any failing test or sanitizer finding makes the script exit non-zero.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
# One compile job per core unless told otherwise (LUMIVAR_JOBS=3 on a shared machine).
jobs=${LUMIVAR_JOBS:-$(nproc)}
test_jobs=${LUMIVAR_TEST_JOBS:-$(nproc)}

build() { # <dir> <cmake args...>
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

echo "== release build"
build build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
# A second configure must change nothing, or ./run.sh after ./test.sh rebuilds the viewer.
cmake -S . -B build/release >/dev/null
if cmake --build build/release -j"$jobs" | grep -E '^\[ *[0-9]+%\] (Building|Linking)'; then
  echo "A second configure of build/release changed the build." >&2
  exit 1
fi
(cd build/release && xvfb-run -a -s "-screen 0 1600x1000x24" \
  ctest --output-on-failure -j"$test_jobs" --timeout 300)

echo "== ASan+UBSan build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build build/asan -DCMAKE_BUILD_TYPE=Debug -DLUMIVAR_SANITIZE=address -DLUMIVAR_BUILD_APP=OFF -DLUMIVAR_BUILD_BENCH=OFF
(cd build/asan && ctest --output-on-failure -j"$test_jobs" --timeout 300)

echo "== TSan build"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# TSan's shadow memory needs a fixed address layout; the build runs the test binaries too
# (test discovery), so both steps go without address randomisation.
norandom=(setarch "$(uname -m)" -R)
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DLUMIVAR_SANITIZE=thread -DLUMIVAR_BUILD_APP=OFF -DLUMIVAR_BUILD_BENCH=OFF >/dev/null
"${norandom[@]}" cmake --build build/tsan -j"$jobs"
(cd build/tsan && "${norandom[@]}" ctest --output-on-failure -j"$test_jobs" --timeout 300)
echo "All tests passed."
