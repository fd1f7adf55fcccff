// The vectorised first pass of the text scanner: positions where two chosen
// bytes of the text could stand, each tested against a small set of byte
// values (a letter's two cases, the bytes a two-byte letter folds from).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly::engine {

// The kinds of code that run the first pass. Best picks AVX2 when the
// processor has it, else SSE2 on x86-64, else Portable; the others force one
// (tests run each path that the processor can).
enum class ScanPath { Best, Portable, Sse2, Avx2 };

// True when `path` can run on this processor (Best and Portable always).
bool ScanPathAvailable(ScanPath path);
// The path Best stands for on this processor.
ScanPath ResolveScanPath(ScanPath path);

// Up to four byte values one position of the text may have in the file.
struct ByteSet {
  std::uint8_t values[4] = {};
  int count = 0;  // 1 to 4

  bool Contains(std::uint8_t b) const {
    for (int i = 0; i < count; ++i)
      if (values[i] == b) return true;
    return false;
  }
};

// Two positions of the text and the values the file may hold there.
struct CandidateProbe {
  std::size_t offset1 = 0;
  ByteSet set1;
  std::size_t offset2 = 0;
  ByteSet set2;
};

// The first start position p with `from` <= p <= `last` for which
// data[p + offset1] is in set1 and data[p + offset2] is in set2, or SIZE_MAX
// when there is none. The caller guarantees that data[last + offset] is
// readable for both offsets. `path` must be available (not Best).
std::size_t NextCandidate(ScanPath path, const std::uint8_t* data, std::size_t from, std::size_t last,
                          const CandidateProbe& probe);

}  // namespace tessaly::engine
