# Archive member listing: DispatchArchive over a folder of archives against
# unzip -l and bsdtar -tf (bench/archives/run.sh runs all three).
add_executable(bench_archives ${CMAKE_CURRENT_LIST_DIR}/archives/archives_bench.cpp)
target_link_libraries(bench_archives PRIVATE tessaly_archives)
