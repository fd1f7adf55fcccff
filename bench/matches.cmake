# The content matcher with and without matching lines, and regular
# expressions against ripgrep (bench/matches/run.sh runs them).
add_executable(bench_matches ${CMAKE_CURRENT_LIST_DIR}/matches/matches_bench.cpp)
target_link_libraries(bench_matches PRIVATE tessaly_engine)
