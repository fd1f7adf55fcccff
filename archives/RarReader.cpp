// RAR 1.5-4 member listing over the block chain.
#include "archives/RarReader.h"

#include <cstring>

#include "archives/Rar5Reader.h"

namespace tessaly::archives {

namespace {

constexpr unsigned char kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr std::size_t kCommonSize = 7;  // CRC, type, flags, header size
constexpr std::uint8_t kMainBlock = 0x73;
constexpr std::uint16_t kEncryptedHeaders = 0x0080;  // flag of the main block
constexpr std::uint8_t kFileBlock = 0x74;
constexpr std::uint8_t kOldSubBlock = 0x77;
constexpr std::uint8_t kServiceBlock = 0x7A;  // same layout as a file block
constexpr std::uint8_t kEndBlock = 0x7B;
constexpr std::uint16_t kLongBlock = 0x8000;  // a 4-byte data size at offset 7
constexpr std::uint16_t kLargeSizes = 0x0100;
constexpr std::uint16_t kWideName = 0x0200;
constexpr std::uint16_t kDirectoryMask = 0x00E0;
constexpr std::size_t kFileFixedSize = 25;  // offsets 7 to 31 of a file block
constexpr std::size_t kNameSizeAt = 26 - kCommonSize;

}  // namespace

std::vector<std::uint16_t> DecodeRarWideName(std::string_view plain, std::string_view encoded) {
  std::vector<std::uint16_t> out;
  std::size_t at = 0;
  auto next = [&](std::uint8_t& b) {
    if (at >= encoded.size()) return false;
    b = static_cast<std::uint8_t>(encoded[at++]);
    return true;
  };
  auto plainAt = [&](std::size_t i) -> std::uint8_t {
    return i < plain.size() ? static_cast<std::uint8_t>(plain[i]) : 0;
  };
  std::uint8_t high = 0, flags = 0;
  int flagBits = 0;
  if (!next(high)) return out;
  // The name is as long as the plain one at most, and never past the field.
  const std::size_t limit = plain.size() + encoded.size();
  while (at < encoded.size() && out.size() < limit) {
    if (flagBits == 0) {
      if (!next(flags)) break;
      flagBits = 8;
    }
    std::uint8_t a, b;
    switch (flags >> 6) {
      case 0:
        if (!next(a)) return out;
        out.push_back(a);
        break;
      case 1:
        if (!next(a)) return out;
        out.push_back(static_cast<std::uint16_t>(a | (high << 8)));
        break;
      case 2:
        if (!next(a) || !next(b)) return out;
        out.push_back(static_cast<std::uint16_t>(a | (b << 8)));
        break;
      default: {
        if (!next(a)) return out;
        std::size_t length;
        if (a & 0x80) {
          if (!next(b)) return out;
          for (length = (a & 0x7Fu) + 2; length > 0 && out.size() < limit; --length)
            out.push_back(static_cast<std::uint16_t>(((plainAt(out.size()) + b) & 0xFF) | (high << 8)));
        } else {
          for (length = a + 2u; length > 0 && out.size() < limit; --length) out.push_back(plainAt(out.size()));
        }
        break;
      }
    }
    flags = static_cast<std::uint8_t>(flags << 2);
    flagBits -= 2;
  }
  return out;
}

void ReadRarMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(engine::ArchiveFormat::Rar)) return;
  unsigned char signature[sizeof kRar5Signature];
  if (source.ReadAt(0, signature, sizeof signature) == sizeof signature &&
      std::memcmp(signature, kRar5Signature, sizeof signature) == 0)
    return ReadRar5Headers(criteria, source, sink);
  TByteCursor c(source, 0);
  unsigned char marker[sizeof kMarker];
  if (!c.Read(marker, sizeof marker) || std::memcmp(marker, kMarker, sizeof kMarker) != 0)
    return source.NoteNotOfFormat();
  // The end block is optional (archivers can leave it out), so the file may
  // end after any block; a cut shows as a block whose header or data run
  // past the end, or as the marker alone. Bytes after an end block are no
  // part of the archive.
  const std::uint64_t fileSize = source.Size();
  bool ended = false;
  auto cutShort = [&] {
    if (!ended) source.NoteCutShort();
  };
  while (true) {
    const std::uint64_t p = c.Position();
    unsigned char h[kCommonSize];
    if (!c.Read(h, sizeof h)) {
      if (p < fileSize || p == sizeof kMarker) cutShort();
      return;
    }
    const std::uint8_t type = h[2];
    const std::uint16_t flags = Le16(h + 3);
    const std::uint16_t headerSize = Le16(h + 5);
    std::uint64_t dataSize = 0;
    if (p + headerSize > fileSize) cutShort();
    // The blocks after this one are encrypted: their names need the password.
    if (type == kMainBlock && (flags & kEncryptedHeaders)) return source.NotePasswordRequired();

    if (type == kFileBlock || (type == kServiceBlock && (flags & kLongBlock))) {
      unsigned char f[kFileFixedSize];
      if (!c.Read(f, sizeof f)) return cutShort();
      dataSize = Le32(f);
      std::uint64_t unpacked = Le32(f + 4);
      const std::size_t nameSize = Le16(f + kNameSizeAt);
      if (flags & kLargeSizes) {
        std::uint32_t highPacked = 0, highUnpacked = 0;
        if (!c.U32(highPacked) || !c.U32(highUnpacked)) return cutShort();
        dataSize |= static_cast<std::uint64_t>(highPacked) << 32;
        unpacked |= static_cast<std::uint64_t>(highUnpacked) << 32;
      }
      if (type == kFileBlock) {
        if (nameSize == 0) return;
        // A name cut by the end of the file is kept as far as it goes.
        std::string field(std::min<std::uint64_t>(nameSize, c.Remaining()), '\0');
        c.Read(field.data(), field.size());
        std::string name;
        const std::size_t nul = field.find('\0');
        if ((flags & kWideName) && nul != std::string::npos) {
          name = Utf16ToUtf8(DecodeRarWideName(std::string_view(field).substr(0, nul),
                                               std::string_view(field).substr(nul + 1)));
        }
        name = MemberNameText(name.empty() ? field : name);
        const bool directory = (flags & kDirectoryMask) == kDirectoryMask;
        if (!directory)
          sink.Member(name, MemberSizeText(unpacked));
        else if (criteria.listFolders)
          sink.Member(name, kFolderSizeText);
      }
    } else if (type == kOldSubBlock || (flags & kLongBlock)) {
      std::uint32_t size = 0;
      if (!c.U32(size)) return cutShort();
      dataSize = size;
    }

    const std::uint64_t step = headerSize + dataSize;
    if (headerSize > fileSize - p || dataSize > fileSize - p - headerSize) cutShort();
    if (type == kEndBlock) ended = true;
    if (step == 0 || p + step < p) return;  // the walk would stand still
    c.Seek(p + step);
  }
}

}  // namespace tessaly::archives
