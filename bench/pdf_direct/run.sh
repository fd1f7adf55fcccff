#!/usr/bin/env bash
# Builds and runs the direct-access benchmark: page count and page-1 size of
# 2,000 PDF files by direct access and by pdfinfo (poppler-utils), with the
# bytes read per file; one in ten files is a copy of a real file of
# tests/data/pdf.
#   bash bench/pdf_direct/run.sh [BUILD_DIR] [bench options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build-bench}
shift || true
cmake -S "$root" -B "$build" -G Ninja -DTESSALY_UI=OFF -DTESSALY_BENCH=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_pdf_direct -j2
"$build"/bin/bench_pdf_direct --files 2000 --seed "$root/tests/data/pdf" "$@"
