# The htmltext conversion: tags, text mode and output naming.
tessaly_add_fuzzer(htmltext_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/htmltext_fuzz.cpp htmltext_core)
