#!/usr/bin/env bash
# Runs the PDF parsing benchmark. With a PDF file as argument it uses that
# file; otherwise it makes a large one with Ghostscript (Debian package
# ghostscript): 3000 pages of text, one content stream and font set each.
#   bash bench/pdf/run.sh [BUILD_DIR] [FILE] [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build-bench}
file=${2:-}
[ -x "$build/bin/bench_pdf_parse" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DTESSALY_UI=OFF -DTESSALY_BENCH=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target bench_pdf_parse -j2
}
if [ -z "$file" ]; then
  file=${TMPDIR:-/tmp}/tessaly-bench-parse.pdf
  if [ ! -f "$file" ]; then
    gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -dCompressPages=false -o "$file" -c '
      /Helvetica findfont 9 scalefont setfont
      1 1 3000 { /p exch def
        40 750 moveto
        1 1 70 { /l exch def
          (Page ) show p 10 string cvs show ( line ) show l 10 string cvs show
          ( the quick brown fox jumps over the lazy dog) show
          40 750 l 10 mul sub moveto } for
        showpage } for'
  fi
fi
"$build/bin/bench_pdf_parse" "$file" "${3:-5}"
