# The request line a later start hands to the running window (a Qt type, so
# only where the window is built).
if(TESSALY_UI)
  tessaly_add_fuzzer(start_request_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/start_request_fuzz.cpp tessaly_ui)
endif()
