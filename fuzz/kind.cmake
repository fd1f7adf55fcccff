# The kind decision and the text decoder.
tessaly_add_fuzzer(kind_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/kind_fuzz.cpp tessaly_engine)
