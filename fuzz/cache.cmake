# The stored record of a cached text, as read back from the cache file.
tessaly_add_fuzzer(cached_text_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/cached_text_fuzz.cpp tessaly_cache)
# Its seeds: pages.rec and sheets.rec are records (format 1, verdict, parts,
# text) written by a few lines of Python; stored.bin is the stored length and
# CRC-32 (12 bytes, little-endian) and the record compressed by `zstd`.
