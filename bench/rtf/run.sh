#!/usr/bin/env bash
# RTF conversion benchmark: a generated RTF file of about 10 MB in the form
# word processors write (font, colour and style tables, revision-marked
# runs, \'hh and \uN text, fields, tables, a picture now and then) turned
# into text by the engine in process, by the ravelt program (three times
# each) and by unrtf --text (Debian package unrtf, once: it is slow), in the
# same run.
#   bash bench/rtf/run.sh [BUILD_DIR] [SIZE_MB]   (built with -DTESSALY_BENCH=ON)
set -euo pipefail
build=$(realpath -m "${1:-build-bench}")
size_mb=${2:-10}
root=$(cd "$(dirname "$0")/../.." && pwd)
command -v unrtf >/dev/null || { echo "unrtf is missing: apt-get install unrtf" >&2; exit 1; }
[ -x "$build/bin/bench_rtf" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target bench_rtf ravelt
}
work=$(mktemp -d /tmp/tessaly-rtf-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
file="$work/bench.rtf"
python3 - "$file" "$size_mb" <<'PY'
import random, sys
random.seed(7)
path, size = sys.argv[1], int(sys.argv[2]) * 1000 * 1000
words = ("the harbour master said that every ship in the bay would leave before noon "
         "while the pelican watched from the pier and the tide came in").split()
accented = [r"caf\'e9", r"Gr\'fc\'dfe", r"na\'efve", r"\u1055\'3f\u1088\'3f\u1080\'3f",
            r"\u8220\'93quoted\u8221\'94", r"\u8364\'80", r"r\u233\'e9sum\u233\'e9"]
head = (r"{\rtf1\ansi\ansicpg1252\deff0\nouicompat\deflang1033"
        r"{\fonttbl{\f0\froman\fprq2\fcharset0 Times New Roman;}{\f1\fswiss\fprq2\fcharset0 Arial;}"
        r"{\f2\fswiss\fprq2\fcharset204 Arial Cyr;}{\f3\froman\fprq2\fcharset2 Symbol;}}"
        r"{\colortbl ;\red0\green0\blue0;\red0\green0\blue255;}"
        r"{\stylesheet{\s0\ql\f0\fs24 Normal;}{\s1\ql\b\f1\fs32 heading 1;}{\*\cs10 Default Paragraph Font;}}"
        r"{\*\generator Bench 1.0;}{\info{\title Benchmark}{\author Bench}}" "\n")
def run():
    text = " ".join(random.choice(words) for _ in range(random.randint(4, 14)))
    if random.random() < 0.3:
        text += " " + random.choice(accented)
    return r"{\rtlch\fcs1 \af0 \ltrch\fcs0 \insrsid%d %s}" % (random.randint(1000000, 9999999), text)
parts, total, n = [head], len(head), 0
while total < size:
    n += 1
    if n % 40 == 0:
        rows = []
        for r in range(5):
            cells = "".join(r"\pard\intbl %s\cell " % run() for _ in range(4))
            rows.append(r"\trowd\trgaph108\cellx2000\cellx4000\cellx6000\cellx8000" + cells + r"\row" + "\n")
        chunk = "".join(rows) + r"\pard" + "\n"
    elif n % 150 == 0:
        blob = "".join(random.choice("0123456789abcdef") for _ in range(8000))
        chunk = r"{\*\shppict{\pict\pngblip\picw100\pich100 " + blob + "}}\\par\n"
    elif n % 25 == 0:
        chunk = (r"\pard\plain \s0\ql\f0\fs24 See {\field{\*\fldinst HYPERLINK \"http://example.org/%d\"}"
                 r"{\fldrslt{\ul link %d}}} %s\par" % (n, n, run())) + "\n"
    else:
        chunk = r"\pard\plain \s0\ql\f0\fs24 " + "".join(run() for _ in range(random.randint(1, 5))) + r"\par" + "\n"
    parts.append(chunk)
    total += len(chunk)
parts.append("}\n")
open(path, "w").write("".join(parts))
PY
echo "file: $(du -k "$file" | cut -f1) KB"
cat "$file" > /dev/null   # into the page cache
cd "$work"                # unrtf writes the pictures it meets into the current folder
"$build/bin/bench_rtf" "$file" 3
for run in 1 2 3; do
  /usr/bin/time -f "ravelt:        %e s, %M KB" "$build/bin/ravelt" "$file" > "$work/ravelt.txt"
done
# unrtf takes minutes on this file (it grows worse than linearly): one run.
/usr/bin/time -o "$work/unrtf.time" -f "unrtf --text:  %e s, %M KB" unrtf --text "$file" > "$work/unrtf.txt" 2>/dev/null || true
cat "$work/unrtf.time"
echo "text: ravelt $(wc -c < "$work/ravelt.txt") bytes, unrtf $(wc -c < "$work/unrtf.txt") bytes"
