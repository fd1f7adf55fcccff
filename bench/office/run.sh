#!/usr/bin/env bash
# Office package benchmark: a content search of N .docx files (default
# 1,000) by `tessaly --search -t DOC -c WORD` against `docx2txt FILE - |
# grep -qi WORD` run on each file (Debian package docx2txt), alternating the
# two, three rounds each; medians of the times, peak memory of each, and
# tessaly's peak over a quarter of the files (it must not grow with their
# number). Both must list the same files.
#   bash bench/office/run.sh [BUILD_DIR] [N]   (from the source root)
set -euo pipefail
build=${1:-build-bench}
count=${2:-1000}
root=$(cd "$(dirname "$0")/../.." && pwd)
case $build in /*) ;; *) build=$root/$build ;; esac
[ -x "$build/bin/tessaly" ] || { cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null; cmake --build "$build" --target tessaly -j2; }
command -v docx2txt >/dev/null || { echo "docx2txt is needed (apt-get install docx2txt)" >&2; exit 2; }
work=$(mktemp -d /tmp/tessaly-office-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Word documents of 20 to 400 paragraphs of prose, words split over runs
# as word processors split them, a header and a footer, core properties.
# Every seventh holds "quokkafish" (split over two runs) near its end.
python3 - "$work/all" "$count" <<'PY'
import os, random, sys, zipfile
random.seed(7)
out, count = sys.argv[1], int(sys.argv[2])
os.makedirs(out)
words = ("harbour ledger minutes quarterly budget café über straße council meeting report "
         "review planning shipment invoice account balance summary draft final").split()
W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
CT = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
      '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
      '<Default Extension="xml" ContentType="application/xml"/></Types>')
RELS = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/></Relationships>')
DOCRELS = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
           '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/header" Target="header1.xml"/>'
           '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer" Target="footer1.xml"/></Relationships>')
CORE = ('<?xml version="1.0" encoding="UTF-8"?><cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
        'xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>Minutes %d</dc:title><dc:creator>Ada Quill</dc:creator></cp:coreProperties>')
def para(text):
    runs, i = [], 0
    while i < len(text):
        j = min(len(text), i + random.randint(5, 60))
        rpr = '<w:rPr><w:b/></w:rPr>' if random.random() < 0.2 else ''
        runs.append('<w:r>%s<w:t xml:space="preserve">%s</w:t></w:r>' % (rpr, text[i:j]))
        i = j
    return '<w:p><w:pPr><w:pStyle w:val="Normal"/></w:pPr>%s</w:p>' % ''.join(runs)
for n in range(count):
    paras = [' '.join(random.choice(words) for _ in range(random.randint(8, 40))) for _ in range(random.randint(20, 400))]
    body = ''.join(para(p) for p in paras)
    if n % 7 == 0:
        body += '<w:p><w:r><w:t>The quok</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>kafish swims.</w:t></w:r></w:p>'
    doc = '<?xml version="1.0" encoding="UTF-8"?><w:document %s><w:body>%s<w:sectPr/></w:body></w:document>' % (W, body)
    with zipfile.ZipFile(os.path.join(out, 'doc%05d.docx' % n), 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('[Content_Types].xml', CT)
        z.writestr('_rels/.rels', RELS)
        z.writestr('docProps/core.xml', CORE % n)
        z.writestr('word/document.xml', doc)
        z.writestr('word/_rels/document.xml.rels', DOCRELS)
        z.writestr('word/header1.xml', '<w:hdr %s>%s</w:hdr>' % (W, para('Harbour council')))
        z.writestr('word/footer1.xml', '<w:ftr %s>%s</w:ftr>' % (W, para('Page footer')))
PY
mkdir "$work/quarter"
ls "$work/all" | sed -n "1,$((count / 4))p" | while read -r f; do ln "$work/all/$f" "$work/quarter/$f"; done
echo "files: $count ($(du -sh "$work/all" | cut -f1), $(python3 -c "
import sys, zipfile, glob
print(sum(zipfile.ZipFile(f).getinfo('word/document.xml').file_size for f in glob.glob(sys.argv[1] + '/*.docx')) // 1000000)" "$work/all") MB of document XML)"

# One timed run: prints "seconds peak_kb" on the last line of its file.
tessaly_run() {  # DIR OUT
  /usr/bin/time -f "%e %M" -o "$work/t" "$build/bin/tessaly" --search -l "$1" -n '' -t DOC -c quokkafish --rows \
    | cut -f1 | sort > "$2" || true
  tail -n 1 "$work/t"  # after "Command exited with non-zero status 1" when nothing was found
}
docx2txt_run() {  # DIR OUT
  /usr/bin/time -f "%e %M" -o "$work/t" bash -c '
    for f in "$1"/*.docx; do docx2txt "$f" - 2>/dev/null | grep -qi quokkafish && echo "${f##*/}"; done; true' _ "$1" \
    | sort > "$2"
  tail -n 1 "$work/t"
}
median() { sort -n | sed -n 2p; }

: > "$work/tessaly.times"; : > "$work/docx2txt.times"
for round in 1 2 3; do
  tessaly_run "$work/all" "$work/tessaly.rows" | tee -a "$work/tessaly.times" | sed "s/^/round $round tessaly: /"
  docx2txt_run "$work/all" "$work/docx2txt.rows" | tee -a "$work/docx2txt.times" | sed "s/^/round $round docx2txt: /"
done
quarter=$(tessaly_run "$work/quarter" "$work/quarter.rows")
cmp -s "$work/tessaly.rows" "$work/docx2txt.rows" || { echo "the two list different files" >&2; diff "$work/tessaly.rows" "$work/docx2txt.rows" | head >&2; exit 1; }
t=$(cut -d' ' -f1 "$work/tessaly.times" | median); d=$(cut -d' ' -f1 "$work/docx2txt.times" | median)
tm=$(cut -d' ' -f2 "$work/tessaly.times" | sort -n | tail -1); dm=$(cut -d' ' -f2 "$work/docx2txt.times" | sort -n | tail -1)
echo "hits: $(wc -l < "$work/tessaly.rows") files, the same for both"
echo "median of 3: tessaly $t s (peak $((tm / 1024)) MB); docx2txt per file $d s (peak $((dm / 1024)) MB)"
echo "tessaly over $((count / 4)) files: ${quarter% *} s, peak $((${quarter#* } / 1024)) MB"
python3 -c "import sys; print('tessaly is %.0f times faster' % (float(sys.argv[2]) / max(float(sys.argv[1]), 0.01)))" "$t" "$d"
