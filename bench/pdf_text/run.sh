#!/usr/bin/env bash
# PDF full-text benchmark: 128 generated PDF files (12 pages of prose each,
# compressed page streams; one in eight holds the word on its last page)
# searched for the word by tessaly --search (one pdftotext run per file, as
# many at once as --jobs allows) and by a one-at-a-time shell loop of
# `pdftotext | grep -qi`. Both must list the same files. The commands
# alternate round by round; the table shows medians.
#   [WORD=zeppelin] [ROUNDS=5] bash bench/pdf_text/run.sh [BUILD_DIR] [COUNT]
set -euo pipefail
build=$(realpath -m "${1:-build-bench}")
count=${2:-128}
rounds=${ROUNDS:-5}
word=${WORD:-zeppelin}
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/bin/tessaly" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target tessaly
}
command -v pdftotext >/dev/null || { echo "pdftotext (poppler-utils) is needed" >&2; exit 2; }
work=$(mktemp -d /tmp/tessaly-pdftext-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 - "$work/pdfs" "$count" "$word" <<'PY'
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
    with open(os.path.join(out, "doc%03d.pdf" % n), "wb") as f:
        f.write(text)
PY
pdfs="$work/pdfs"
cat "$pdfs"/* > /dev/null
t="$build/bin/tessaly"
loop="for f in $pdfs/*.pdf; do pdftotext -q \"\$f\" - | grep -qi $word && echo \"\$f\"; done"
a=$("$t" --search -l "$pdfs" -t PDF -c "$word" --rows | cut -f1 | sort)
b=$( (bash -c "$loop" || true) | xargs -n1 basename | sort)
[ "$a" = "$b" ] || { echo "tessaly and the pdftotext loop list different files" >&2; diff <(echo "$a") <(echo "$b") >&2; exit 1; }
echo "$count PDF files, $(du -sm "$pdfs" | cut -f1) MB, $(echo "$a" | wc -l) hits each side; $(nproc) cores;" \
     "load before: $(cut -d' ' -f1-3 /proc/loadavg); $rounds rounds"
rows=("tessaly --search -t PDF -c $word=$t --search -l $pdfs -t PDF -c $word --rows")
if "$t" --help 2>&1 | grep -q -- --jobs; then
  rows+=("tessaly --search --jobs 1 -t PDF -c $word=$t --search --jobs 1 -l $pdfs -t PDF -c $word --rows")
fi
rows+=("pdftotext piped to grep -qi, one file at a time=$loop")
echo
python3 "$root/bench/alternate.py" "$rounds" "${rows[@]}"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
