# The PDF text helper driven through its client over the PDF corpora; the
# frames of its protocol.
tessaly_add_fuzzer(pdftext_helper_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pdftext_helper_fuzz.cpp tessaly_extract)
add_dependencies(pdftext_helper_fuzz_replay tessaly-pdftext)
if(TARGET pdftext_helper_fuzz)
  add_dependencies(pdftext_helper_fuzz tessaly-pdftext)
endif()
tessaly_add_fuzzer(pdftext_frames_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/pdftext_frames_fuzz.cpp tessaly_extract)
