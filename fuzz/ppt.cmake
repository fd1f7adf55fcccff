# The PowerPoint record walk of pptext.
tessaly_add_fuzzer(pptext_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pptext_fuzz.cpp pptext_core)
