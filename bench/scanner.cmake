# Text scanner throughput against grep (bench/scanner/run.sh runs both).
add_executable(bench_scanner ${CMAKE_CURRENT_LIST_DIR}/scanner/scanner_bench.cpp)
target_link_libraries(bench_scanner PRIVATE tessaly_engine)
