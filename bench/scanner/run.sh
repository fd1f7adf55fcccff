#!/usr/bin/env bash
# Text search benchmark: 256 MB of generated prose (64 files of 4 MB, mostly
# ASCII with some accented words), in the page cache, searched for a word
# that is not there, case-blind and case-sensitive, by tessaly --search, by
# the scanner library alone, by grep -rl(i)F and by ripgrep with one thread
# and with its default threads. The commands alternate round by round; the
# tables show medians.
#   [WORD=zeppelin] [ROUNDS=7] bash bench/scanner/run.sh [BUILD_DIR] [SIZE_MB]
# (BUILD_DIR built with -DTESSALY_BENCH=ON; made as a Release build when missing)
set -euo pipefail
build=$(realpath -m "${1:-build-bench}")
size_mb=${2:-256}
rounds=${ROUNDS:-7}
word=${WORD:-zeppelin}
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/bin/bench_scanner" ] && [ -x "$build/bin/tessaly" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target bench_scanner tessaly
}
command -v rg >/dev/null || { echo "ripgrep is needed (apt-get install ripgrep)" >&2; exit 2; }
tree=$(mktemp -d /tmp/tessaly-scan-bench-XXXXXX)
trap 'rm -rf "$tree"' EXIT
python3 - "$tree" "$size_mb" <<'PY'
import os, random, sys
random.seed(11)
root, size_mb = sys.argv[1], int(sys.argv[2])
words = ("the harbour master said that every ship in the bay would leave before noon "
         "while the pelican watched from the pier and the Café Überall served Grüße "
         "straße naïve résumé Ärger Öl fjord quay anchor ropes tide lantern").split()
line = lambda: " ".join(random.choice(words) for _ in range(12)) + "\n"
block = "".join(line() for _ in range(20000)).encode()   # about 1.6 MB
file_size = 4 * 1024 * 1024
for i in range(size_mb // 4):
    d = os.path.join(root, "d%02d" % (i % 16))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "f%04d.txt" % i), "wb") as f:
        left = file_size
        while left > 0:
            part = block[: min(left, len(block))]
            f.write(part)
            left -= len(part)
PY
cat "$tree"/*/* > /dev/null   # into the page cache, so every side reads from memory
t="$build/bin/tessaly"
echo "tree: $(find "$tree" -type f | wc -l) files, $(du -sm "$tree" | cut -f1) MB; word: $word; $(nproc) cores;" \
     "load before: $(cut -d' ' -f1-3 /proc/loadavg); $rounds rounds"
# The same files must come out of every side (a word that is there).
for w in pelican PELICAN; do
  a=$("$t" --search -l "$tree" -t TXT -c "$w" --rows | wc -l)
  b=$(grep -rliF "$w" "$tree" | wc -l)
  [ "$a" = "$b" ] || { echo "tessaly lists $a files with $w, grep $b" >&2; exit 1; }
done
echo
echo "Case-blind:"
python3 "$root/bench/alternate.py" "$rounds" \
  "tessaly --search -t TXT -c $word=$t --search -l $tree -t TXT -c $word --rows" \
  "scanner library alone=$build/bin/bench_scanner $tree $word" \
  "grep -rliF=grep -rliF $word $tree" \
  "rg -j1 -liF=rg -j1 -liF $word $tree" \
  "rg -liF=rg -liF $word $tree"
echo
echo "Case-sensitive:"
python3 "$root/bench/alternate.py" "$rounds" \
  "tessaly --search -t TXT -s -c $word=$t --search -l $tree -t TXT -s -c $word --rows" \
  "grep -rlF=grep -rlF $word $tree" \
  "rg -j1 -lF=rg -j1 -lF $word $tree" \
  "rg -lF=rg -lF $word $tree"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
