# The PDF object parser and the stream decoders.
tessaly_add_fuzzer(pdf_parse_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pdf_parse_fuzz.cpp tessaly_pdf)
tessaly_add_fuzzer(pdf_decode_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pdf_decode_fuzz.cpp tessaly_pdf)
# The direct-access reader, link and page tree.
tessaly_add_fuzzer(pdf_direct_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pdf_direct_fuzz.cpp tessaly_pdf)
# Whole-file loading, security handler and information queries.
tessaly_add_fuzzer(pdf_load_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pdf_load_fuzz.cpp tessaly_pdf)
