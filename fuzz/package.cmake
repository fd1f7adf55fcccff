# The office package reader: ZIP container, XML parts, text and properties.
find_package(ZLIB REQUIRED)
tessaly_add_fuzzer(package_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/package_fuzz.cpp tessaly_extract ZLIB::ZLIB)
