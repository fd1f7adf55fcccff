// Scanner throughput: every regular file under a folder searched for a word
// without regard to case, with the bytes, the time and the peak memory.
//
//   [CHUNK=bytes] [CASE=1] bench_scanner FOLDER WORD
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

#include "engine/TextScanner.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: bench_scanner FOLDER WORD\n", stderr);
    return 1;
  }
  namespace fs = std::filesystem;
  tessaly::engine::ScanOptions options;
  if (const char* chunk = std::getenv("CHUNK")) options.chunkSize = std::strtoull(chunk, nullptr, 10);
  const bool caseSensitive = std::getenv("CASE") != nullptr;
  std::uintmax_t files = 0, bytes = 0, hits = 0;
  const auto start = std::chrono::steady_clock::now();
  for (const auto& entry : fs::recursive_directory_iterator(argv[1])) {
    if (!entry.is_regular_file()) continue;
    ++files;
    bytes += entry.file_size();
    if (tessaly::engine::ScanFileForText(entry.path().string(), argv[2], caseSensitive, options) != -1) ++hits;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("scanner: %ju files, %.1f MB, %ju hits, %.3f s, %.0f MB/s, peak RSS %ld KB\n", files, bytes / 1e6, hits,
              seconds, bytes / 1e6 / seconds, usage.ru_maxrss);
  return 0;
}
