#!/usr/bin/env bash
# Rebuilds the pictures of app/resources from make_icons.cpp (needs qtbase5-dev).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++17 -O1 -fPIC "$here/make_icons.cpp" -o "$tmp/make_icons" $(pkg-config --cflags --libs Qt5Gui)
"$tmp/make_icons" "$here/.."
