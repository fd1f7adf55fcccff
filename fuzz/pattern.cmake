# The content matchers: regular expressions (RE2), words and the line sink.
tessaly_add_fuzzer(pattern_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pattern_fuzz.cpp tessaly_engine)
