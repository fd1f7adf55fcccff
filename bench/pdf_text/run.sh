#!/usr/bin/env bash
# PDF full-text benchmark, three sets searched in the same run, the commands
# alternating round by round (medians in the tables):
#   1. COUNT generated PDF files of 12 pages of prose (compressed page
#      streams; one in eight holds the word, on its last page), searched by
#      tessaly through its text helper on all cores and with --jobs 1, by
#      tessaly's pdftotext route (--pdf-text pdftotext), and by pdfgrep -ril
#      (Debian's pdfgrep, one thread, Poppler in-process);
#   2. the PDFs under tests/data/pdf copied to 128 files, the same commands;
#   3. 40 PDF files of 100 pages with the word on page 1, searched for that
#      word (the helper stops each document at its first page) and for a word
#      none holds (every page converted).
# Every command of a set must list the same files. pdfgrep is installed with
# apt-get when it is missing (it is a benchmark peer, not a dependency).
#   [WORD=zeppelin] [ROUNDS=5] bash bench/pdf_text/run.sh [BUILD_DIR] [COUNT]
set -euo pipefail
build=$(realpath -m "${1:-build-bench}")
count=${2:-1000}
rounds=${ROUNDS:-5}
word=${WORD:-zeppelin}
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/bin/tessaly" ] && [ -x "$build/bin/tessaly-pdftext" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target tessaly tessaly-pdftext
}
command -v pdftotext >/dev/null || { echo "pdftotext (poppler-utils) is needed" >&2; exit 2; }
if ! command -v pdfgrep >/dev/null; then
  if [ "$(id -u)" = 0 ]; then apt-get install -y pdfgrep >/dev/null; else sudo apt-get install -y pdfgrep >/dev/null; fi
fi
work=$(mktemp -d /tmp/tessaly-pdftext-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# make DIR COUNT PAGES WORD_PAGE EVERY: COUNT files of PAGES pages; every
# EVERY-th file holds the word on page WORD_PAGE (1-based; 0: the last).
make_pdfs() {
  python3 - "$1" "$2" "$3" "$4" "$5" "$word" <<'PY'
import os, random, sys, zlib
out, count, npages, word_page, every, word = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]), sys.argv[6]
random.seed(5)
os.makedirs(out)
words = ("the harbour master said that every ship in the bay would leave before noon while the "
         "pelican watched from the pier and the lantern swung over ropes anchor tide quay").split()
def page_text(lines):
    ops = ["BT /F1 10 Tf 12 TL 56 760 Td"]
    for line in lines:
        ops.append("(%s) '" % line)
    ops.append("ET")
    return zlib.compress("\n".join(ops).encode())
target = npages if word_page == 0 else word_page
for n in range(count):
    pages = []
    for p in range(npages):
        lines = [" ".join(random.choice(words) for _ in range(12)) for _ in range(58)]
        if n % every == 0 and p + 1 == target:
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
}

t="$build/bin/tessaly"
listed_by_tessaly() { "$t" --search -l "$1" -t PDF -c "$2" --rows "${@:3}" 2>/dev/null | cut -f1 | sort || true; }
listed_by_pdfgrep() { (pdfgrep -ril "$2" "$1" 2>/dev/null || true) | xargs -r -n1 basename | sort; }

# set_table DIR WORD: checks that every command lists the same files, then
# times them.
set_table() {
  local dir=$1 w=$2
  local a b c d
  a=$(listed_by_tessaly "$dir" "$w")
  b=$(listed_by_tessaly "$dir" "$w" --jobs 1)
  c=$(listed_by_tessaly "$dir" "$w" --pdf-text pdftotext)
  d=$(listed_by_pdfgrep "$dir" "$w")
  for other in "$b" "$c" "$d"; do
    [ "$a" = "$other" ] || { echo "the commands list different files in $dir" >&2; diff <(echo "$a") <(echo "$other") >&2; exit 1; }
  done
  echo "$(ls "$dir" | wc -l) PDF files, $(du -sm "$dir" | cut -f1) MB, $(echo "$a" | grep -c . || true) listed by each;" \
       "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo
  python3 "$root/bench/alternate.py" "$rounds" \
    "tessaly --search -t PDF -c $w (helper, $(nproc) cores)=$t --search -l $dir -t PDF -c $w --rows" \
    "tessaly --search --jobs 1 -t PDF -c $w=$t --search --jobs 1 -l $dir -t PDF -c $w --rows" \
    "tessaly --search --pdf-text pdftotext -t PDF -c $w=$t --search --pdf-text pdftotext -l $dir -t PDF -c $w --rows" \
    "pdfgrep -ril $w=pdfgrep -ril $w $dir"
  echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo
}

make_pdfs "$work/generated" "$count" 12 0 8
mkdir "$work/testdata"
originals=("$root"/tests/data/pdf/*.pdf)
for ((i = 0; i < 128; i++)); do
  f=${originals[i % ${#originals[@]}]}
  cp "$f" "$work/testdata/$(printf %03d "$i")-$(basename "$f")"
done
make_pdfs "$work/long" 40 100 1 1
cat "$work"/generated/* "$work"/testdata/* "$work"/long/* >/dev/null

echo "## $count generated PDF files of 12 pages; $(nproc) cores; $rounds rounds"
set_table "$work/generated" "$word"
echo "## tests/data/pdf copied to 128 files, searched for 'tessaly'"
set_table "$work/testdata" tessaly

echo "## 40 PDF files of 100 pages, the word on page 1"
a=$(listed_by_tessaly "$work/long" "$word")
[ "$(echo "$a" | grep -c .)" = 40 ] || { echo "not every long PDF was listed" >&2; exit 1; }
[ -z "$(listed_by_tessaly "$work/long" quokkafish)" ] || { echo "a long PDF holds the absent word" >&2; exit 1; }
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
python3 "$root/bench/alternate.py" "$rounds" \
  "tessaly -c $word (on page 1: stops there)=$t --search -l $work/long -t PDF -c $word --rows" \
  "tessaly -c quokkafish (absent: every page)=$t --search -l $work/long -t PDF -c quokkafish --rows"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
