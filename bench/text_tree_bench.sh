#!/usr/bin/env bash
# Content search over a tree of text files: a generated tree of source
# code, Markdown and CSV files (a few binary files, a few UTF-16 files and a
# few large files among them) searched for a word with every name (`-t '*'`),
# against ripgrep with every file (`rg -uu -liF`, which also skips binary
# files and reads hidden ones). The commands alternate round by round; the
# table shows medians; the lists of files found are compared first.
#   [ROUNDS=5] [FILES=20000] bash bench/text_tree_bench.sh [BUILD_DIR]
# (BUILD_DIR: a Release build, made when missing)
set -euo pipefail
build=$(realpath -m "${1:-build-bench}")
rounds=${ROUNDS:-5}
files=${FILES:-20000}
root=$(cd "$(dirname "$0")/.." && pwd)
command -v rg >/dev/null || { echo "needs ripgrep (apt-get install ripgrep)" >&2; exit 2; }
[ -x "$build/bin/tessaly" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_UI=OFF -DTESSALY_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target tessaly
}
tree=$(mktemp -d /tmp/tessaly-text-XXXXXX)
trap 'rm -rf "$tree"' EXIT
python3 - "$tree" "$files" <<'PY'
import os, sys, random
random.seed(11)
root, files = sys.argv[1], int(sys.argv[2])
words = ("alpha beta gamma delta parser buffer window result value index count total "
         "record number string header member folder search report").split()
kinds = [("c", "int f%d(void) { return %d; } /* %s */\n"), ("py", "def f%d():\n    return %d  # %s\n"),
         ("md", "## Section %d\n\nSome notes, item %d: %s.\n"), ("csv", "%d,%d,%s\n")]
def body(kind, n, hit):
    fmt = kind[1]
    lines = [fmt % (i, i * 7, " ".join(random.choice(words) for _ in range(6))) for i in range(n)]
    if hit: lines.insert(random.randrange(len(lines) + 1), "the zeppelin lands here\n")
    return "".join(lines)
folders = [root]
for i in range(files // 25):
    d = os.path.join(random.choice(folders[-50:]), "dir%d" % i)
    os.mkdir(d); folders.append(d)
for i in range(files):
    kind = random.choice(kinds)
    path = os.path.join(random.choice(folders), "file%d.%s" % (i, kind[0]))
    with open(path, "w") as f: f.write(body(kind, random.randint(20, 120), random.random() < 0.1))
for i in range(20):   # binary files, some holding the word
    with open(os.path.join(root, "blob%d.bin" % i), "wb") as f:
        f.write(b"\0\1\2\3" * 1000 + (b"zeppelin" if i % 2 else b"") + os.urandom(20000))
for i in range(10):   # UTF-16 files with a byte order mark, half of them holding the word
    text = body(kinds[2], 200, i % 2 == 0)
    with open(os.path.join(root, "u16_%d.txt" % i), "wb") as f: f.write(text.encode("utf-16"))
for i in range(4):    # large files of 32 MB, the word near the end of two
    with open(os.path.join(root, "large%d.log" % i), "w") as f:
        chunk = body(kinds[0], 2000, False)
        for _ in range(32 * 1024 * 1024 // len(chunk)): f.write(chunk)
        if i % 2: f.write("the zeppelin at the end\n")
PY
sync
echo "tree: $(find "$tree" -type f | wc -l) files, $(du -sh "$tree" | cut -f1); $(nproc) cores; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/bin/tessaly" --search -l "$tree" -t '*' -c zeppelin --rows | awk -F'\t' '$2 != "[folder]" {print $3"/"$1}' | sort > "$tree.tessaly"
rg -uu -liF zeppelin "$tree" | sort > "$tree.rg"
echo "found: tessaly $(wc -l < "$tree.tessaly"), rg $(wc -l < "$tree.rg")"
diff "$tree.tessaly" "$tree.rg" | sed 's/^/  /' || true
rm -f "$tree.tessaly" "$tree.rg"
# Folder rows (listed whatever the text, as folders are) are left out of the comparison.
python3 "$root/bench/alternate.py" "$rounds" \
  "tessaly --search -t '*' -c zeppelin=$build/bin/tessaly --search -l $tree -t '*' -c zeppelin --rows" \
  "rg -uu -liF zeppelin=rg -uu -liF zeppelin $tree"
