#!/usr/bin/env bash
# Archive listing benchmark: 1,000 ZIP archives of 100 members each (written
# by Python's zipfile, deflated), listed with the seven default patterns by
# bench_archives, and by unzip -l and bsdtar -tf over the same files, three
# runs each. Needs unzip and libarchive-tools.
#   bash bench/archives/run.sh [BUILD_DIR] [ARCHIVES]   (built with -DTESSALY_BENCH=ON)
set -euo pipefail
build=${1:-build-bench}
count=${2:-1000}
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/bin/bench_archives" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target bench_archives
}
tree=$(mktemp -d /tmp/tessaly-archive-bench-XXXXXX)
trap 'rm -rf "$tree"' EXIT
python3 - "$tree" "$count" <<'PY'
import os, random, sys, zipfile
random.seed(7)
root, count = sys.argv[1], int(sys.argv[2])
words = b"alpha beta gamma delta harbour pier lantern anchor tide quay rope".split()
kinds = ["pdf", "doc", "txt", "xls", "png", "htm", "c", "h"]
for i in range(count):
    with zipfile.ZipFile(os.path.join(root, "a%04d.zip" % i), "w", zipfile.ZIP_DEFLATED) as z:
        for m in range(100):
            body = b" ".join(random.choice(words) for _ in range(random.randint(200, 2000)))
            z.writestr("dir%d/sub/member_%03d.%s" % (m % 5, m, random.choice(kinds)), body)
PY
echo "tree: $count archives, $(du -sm "$tree" | cut -f1) MB"
cat "$tree"/*.zip > /dev/null   # into the page cache, so all read from memory
for run in 1 2 3; do
  "$build/bin/bench_archives" "$tree"
  /usr/bin/time -f "unzip -l:    %e s" bash -c 'for f in "$0"/*.zip; do unzip -l "$f"; done > /dev/null' "$tree"
  /usr/bin/time -f "bsdtar -tf:  %e s" bash -c 'for f in "$0"/*.zip; do bsdtar -tf "$f"; done > /dev/null' "$tree"
done
