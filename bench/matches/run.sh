#!/usr/bin/env bash
# Matching-line benchmark: 256 MB of generated prose (256 files of 1 MB, in
# the page cache), each holding "quarterly results" once at a random line.
#  1. The literal case-blind search with the first matching line and its
#     place kept, against the literal stream scanner alone: the matcher by
#     itself (bench_matches) and the whole console search (--jobs 1).
#  2. --regex 'quarterl(y|ies) results?' by tessaly --search --jobs 1
#     against rg -j1 -li with the same pattern.
#  3. --regex '(a|aa)*b' over a 10 MB file of a's (linear time).
# The commands alternate round by round; the tables show medians.
#   [ROUNDS=7] bash bench/matches/run.sh [BUILD_DIR]
# (BUILD_DIR built with -DTESSALY_BENCH=ON; made as a Release build when missing)
set -euo pipefail
build=$(realpath -m "${1:-build-bench}")
rounds=${ROUNDS:-7}
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/bin/bench_matches" ] && [ -x "$build/bin/tessaly" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target bench_matches tessaly
}
command -v rg >/dev/null || { echo "ripgrep is needed (apt-get install ripgrep)" >&2; exit 2; }
tree=$(mktemp -d /tmp/tessaly-match-bench-XXXXXX)
trap 'rm -rf "$tree"' EXIT
python3 - "$tree" <<'PY'
import os, random, sys
random.seed(5)
root = sys.argv[1]
words = ("the harbour master said that every ship in the bay would leave before noon "
         "while the pelican watched from the pier and the Café served Grüße "
         "fjord quay anchor ropes tide lantern report quarter result").split()
os.mkdir(os.path.join(root, "text"))
for f in range(256):
    lines, size = [], 0
    while size < 1 << 20:
        l = " ".join(random.choice(words) for _ in range(11)) + "\n"
        lines.append(l); size += len(l)
    lines[random.randrange(len(lines))] = "the Quarterly Results are in\n"
    open(os.path.join(root, "text", "part%03d.txt" % f), "w").write("".join(lines))
os.mkdir(os.path.join(root, "aaaa"))
open(os.path.join(root, "aaaa", "aaaa.txt"), "w").write("a" * 10000000)
PY
cat "$tree"/text/* > /dev/null
t=$build/bin/tessaly
echo "$(nproc) cores; load before: $(cut -d' ' -f1-3 /proc/loadavg); $rounds rounds"
echo "1. literal, case-blind, first matching line kept"
python3 "$root/bench/alternate.py" "$rounds" \
  "scanner alone=$build/bin/bench_matches scanner quarterly $tree/text" \
  "with places=$build/bin/bench_matches places quarterly $tree/text"
python3 "$root/bench/alternate.py" "$rounds" \
  "tessaly --rows=$t --search -l $tree/text -n '' -c quarterly --rows --jobs 1" \
  "tessaly --rows --matches=$t --search -l $tree/text -n '' -c quarterly --rows --matches --max-matches 1 --jobs 1"
echo "2. regular expression"
python3 "$root/bench/alternate.py" "$rounds" \
  "rg -j1 -li=rg -j1 -li 'quarterl(y|ies) results?' $tree/text" \
  "tessaly --regex=$t --search -l $tree/text -n '' --regex -c 'quarterl(y|ies) results?' --rows --jobs 1"
echo "3. (a|aa)*b over 10 MB of a's"
python3 "$root/bench/alternate.py" 3 \
  "tessaly --regex=$t --search -l $tree/aaaa -n aaaa --regex -c '(a|aa)*b' --rows --jobs 1"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "rg lists:      $(rg -j1 -li 'quarterl(y|ies) results?' "$tree/text" | wc -l)"
echo "tessaly lists: $("$t" --search -l "$tree/text" -n '' --regex -c 'quarterl(y|ies) results?' --rows --jobs 1 | wc -l)"
