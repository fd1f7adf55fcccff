# Memory of the result store with a million rows.
add_executable(bench_store_memory ${CMAKE_CURRENT_LIST_DIR}/search/store_memory.cpp)
target_link_libraries(bench_store_memory PRIVATE tessaly_engine)
