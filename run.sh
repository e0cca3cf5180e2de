#!/usr/bin/env bash
# Sets up, builds and starts the viewer.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j"${LUMIVAR_JOBS:-$(nproc)}"
program=build/release/bin/LumivarPlatform
if [ ! -x "$program" ]; then
  echo "The viewer is not part of this build yet; the driver libraries are in build/release/bin."
  exit 0
fi
cd build/release/bin
exec ./LumivarPlatform "$@"
