// RAR 5 member listing over the header chain.
#include "archives/Rar5Reader.h"

#include <zlib.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "archives/ReaderSupport.h"

namespace tessaly::archives {

namespace {

// A vint holds 7 bits a byte, the low group first; the high bit is set on
// every byte but the last. 10 bytes carry 64 bits.
constexpr std::size_t kMaxVintBytes = 10;
// Archivers write the header size in at most 3 vint bytes.
constexpr std::uint64_t kMaxHeaderSize = (std::uint64_t{1} << 21) - 1;

// Fuzzing builds let every checksum pass, so that mutated inputs reach the
// fields behind it.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kCheckCrc = false;
#else
constexpr bool kCheckCrc = true;
#endif

constexpr std::uint64_t kFileHeader = 2;
constexpr std::uint64_t kEncryptionHeader = 4;
constexpr std::uint64_t kEndHeader = 5;

// Header flags.
constexpr std::uint64_t kHasExtraArea = 0x0001;
constexpr std::uint64_t kHasDataArea = 0x0002;
constexpr std::uint64_t kContinuedFromPrevious = 0x0008;

// File header flags.
constexpr std::uint64_t kDirectory = 0x0001;
constexpr std::uint64_t kHasTime = 0x0002;
constexpr std::uint64_t kHasCrc = 0x0004;
constexpr std::uint64_t kSizeUnknown = 0x0008;

// Feeds bytes to a vint until its last byte. False when `next` runs out,
// or the number takes more than 10 bytes or 64 bits.
template <class NextByte>
bool DecodeVint(NextByte next, std::uint64_t& value) {
  value = 0;
  for (std::size_t i = 0; i < kMaxVintBytes; ++i) {
    std::uint8_t b;
    if (!next(b)) return false;
    if (i == kMaxVintBytes - 1 && (b & 0x7E)) return false;
    value |= static_cast<std::uint64_t>(b & 0x7F) << (7 * i);
    if (!(b & 0x80)) return true;
  }
  return false;
}

// The fields of one header, read from its bytes in memory; every read fails
// at the end of the part allowed.
class THeaderFields {
 public:
  THeaderFields(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Remaining() const { return size_ - at_; }
  // Leaves the last `count` bytes out of later reads (the extra area).
  bool Reserve(std::uint64_t count) {
    if (count > Remaining()) return false;
    size_ -= static_cast<std::size_t>(count);
    return true;
  }
  bool Vint(std::uint64_t& v) {
    return DecodeVint(
        [this](std::uint8_t& b) {
          if (at_ >= size_) return false;
          b = data_[at_++];
          return true;
        },
        v);
  }
  bool Skip(std::size_t count) {
    if (count > Remaining()) return false;
    at_ += count;
    return true;
  }
  bool Bytes(std::size_t count, std::string_view& out) {
    if (count > Remaining()) return false;
    out = std::string_view(reinterpret_cast<const char*>(data_ + at_), count);
    at_ += count;
    return true;
  }

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

enum class FileFields { Read, Damaged };

// Reads a file header's own fields and offers its row.
FileFields OfferFile(const engine::SearchCriteria& criteria, THeaderFields& f, std::uint64_t headerFlags,
                     TMemberSink& sink) {
  std::uint64_t fileFlags, unpacked, attributes, compression, hostOs, nameSize;
  if (!f.Vint(fileFlags) || !f.Vint(unpacked) || !f.Vint(attributes)) return FileFields::Damaged;
  if ((fileFlags & kHasTime) && !f.Skip(4)) return FileFields::Damaged;
  if ((fileFlags & kHasCrc) && !f.Skip(4)) return FileFields::Damaged;
  if (!f.Vint(compression) || !f.Vint(hostOs) || !f.Vint(nameSize)) return FileFields::Damaged;
  std::string_view stored;
  if (nameSize > kMaxTerminatedName || !f.Bytes(static_cast<std::size_t>(nameSize), stored))
    return FileFields::Damaged;
  // A part continued from the previous volume was listed with that volume.
  if ((headerFlags & kContinuedFromPrevious) || stored.empty()) return FileFields::Read;
  const std::string name = MemberNameText(stored);
  if (!(fileFlags & kDirectory))
    sink.Member(name, MemberSizeText((fileFlags & kSizeUnknown) ? 0 : unpacked));
  else if (criteria.listFolders)
    sink.Member(name, kFolderSizeText);
  return FileFields::Read;
}

}  // namespace

void ReadRar5Headers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  // Every fault the walk finds counts as the archive cut short: the rows
  // before it stay, nothing after it can be trusted.
  TByteCursor c(source, sizeof kRar5Signature);
  std::vector<unsigned char> header;
  while (true) {
    // Archivers always end an archive with the end header; a file that ends
    // before it was cut, even between two headers.
    std::uint32_t storedCrc;
    if (!c.U32(storedCrc)) return source.NoteCutShort();
    unsigned char sizeBytes[kMaxVintBytes];
    std::size_t sizeLength = 0;
    std::uint64_t headerSize;
    const bool sizeRead = DecodeVint(
        [&](std::uint8_t& b) {
          if (!c.U8(b)) return false;
          sizeBytes[sizeLength++] = b;
          return true;
        },
        headerSize);
    if (!sizeRead || headerSize == 0 || headerSize > kMaxHeaderSize) return source.NoteCutShort();
    if (headerSize > c.Remaining()) return source.NoteCutShort();
    header.resize(static_cast<std::size_t>(headerSize));
    if (!c.Read(header.data(), header.size())) return source.NoteCutShort();

    // The CRC-32 covers the size field and the rest of the header.
    uLong crc = crc32(0L, sizeBytes, static_cast<uInt>(sizeLength));
    crc = crc32(crc, header.data(), static_cast<uInt>(header.size()));
    if (kCheckCrc && crc != storedCrc) return source.NoteCutShort();

    THeaderFields f(header.data(), header.size());
    std::uint64_t type, flags, extraSize = 0, dataSize = 0;
    if (!f.Vint(type) || !f.Vint(flags)) return source.NoteCutShort();
    if ((flags & kHasExtraArea) && !f.Vint(extraSize)) return source.NoteCutShort();
    if ((flags & kHasDataArea) && !f.Vint(dataSize)) return source.NoteCutShort();
    if (!f.Reserve(extraSize)) return source.NoteCutShort();

    if (type == kEncryptionHeader) return source.NotePasswordRequired();
    if (type == kEndHeader) return;  // bytes after it are no part of the archive
    if (type == kFileHeader && OfferFile(criteria, f, flags, sink) == FileFields::Damaged)
      return source.NoteCutShort();
    // The header was read whole, so the walk has moved forward by its size.
    if (dataSize > c.Remaining()) return source.NoteCutShort();
    c.Skip(dataSize);
  }
}

}  // namespace tessaly::archives
