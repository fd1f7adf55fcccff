# Memory of the result store with a million rows.
add_executable(bench_store_memory ${CMAKE_CURRENT_LIST_DIR}/search/store_memory.cpp)
target_link_libraries(bench_store_memory PRIVATE tessaly_engine)
# Time of the result store's repeat check, linear in the rows.
add_executable(bench_store_time ${CMAKE_CURRENT_LIST_DIR}/search/store_time.cpp)
target_link_libraries(bench_store_time PRIVATE tessaly_engine)
