# ravelt's RTF engine against unrtf --text (bench/rtf/run.sh runs both).
add_executable(bench_rtf ${CMAKE_CURRENT_LIST_DIR}/rtf/rtf_bench.cpp)
target_link_libraries(bench_rtf PRIVATE ravelt_core)
add_dependencies(bench_rtf ravelt)
