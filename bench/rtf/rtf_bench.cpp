// RTF engine throughput: one RTF file streamed into the control from disk
// and its text streamed out (to nothing), with the bytes, the time, the
// text size and the peak memory.
//
//   bench_rtf FILE [REPEAT]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/ravelt/RichEdit.h"

namespace {

std::int32_t ReadFile(std::uintptr_t cookie, unsigned char* buffer, std::int32_t count, std::int32_t* done) {
  *done = static_cast<std::int32_t>(std::fread(buffer, 1, static_cast<std::size_t>(count), reinterpret_cast<std::FILE*>(cookie)));
  return 0;
}

std::int32_t CountText(std::uintptr_t cookie, unsigned char*, std::int32_t count, std::int32_t* done) {
  *reinterpret_cast<std::size_t*>(cookie) += static_cast<std::size_t>(count);
  *done = count;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: bench_rtf FILE [REPEAT]\n", stderr);
    return 1;
  }
  const int repeat = argc > 2 ? std::atoi(argv[2]) : 3;
  for (int run = 0; run < repeat; ++run) {
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
      std::perror(argv[1]);
      return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    tessaly::ravelt::TRichEdit control;
    tessaly::ravelt::EditStream in{reinterpret_cast<std::uintptr_t>(file), 0, ReadFile};
    const long bytes = control.StreamIn(tessaly::ravelt::SF_RTF, in);
    std::size_t text = 0;
    tessaly::ravelt::EditStream out{reinterpret_cast<std::uintptr_t>(&text), 0, CountText};
    control.StreamOut(tessaly::ravelt::SF_TEXT, out);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fclose(file);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("engine: %.1f MB RTF -> %.1f MB text, error %d, %.3f s, %.0f MB/s, peak RSS %ld KB\n", bytes / 1e6,
                text / 1e6, static_cast<int>(in.dwError), seconds, bytes / 1e6 / seconds, usage.ru_maxrss);
  }
  return 0;
}
