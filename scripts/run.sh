#!/usr/bin/env bash
# Sets up, builds and runs Tessaly: scripts/run.sh [tessaly arguments...]
# Without arguments it opens the window; `scripts/run.sh --search -l FOLDER`
# runs one search on the console.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh build
exec build/bin/tessaly "$@"
