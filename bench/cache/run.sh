#!/usr/bin/env bash
# Cache of extracted text benchmark: 1,000 generated PDF files of 12 pages
# (one in eight holds the word on its last page) and 500 .doc files (copies
# of tests/data/content/sample.doc, read by catdoc), each set searched by
#   - tessaly's first search (a fresh, empty cache every round),
#   - its repeat search (a cache filled before the rounds),
#   - tessaly --no-cache,
#   - `rg -l` over the same text already extracted to files, and
#     `tessaly --version` (the start-up a repeat search cannot avoid),
# and for the PDF files Recoll, the indexed peer: `recollindex` with a fresh
# configuration and index every round, then `recollq` against that index.
# All rows of a set alternate round by round (bench/alternate.py); the table
# shows medians. Every tessaly row must list the same files.
#   [WORD=zeppelin] [ROUNDS=3] bash bench/cache/run.sh [BUILD_DIR] [PDF_COUNT] [DOC_COUNT]
set -euo pipefail
build=$(realpath -m "${1:-build-bench}")
pdfCount=${2:-1000}
docCount=${3:-500}
rounds=${ROUNDS:-3}
word=${WORD:-zeppelin}
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/bin/tessaly" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target tessaly ravelt pptext
}
for p in pdftotext catdoc rg; do
  command -v $p >/dev/null || { echo "$p is needed (poppler-utils, catdoc, ripgrep)" >&2; exit 2; }
done
# The indexed peer, for this benchmark only (its command-line part).
command -v recollindex >/dev/null || apt-get install -y recollcmd >/dev/null
work=$(mktemp -d /tmp/tessaly-cache-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 - "$work/pdfs" "$pdfCount" "$word" <<'PY'
import os, random, sys, zlib
random.seed(5)
out, count, word = sys.argv[1], int(sys.argv[2]), sys.argv[3]
os.makedirs(out)
words = ("the harbour master said that every ship in the bay would leave before noon while the "
         "pelican watched from the pier and the lantern swung over ropes anchor tide quay").split()
def page_text(lines):
    ops = ["BT /F1 10 Tf 12 TL 56 760 Td"]
    for line in lines:
        ops.append("(%s) '" % line)
    ops.append("ET")
    return zlib.compress("\n".join(ops).encode())
for n in range(count):
    pages = []
    for p in range(12):
        lines = [" ".join(random.choice(words) for _ in range(12)) for _ in range(58)]
        if n % 8 == 0 and p == 11:
            lines[30] += " " + word
        pages.append(page_text(lines))
    objs = {1: b"<< /Type /Catalog /Pages 2 0 R >>",
            3: b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}
    kids = []
    for i, data in enumerate(pages):
        page_id, content_id = 4 + 2 * i, 5 + 2 * i
        kids.append(b"%d 0 R" % page_id)
        objs[page_id] = (b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                         b"/Resources << /Font << /F1 3 0 R >> >> /Contents %d 0 R >>" % content_id)
        objs[content_id] = b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(data) + data + b"\nendstream"
    objs[2] = b"<< /Type /Pages /Kids [" + b" ".join(kids) + b"] /Count %d >>" % len(pages)
    text, offsets = b"%PDF-1.4\n", {}
    for i in sorted(objs):
        offsets[i] = len(text)
        text += b"%d 0 obj\n" % i + objs[i] + b"\nendobj\n"
    size = max(objs) + 1
    xref = len(text)
    text += b"xref\n0 %d\n0000000000 65535 f \n" % size
    text += b"".join(b"%010d 00000 n \n" % offsets[i] for i in range(1, size))
    text += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (size, xref)
    with open(os.path.join(out, "doc%04d.pdf" % n), "wb") as f:
        f.write(text)
PY
mkdir -p "$work/docs"
for i in $(seq -w 1 "$docCount"); do cp "$root/tests/data/content/sample.doc" "$work/docs/minutes$i.doc"; done
# The text the peers read, extracted once (not timed).
mkdir -p "$work/pdftext" "$work/doctext"
for f in "$work"/pdfs/*.pdf; do pdftotext -q -enc UTF-8 "$f" "$work/pdftext/$(basename "$f").txt"; done
for f in "$work"/docs/*.doc; do catdoc -d utf-8 "$f" > "$work/doctext/$(basename "$f").txt" 2>/dev/null; done
# Files changed less than 2 s before their conversion are not cached.
sleep 3
t="$build/bin/tessaly"

# run_set LABEL FOLDER TYPE WORD TEXTFOLDER [RECOLL]
run_set() {
  local label=$1 dir=$2 type=$3 w=$4 text=$5 recoll=${6:-}
  local search="--search -l $dir -t $type -c $w --rows"
  local first=$(env XDG_CACHE_HOME="$work/check" "$t" $search | cut -f1 | sort)
  local repeat=$(env XDG_CACHE_HOME="$work/check" "$t" $search | cut -f1 | sort)
  local plain=$("$t" $search --no-cache | cut -f1 | sort)
  [ "$first" = "$plain" ] && [ "$repeat" = "$plain" ] || { echo "$label: cached and uncached searches differ" >&2; exit 1; }
  local hits=$(echo "$plain" | grep -c . || true)
  rm -rf "$work/warm" && env XDG_CACHE_HOME="$work/warm" "$t" $search >/dev/null
  echo
  echo "$label: $(ls "$dir" | wc -l) files, $(du -sm "$dir" | cut -f1) MB, $hits hits; $(nproc) cores;" \
       "load before: $(cut -d' ' -f1-3 /proc/loadavg); $rounds rounds"
  local rows=(
    "tessaly first search (empty cache)=rm -rf $work/first && env XDG_CACHE_HOME=$work/first $t $search"
    "tessaly --no-cache=env XDG_CACHE_HOME=$work/none $t $search --no-cache"
    "tessaly repeat search (warm cache)=env XDG_CACHE_HOME=$work/warm $t $search"
    "rg -l over the extracted text=rg -l -i $w $text"
    "tessaly --version=env XDG_CACHE_HOME=$work/none $t --version"
  )
  if [ -n "$recoll" ]; then
    rows+=("recollindex, fresh configuration=rm -rf $work/rc && mkdir $work/rc && echo 'topdirs = $dir' > $work/rc/recoll.conf && recollindex -c $work/rc"
           "recollq on that index=recollq -c $work/rc -b $w")
  fi
  python3 "$root/bench/alternate.py" "$rounds" "${rows[@]}"
  if [ -n "$recoll" ]; then
    local rq=$(recollq -c "$work/rc" -b "$w" 2>/dev/null | sed 's|^file://||' | xargs -r -n1 basename | sort | grep -c . || true)
    echo "recollq lists $rq files (its index is as old as its last recollindex run; tessaly's answers are current)"
  fi
  echo "cache after the repeat rows: $(env XDG_CACHE_HOME="$work/warm" "$t" --cache stats | sed -n 's/^size: *//p')"
  echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
}
run_set "PDF, 12 pages each" "$work/pdfs" PDF "$word" "$work/pdftext" recoll
run_set "Word 97-2003 (.doc) through catdoc" "$work/docs" DOC walrus "$work/doctext"
