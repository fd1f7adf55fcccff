# PDF object parsing speed over a real file (bench/pdf/run.sh makes one).
add_executable(bench_pdf_parse ${CMAKE_CURRENT_LIST_DIR}/pdf/pdf_parse_bench.cpp)
target_link_libraries(bench_pdf_parse PRIVATE tessaly_pdf)
# Page count and page-1 size by direct access against pdfinfo
# (bench/pdf_direct/run.sh runs both).
add_executable(bench_pdf_direct ${CMAKE_CURRENT_LIST_DIR}/pdf_direct/pdf_direct_bench.cpp)
target_link_libraries(bench_pdf_direct PRIVATE tessaly_pdf)
