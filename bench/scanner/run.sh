#!/usr/bin/env bash
# Text scanner benchmark: 1 GB of generated text files (mostly ASCII prose
# with some accented words) searched case-blind for a word that is not in
# them, by the scanner and by grep -rliF in the same run, three times each;
# then the same search through tessaly --search.
#   [WORD=zeppelé] bash bench/scanner/run.sh [BUILD_DIR] [SIZE_MB]   (built with -DTESSALY_BENCH=ON)
set -euo pipefail
build=${1:-build-bench}
size_mb=${2:-1024}
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/bin/bench_scanner" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target bench_scanner tessaly
}
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
count = size_mb // 4
for i in range(count):
    d = os.path.join(root, "d%02d" % (i % 16))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "f%04d.txt" % i), "wb") as f:
        left = file_size
        while left > 0:
            part = block[: min(left, len(block))]
            f.write(part)
            left -= len(part)
PY
word=${WORD:-zeppelin}
echo "tree: $(find "$tree" -type f | wc -l) files, $(du -sm "$tree" | cut -f1) MB; word: $word"
cat "$tree"/*/* > /dev/null   # into the page cache, so both read from memory
for run in 1 2 3; do
  "$build/bin/bench_scanner" "$tree" "$word"
  /usr/bin/time -f "grep -rliF (C.UTF-8): %e s, %M KB" env LC_ALL=C.UTF-8 grep -rliF "$word" "$tree" > /dev/null || true
  /usr/bin/time -f "grep -rliF (C):       %e s, %M KB" env LC_ALL=C grep -rliF "$word" "$tree" > /dev/null || true
  /usr/bin/time -f "tessaly --search:     %e s, %M KB" "$build/bin/tessaly" --search -l "$tree" -t TXT -c "$word" --rows > /dev/null || true
done
