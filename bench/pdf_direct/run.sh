#!/bin/sh
# Builds and runs the direct-access benchmark: page count and page-1 size of
# 2,000 PDF files by direct access and by pdfinfo (poppler-utils), with the
# bytes read per file. Run from the source root: bench/pdf_direct/run.sh
set -e
build=${BUILD:-build-bench}
cmake -S . -B "$build" -G Ninja -DTESSALY_UI=OFF -DTESSALY_BENCH=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_pdf_direct -j2
"$build"/bin/bench_pdf_direct --files 2000 --seed tests/data/pdf "$@"
