// The first pass of the text scanner in three forms: plain C++ for any
// processor, SSE2 (always present on x86-64) and AVX2 (chosen at run time).
// The vector forms load the bytes at both probe offsets for 16 or 32 start
// positions at once, compare them with each value of their sets and stop at
// the first position where both hold; the remaining starts at the end of
// the range go through the plain form.
#include "engine/CandidateScan.h"

#include <cstring>
#include <type_traits>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tessaly::engine {
namespace {

constexpr std::size_t kNone = SIZE_MAX;

std::size_t NextPortable(const std::uint8_t* d, std::size_t p, std::size_t last, const CandidateProbe& probe) {
  const std::uint8_t* a = d + probe.offset1;
  const std::uint8_t* b = d + probe.offset2;
  if (probe.set1.count == 1) {
    // One value: the C library's memchr is the fastest plain search there is.
    const std::uint8_t v = probe.set1.values[0];
    while (p <= last) {
      const void* hit = std::memchr(a + p, v, last - p + 1);
      if (!hit) return kNone;
      p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - a);
      if (probe.set2.Contains(b[p])) return p;
      ++p;
    }
    return kNone;
  }
  for (; p <= last; ++p)
    if (probe.set1.Contains(a[p]) && probe.set2.Contains(b[p])) return p;
  return kNone;
}

#if defined(__x86_64__)

// Sets of three values repeat their last value, so every set is matched with
// one, two or four compares.
int PaddedCount(const ByteSet& set) { return set.count == 3 ? 4 : set.count; }
std::uint8_t PaddedValue(const ByteSet& set, int i) { return set.values[i < set.count ? i : set.count - 1]; }

template <int K>
__attribute__((target("sse2"))) inline __m128i MatchSse2(__m128i x, const __m128i* v) {
  __m128i m = _mm_cmpeq_epi8(x, v[0]);
  if constexpr (K >= 2) m = _mm_or_si128(m, _mm_cmpeq_epi8(x, v[1]));
  if constexpr (K >= 4) {
    m = _mm_or_si128(m, _mm_cmpeq_epi8(x, v[2]));
    m = _mm_or_si128(m, _mm_cmpeq_epi8(x, v[3]));
  }
  return m;
}

// Bit i set: start i of the 16 at `a` and `b` passes both sets.
template <int K1, int K2>
__attribute__((target("sse2"))) inline std::uint32_t Mask16(const std::uint8_t* a, const std::uint8_t* b,
                                                             const __m128i* v1, const __m128i* v2) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
  const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_and_si128(MatchSse2<K1>(x, v1), MatchSse2<K2>(y, v2))));
}

template <int K1, int K2>
__attribute__((target("sse2"))) std::size_t NextSse2(const std::uint8_t* d, std::size_t p, std::size_t last,
                                                      const CandidateProbe& probe) {
  __m128i v1[4], v2[4];
  for (int i = 0; i < 4; ++i) {
    v1[i] = _mm_set1_epi8(static_cast<char>(PaddedValue(probe.set1, i)));
    v2[i] = _mm_set1_epi8(static_cast<char>(PaddedValue(probe.set2, i)));
  }
  const std::uint8_t* a = d + probe.offset1;
  const std::uint8_t* b = d + probe.offset2;
  while (p + 63 <= last) {
    const std::uint64_t mask = static_cast<std::uint64_t>(Mask16<K1, K2>(a + p, b + p, v1, v2)) | static_cast<std::uint64_t>(Mask16<K1, K2>(a + p + 16, b + p + 16, v1, v2)) << 16 |
                               static_cast<std::uint64_t>(Mask16<K1, K2>(a + p + 32, b + p + 32, v1, v2)) << 32 |
                               static_cast<std::uint64_t>(Mask16<K1, K2>(a + p + 48, b + p + 48, v1, v2)) << 48;
    if (mask) return p + static_cast<std::size_t>(__builtin_ctzll(mask));
    p += 64;
  }
  while (p + 15 <= last) {
    if (const std::uint32_t mask = Mask16<K1, K2>(a + p, b + p, v1, v2)) return p + static_cast<std::size_t>(__builtin_ctz(mask));
    p += 16;
  }
  return p <= last ? NextPortable(d, p, last, probe) : kNone;
}

template <int K>
__attribute__((target("avx2"))) inline __m256i MatchAvx2(__m256i x, const __m256i* v) {
  __m256i m = _mm256_cmpeq_epi8(x, v[0]);
  if constexpr (K >= 2) m = _mm256_or_si256(m, _mm256_cmpeq_epi8(x, v[1]));
  if constexpr (K >= 4) {
    m = _mm256_or_si256(m, _mm256_cmpeq_epi8(x, v[2]));
    m = _mm256_or_si256(m, _mm256_cmpeq_epi8(x, v[3]));
  }
  return m;
}

template <int K1, int K2>
__attribute__((target("avx2"))) inline std::uint32_t Mask32(const std::uint8_t* a, const std::uint8_t* b,
                                                             const __m256i* v1, const __m256i* v2) {
  const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
  const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
  return static_cast<std::uint32_t>(
      _mm256_movemask_epi8(_mm256_and_si256(MatchAvx2<K1>(x, v1), MatchAvx2<K2>(y, v2))));
}

template <int K1, int K2>
__attribute__((target("avx2"))) std::size_t NextAvx2(const std::uint8_t* d, std::size_t p, std::size_t last,
                                                      const CandidateProbe& probe) {
  __m256i v1[4], v2[4];
  for (int i = 0; i < 4; ++i) {
    v1[i] = _mm256_set1_epi8(static_cast<char>(PaddedValue(probe.set1, i)));
    v2[i] = _mm256_set1_epi8(static_cast<char>(PaddedValue(probe.set2, i)));
  }
  const std::uint8_t* a = d + probe.offset1;
  const std::uint8_t* b = d + probe.offset2;
  while (p + 63 <= last) {
    const std::uint64_t mask = static_cast<std::uint64_t>(Mask32<K1, K2>(a + p, b + p, v1, v2)) | static_cast<std::uint64_t>(Mask32<K1, K2>(a + p + 32, b + p + 32, v1, v2)) << 32;
    if (mask) return p + static_cast<std::size_t>(__builtin_ctzll(mask));
    p += 64;
  }
  while (p + 31 <= last) {
    if (const std::uint32_t mask = Mask32<K1, K2>(a + p, b + p, v1, v2)) return p + static_cast<std::size_t>(__builtin_ctz(mask));
    p += 32;
  }
  return p <= last ? NextPortable(d, p, last, probe) : kNone;
}

using Kernel = std::size_t (*)(const std::uint8_t*, std::size_t, std::size_t, const CandidateProbe&);

// The kernel for the padded set sizes (1, 2 or 4) of both probes.
template <template <int, int> class Pick>
Kernel Choose(int k1, int k2) {
  auto second = [k2](auto first) -> Kernel {
    constexpr int K1 = decltype(first)::value;
    if (k2 == 1) return Pick<K1, 1>::fn;
    if (k2 == 2) return Pick<K1, 2>::fn;
    return Pick<K1, 4>::fn;
  };
  if (k1 == 1) return second(std::integral_constant<int, 1>{});
  if (k1 == 2) return second(std::integral_constant<int, 2>{});
  return second(std::integral_constant<int, 4>{});
}

template <int K1, int K2>
struct PickSse2 {
  static constexpr Kernel fn = &NextSse2<K1, K2>;
};
template <int K1, int K2>
struct PickAvx2 {
  static constexpr Kernel fn = &NextAvx2<K1, K2>;
};

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

#endif  // __x86_64__

}  // namespace

bool ScanPathAvailable(ScanPath path) {
  switch (path) {
    case ScanPath::Best:
    case ScanPath::Portable:
      return true;
#if defined(__x86_64__)
    case ScanPath::Sse2:
      return true;
    case ScanPath::Avx2:
      return HasAvx2();
#else
    case ScanPath::Sse2:
    case ScanPath::Avx2:
      return false;
#endif
  }
  return false;
}

ScanPath ResolveScanPath(ScanPath path) {
  if (path != ScanPath::Best) return path;
#if defined(__x86_64__)
  return HasAvx2() ? ScanPath::Avx2 : ScanPath::Sse2;
#else
  return ScanPath::Portable;
#endif
}

std::size_t NextCandidate(ScanPath path, const std::uint8_t* data, std::size_t from, std::size_t last,
                          const CandidateProbe& probe) {
  if (from > last) return kNone;
#if defined(__x86_64__)
  const int k1 = PaddedCount(probe.set1), k2 = PaddedCount(probe.set2);
  if (path == ScanPath::Avx2) return Choose<PickAvx2>(k1, k2)(data, from, last, probe);
  if (path == ScanPath::Sse2) return Choose<PickSse2>(k1, k2)(data, from, last, probe);
#else
  (void)path;
#endif
  return NextPortable(data, from, last, probe);
}

}  // namespace tessaly::engine
