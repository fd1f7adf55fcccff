#!/usr/bin/env bash
# Information-field benchmark: the Author of N PDF files (default 2,000)
# read by `tessaly --search --in Author` against pdfinfo (poppler-utils) run
# on the same files in the same run, with time and peak memory of each. The
# search is also run over a quarter of the files: its peak memory must not
# grow with the number of files.
#   bash bench/pdf_info/run.sh [BUILD_DIR] [N]   (from the source root)
set -euo pipefail
build=${1:-build-bench}
count=${2:-2000}
root=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$build/bin/tessaly" ] || { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null; cmake --build "$build" --target tessaly -j2; }
command -v pdfinfo >/dev/null || { echo "pdfinfo (poppler-utils) is needed" >&2; exit 2; }
work=$(mktemp -d /tmp/tessaly-pdfinfo-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Files of three kinds: small ones with a classic table, ones with a
# cross-reference stream and an object stream, and one in ten with a page
# stream of 200 KB to 2 MB. Every fifth Author holds "smith".
python3 - "$work/all" "$count" <<'PY'
import os, random, sys, zlib
random.seed(11)
out, count = sys.argv[1], int(sys.argv[2])
os.makedirs(out)
names = ["Ann Lee", "J. Smith", "Bo Chan", "Eva Ruiz", "Kim Park", "SMITHERS Ltd", "Max Weber"]
def classic(author, title, pad):
    objs = ["<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Contents 5 0 R >>",
            "<< /Author (%s) /Title (%s) /Producer (bench) >>" % (author, title)]
    data = bytes(random.getrandbits(8) for _ in range(pad)) if pad else b"BT ET"
    text = b"%PDF-1.4\n"
    offs = []
    for i, o in enumerate(objs):
        offs.append(len(text)); text += b"%d 0 obj\n%s\nendobj\n" % (i + 1, o.encode())
    offs.append(len(text))
    text += b"5 0 obj\n<< /Length %d >>\nstream\n" % len(data) + data + b"\nendstream\nendobj\n"
    x = len(text)
    text += b"xref\n0 6\n0000000000 65535 f \n" + b"".join(b"%010d 00000 n \n" % o for o in offs)
    text += b"trailer\n<< /Size 6 /Root 1 0 R /Info 4 0 R >>\nstartxref\n%d\n%%%%EOF\n" % x
    return text
def streams(author, title):
    members = ["<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>",
               "<< /Author (%s) /Title (%s) >>" % (author, title)]
    header, body = "", ""
    for i, m in enumerate(members):
        header += "%d %d " % (i + 2, len(body)); body += m + " "
    raw = zlib.compress((header + body).encode())
    text = b"%PDF-1.5\n"
    o1 = len(text); text += b"1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
    o6 = len(text)
    text += b"6 0 obj\n<< /Type /ObjStm /N 3 /First %d /Filter /FlateDecode /Length %d >>\nstream\n" % (len(header), len(raw)) + raw + b"\nendstream\nendobj\n"
    o7 = len(text)
    rows = [(0, 0, 0), (1, o1, 0), (2, 6, 0), (2, 6, 1), (2, 6, 2), (0, 0, 0), (1, o6, 0), (1, o7, 0)]
    ent = b"".join(bytes([t]) + v.to_bytes(4, "big") + g.to_bytes(2, "big") for t, v, g in rows)
    ent = zlib.compress(ent)
    text += b"7 0 obj\n<< /Type /XRef /Size 8 /W [ 1 4 2 ] /Root 1 0 R /Info 4 0 R /Filter /FlateDecode /Length %d >>\nstream\n" % len(ent) + ent + b"\nendstream\nendobj\n"
    text += b"startxref\n%d\n%%%%EOF\n" % o7
    return text
for i in range(count):
    author = names[1] if i % 5 == 0 else random.choice(names[:1] + names[2:])
    title = "Report %d" % i
    if i % 10 == 3:
        data = classic(author, title, random.randint(200_000, 2_000_000))
    elif i % 2:
        data = streams(author, title)
    else:
        data = classic(author, title, 0)
    with open(os.path.join(out, "doc%05d.pdf" % i), "wb") as f:
        f.write(data)
PY
mkdir "$work/quarter"
ls "$work/all" | sed -n "1,$((count / 4))p" | while read -r f; do ln "$work/all/$f" "$work/quarter/$f"; done
echo "files: $count ($(du -sh "$work/all" | cut -f1))"

for run in 1 2; do
  /usr/bin/time -f "tessaly, $count files: %e s, peak %M KB" \
    "$build/bin/tessaly" --search -l "$work/all" -t PDF --in Author -c smith --rows > "$work/tessaly.txt"
  /usr/bin/time -f "tessaly, $((count / 4)) files: %e s, peak %M KB" \
    "$build/bin/tessaly" --search -l "$work/quarter" -t PDF --in Author -c smith --rows > /dev/null
  # Peak memory of the pdfinfo loop is that of its largest pdfinfo process.
  /usr/bin/time -f "pdfinfo, $count files: %e s, peak %M KB" bash -c '
    for f in "$1"/*.pdf; do
      a=$(pdfinfo "$f" 2>/dev/null | sed -n "s/^Author: *//p")
      case "${a,,}" in *smith*) echo "$f";; esac
    done' _ "$work/all" > "$work/pdfinfo.txt"
done
echo "tessaly lists: $(wc -l < "$work/tessaly.txt")   pdfinfo finds: $(wc -l < "$work/pdfinfo.txt")"
