#!/usr/bin/env bash
# Folder-walk benchmark: a generated tree of 200,000 entries searched with the
# seven default type patterns, against find with the same seven case-blind
# patterns, in the same run; then the store's memory with 1,000,000 rows.
#   bash bench/search_bench.sh [BUILD_DIR]   (built with -DTESSALY_BENCH=ON)
set -euo pipefail
build=${1:-build-bench}
root=$(cd "$(dirname "$0")/.." && pwd)
[ -x "$build/bin/tessaly" ] || { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null; cmake --build "$build" -j"$(nproc)"; }
tree=$(mktemp -d /tmp/tessaly-bench-XXXXXX)
trap 'rm -rf "$tree"' EXIT
python3 - "$tree" <<'PY'
import os, sys, random
random.seed(7)
root = sys.argv[1]
exts = ["pdf", "doc", "txt", "jpg", "png", "c", "h", "html", "xls", "mp3", "docx", "ppt", "rtf", "o"]
made = 0
folders = [root]
while made < 200000:
    parent = random.choice(folders[-200:])
    d = os.path.join(parent, "dir%d" % made)
    os.mkdir(d); folders.append(d); made += 1
    for k in range(19):
        open(os.path.join(d, "file%d_%d.%s" % (made, k, random.choice(exts))), "w").close()
        made += 1
PY
sync
echo "tree: $(find "$tree" | wc -l) entries"
patterns=(-iname '*.pdf' -o -iname '*.doc' -o -iname '*.rtf' -o -iname '*.txt' -o -iname '*.xls' -o -iname '*.ppt' -o -iname '*.htm')
for run in 1 2 3; do
  /usr/bin/time -f "find:    %e s, %M KB" find "$tree" \( "${patterns[@]}" \) -print > /dev/null
  /usr/bin/time -f "tessaly: %e s, %M KB" "$build/bin/tessaly" --search -l "$tree" --rows > /dev/null
done
echo "find lists:    $(find "$tree" \( "${patterns[@]}" \) -print | wc -l)"
echo "tessaly lists: $("$build/bin/tessaly" --search -l "$tree" --rows | wc -l)"
"$build/bin/bench_store_memory" 1000000
