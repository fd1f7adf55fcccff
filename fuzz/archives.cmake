# The nine archive member readers and the member-name mask.
tessaly_add_fuzzer(archives_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/archives_fuzz.cpp tessaly_archives)
