# ravelt's RTF engine and the control's streaming requests.
tessaly_add_fuzzer(ravelt_rtf_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/ravelt_rtf_fuzz.cpp ravelt_core)
