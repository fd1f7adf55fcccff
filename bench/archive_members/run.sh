#!/usr/bin/env bash
# Benchmarks of the archive formats listed through libarchive and of the
# text inside members, each against its peer in the same run, commands
# alternating (bench/alternate.py), medians:
#  - listing COUNT .tar.gz archives of 5 MB uncompressed against `tar -tzf`
#    on each, and COUNT .7z archives against `7z l` on each;
#  - a word in 100 ZIP archives of 50 text and .docx members each against an
#    `unzip -p ARCHIVE | grep -qi WORD` loop (both find archives; the
#    script checks that they find the same ones).
#   bash bench/archive_members/run.sh [BUILD_DIR] [COUNT] [ROUNDS]
# Needs tar, gzip, p7zip-full, unzip and python3.
set -euo pipefail
build=${1:-build}
count=${2:-200}
rounds=${3:-3}
root=$(cd "$(dirname "$0")/../.." && pwd)
T="$build/bin/tessaly"
[ -x "$T" ] || bash "$root/scripts/build.sh" "$build" --target tessaly
T=$(cd "$(dirname "$T")" && pwd)/tessaly
work=$(mktemp -d /tmp/tessaly-member-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 - "$work" "$count" <<'PY'
import io, os, random, subprocess, sys, zipfile
random.seed(11)
root, count = sys.argv[1], int(sys.argv[2])
words = "alpha beta gamma delta harbour pier lantern anchor tide quay rope".split()
def text(n):
    return " ".join(random.choices(words, k=n))
tgz, sz, zips = (os.path.join(root, d) for d in ("tgz", "7z", "zip"))
for d in (tgz, sz, zips): os.makedirs(d)
src = os.path.join(root, "src")
for i in range(count):
    tree = os.path.join(src, "t%03d" % i)
    for m in range(50):
        os.makedirs(os.path.join(tree, "d%d" % (m % 5)), exist_ok=True)
        with open(os.path.join(tree, "d%d" % (m % 5), "m%02d.txt" % m), "w") as f:
            f.write(text(17000))  # about 100 KB: 5 MB a tree
    subprocess.run(["tar", "czf", os.path.join(tgz, "a%03d.tar.gz" % i), "-C", tree, "."], check=True)
    subprocess.run(["7z", "a", "-bd", "-bso0", os.path.join(sz, "a%03d.7z" % i), "."], cwd=tree, check=True)
    subprocess.run(["rm", "-rf", tree], check=True)
def docx(body):
    b = io.BytesIO()
    with zipfile.ZipFile(b, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
        z.writestr("word/document.xml", '<?xml version="1.0"?><w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body><w:p><w:r><w:t>%s</w:t></w:r></w:p></w:body></w:document>' % body)
    return b.getvalue()
for i in range(100):
    with zipfile.ZipFile(os.path.join(zips, "z%03d.zip" % i), "w", zipfile.ZIP_DEFLATED) as z:
        for m in range(50):
            body = text(300)
            if i % 4 == 0 and m == 49: body += " zeppelin"
            if m % 2: z.writestr("docs/m%02d.txt" % m, body)
            else: z.writestr("docs/m%02d.docx" % m, docx(body))
PY
echo "data: $count .tar.gz ($(du -sm "$work/tgz" | cut -f1) MB), $count .7z, 100 .zip"
cat "$work"/*/* > /dev/null
# The same archives found: tessaly's member rows by archive, against the loop's.
"$T" --search -l "$work/zip" -n "" -t "*" -a zip -c zeppelin --rows | cut -f3 | sort -u > "$work/found-tessaly"
for f in "$work"/zip/*.zip; do unzip -p "$f" | grep -qi zeppelin && echo "$f"; done | sort > "$work/found-unzip" || true
echo "archives with the word: tessaly $(wc -l < "$work/found-tessaly"), unzip -p | grep $(wc -l < "$work/found-unzip")"
cmp -s "$work/found-tessaly" "$work/found-unzip" && echo "same archives found" || echo "DIFFERENT archives found"
alt="$root/bench/alternate.py"
python3 "$alt" "$rounds" "tessaly .tar.gz=$T --search -l $work/tgz -n '' -t '*' -a tar --rows" \
  "tar -tzf each=for f in $work/tgz/*.tar.gz; do tar -tzf \$f; done"
python3 "$alt" "$rounds" "tessaly .7z=$T --search -l $work/7z -n '' -t '*' -a 7z --rows" \
  "7z l each=for f in $work/7z/*.7z; do 7z l \$f; done"
python3 "$alt" "$rounds" "tessaly -c zeppelin=$T --search -l $work/zip -n '' -t '*' -a zip -c zeppelin" \
  "unzip -p | grep -qi each=for f in $work/zip/*.zip; do unzip -p \$f | grep -qi zeppelin; done"
