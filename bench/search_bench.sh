#!/usr/bin/env bash
# Folder-walk benchmark: a generated tree of 200,000 entries searched with the
# seven default type patterns, against find printing the sizes of the entries
# that match the same seven case-blind patterns; the commands alternate round
# by round and the table shows medians. Then the store's memory with
# 1,000,000 rows.
#   [ROUNDS=5] [ENTRIES=200000] [STORE_ROWS=1000000] bash bench/search_bench.sh [BUILD_DIR]
# (BUILD_DIR built with -DTESSALY_BENCH=ON; made as a Release build when missing)
set -euo pipefail
build=$(realpath -m "${1:-build-bench}")
rounds=${ROUNDS:-5}
entries=${ENTRIES:-200000}
store_rows=${STORE_ROWS:-1000000}
root=$(cd "$(dirname "$0")/.." && pwd)
[ -x "$build/bin/tessaly" ] && [ -x "$build/bin/bench_store_memory" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target tessaly bench_store_memory
}
tree=$(mktemp -d /tmp/tessaly-bench-XXXXXX)
trap 'rm -rf "$tree"' EXIT
python3 - "$tree" "$entries" <<'PY'
import os, sys, random
random.seed(7)
root, entries = sys.argv[1], int(sys.argv[2])
exts = ["pdf", "doc", "txt", "jpg", "png", "c", "h", "html", "xls", "mp3", "docx", "ppt", "rtf", "o"]
made = 0
folders = [root]
while made < entries:
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
find_cmd="find $tree \\( -iname '*.pdf' -o -iname '*.doc' -o -iname '*.rtf' -o -iname '*.txt' -o -iname '*.xls' -o -iname '*.ppt' -o -iname '*.htm' \\) -printf '%s\\t%p\\n'"
echo "$(nproc) cores; load before: $(cut -d' ' -f1-3 /proc/loadavg); $rounds rounds"
python3 "$root/bench/alternate.py" "$rounds" \
  "find with sizes=$find_cmd" \
  "tessaly --search --rows=$build/bin/tessaly --search -l $tree --rows"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "find lists:    $(find "$tree" \( "${patterns[@]}" \) -print | wc -l)"
echo "tessaly lists: $("$build/bin/tessaly" --search -l "$tree" --rows | wc -l)"
"$build/bin/bench_store_memory" "$store_rows"
