# The nine archive member readers and the member-name mask.
tessaly_add_fuzzer(archives_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/archives_fuzz.cpp tessaly_archives)
# The listing through libarchive and the member data reads behind our limits.
tessaly_add_fuzzer(archives_libarchive_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/archives_libarchive_fuzz.cpp tessaly_archives)
# The text inside members: nested archives read behind the limits.
tessaly_add_fuzzer(archives_member_text_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/archives_member_text_fuzz.cpp tessaly_archives)
