# The property-set reader of compound documents and the summary lines.
tessaly_add_fuzzer(propset_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/propset_fuzz.cpp tessaly_extract)
