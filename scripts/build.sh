#!/usr/bin/env bash
# Configures and builds one tree:
#   scripts/build.sh BUILD_DIR [cmake options...] [--target TARGET...]
# (everything without --target)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
options=()
while [ $# -gt 0 ] && [ "$1" != --target ]; do
  options+=("$1")
  shift
done
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" "$@"
