// Finding the archive behind a self-extracting program.
#include "archives/SfxLocator.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "archives/ArchiveLimits.h"

namespace tessaly::archives {

namespace {

constexpr std::uint32_t kZipLocal = 0x04034B50;
constexpr std::uint32_t kZipCentral = 0x02014B50;
constexpr std::uint32_t kZipEnd = 0x06054B50;
constexpr std::size_t kZipEndSize = 22;
constexpr unsigned char kSevenZipSignature[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr unsigned char kRarSignature[] = {'R', 'a', 'r', '!', 0x1A, 0x07};

bool U32At(TByteSource& source, std::uint64_t at, std::uint32_t& v) {
  unsigned char b[4];
  if (source.ReadAt(at, b, 4) != 4) return false;
  v = Le32(b);
  return true;
}

std::optional<std::uint64_t> FindZip(TByteSource& source) {
  const std::uint64_t size = source.Size();
  if (size < kZipEndSize) return std::nullopt;
  const std::uint64_t tailStart = size > kZipEndSize + 0xFFFF ? size - kZipEndSize - 0xFFFF : 0;
  std::string tail(static_cast<std::size_t>(size - tailStart), '\0');
  if (source.ReadAt(tailStart, tail.data(), tail.size()) != tail.size()) return std::nullopt;
  const auto* t = reinterpret_cast<const unsigned char*>(tail.data());
  for (std::size_t i = tail.size() - kZipEndSize + 1; i-- > 0;) {
    if (Le32(t + i) != kZipEnd) continue;
    const std::uint64_t endAt = tailStart + i;
    const std::uint64_t dirSize = Le32(t + i + 12), dirOffset = Le32(t + i + 16);
    if (dirSize > endAt) continue;
    const std::uint64_t dirAt = endAt - dirSize;
    if (dirOffset > dirAt) continue;
    const std::uint64_t base = dirAt - dirOffset;
    std::uint32_t sig = 0;
    unsigned char first[46];
    if (source.ReadAt(dirAt, first, sizeof first) != sizeof first || Le32(first) != kZipCentral) continue;
    // The first member's offset is relative to the archive, or to the
    // whole file when a tool adjusted the offsets after joining.
    const std::uint64_t local = Le32(first + 42);
    for (const std::uint64_t at : {base + local, local})
      if (at > 0 && at < dirAt && U32At(source, at, sig) && sig == kZipLocal) return at;
    return std::nullopt;
  }
  return std::nullopt;
}

bool SevenZipStartsAt(TByteSource& source, std::uint64_t at) {
  unsigned char h[32];
  if (source.ReadAt(at, h, sizeof h) != sizeof h) return false;
  return crc32(0, h + 12, 20) == Le32(h + 8);
}

bool RarStartsAt(TByteSource& source, std::uint64_t at) {
  unsigned char h[16];
  if (source.ReadAt(at, h, sizeof h) != sizeof h) return false;
  if (h[6] == 0x00) return h[9] == 0x73;  // RAR 1.5-4: the archive header follows the marker
  if (h[6] != 0x01 || h[7] != 0x00) return false;
  // RAR 5: CRC-32, a header size vint, then the main header's type 1.
  std::size_t p = 12;
  while (p < sizeof h && (h[p] & 0x80)) ++p;
  return p + 1 < sizeof h && h[p + 1] == 0x01;
}

}  // namespace

std::optional<SfxArchive> FindAppendedArchive(TByteSource& source) {
  if (const auto zip = FindZip(source)) return SfxArchive{SfxKind::Zip, *zip};
  const std::uint64_t span = std::min<std::uint64_t>(source.Size(), kSfxSearchSpan);
  constexpr std::size_t kPiece = 1 << 20;
  constexpr std::size_t kOverlap = 8;
  std::vector<unsigned char> piece(static_cast<std::size_t>(std::min<std::uint64_t>(kPiece + kOverlap, span)));
  for (std::uint64_t start = 0; start < span; start += kPiece) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece + kOverlap, span - start));
    const std::size_t got = source.ReadAt(start, piece.data(), want);
    for (std::size_t i = 0; i + 6 <= got && i < kPiece; ++i) {
      const std::uint64_t at = start + i;
      if (at == 0) continue;
      if (piece[i] == '7' && std::memcmp(&piece[i], kSevenZipSignature, 6) == 0 && SevenZipStartsAt(source, at))
        return SfxArchive{SfxKind::SevenZip, at};
      if (piece[i] == 'R' && std::memcmp(&piece[i], kRarSignature, 6) == 0 && RarStartsAt(source, at))
        return SfxArchive{SfxKind::Rar, at};
    }
    if (got < want) break;
  }
  return std::nullopt;
}

}  // namespace tessaly::archives
