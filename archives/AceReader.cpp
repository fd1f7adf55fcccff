// ACE member listing over the block chain after the main header.
#include "archives/AceReader.h"

#include <cstring>

namespace tessaly::archives {

namespace {

constexpr std::uint64_t kSignatureOffset = 7;
constexpr char kSignature[7] = {'*', '*', 'A', 'C', 'E', '*', '*'};
constexpr std::uint8_t kFileBlock = 1;
constexpr std::uint16_t kAddSizeFlag = 0x0001;  // a packed data size at offset 7
constexpr std::uint16_t kDirectoryAttribute = 0x10;
constexpr std::uint16_t kEndOfWalkNameSize = 0xFFFF;
// Attributes (4) at 19, CRC-32 (4), technical data (4) and 2 reserved bytes
// put the name size at 33 and the name at 35.
constexpr std::size_t kNameSizeAt = 33;
constexpr std::size_t kFixedSize = 35;

}  // namespace

void ReadAceMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(engine::ArchiveFormat::Ace)) return;
  TByteCursor c(source, 2);
  std::uint16_t mainSize = 0;
  char signature[sizeof kSignature];
  if (!c.U16(mainSize)) return;
  c.Seek(kSignatureOffset);
  if (!c.Read(signature, sizeof signature) || std::memcmp(signature, kSignature, sizeof kSignature) != 0)
    return source.NoteNotOfFormat();
  // ACE has no end block: a cut shows as a block whose header or packed
  // data run past the end of the file.
  const std::uint64_t fileSize = source.Size();
  if (mainSize + 4u > fileSize) source.NoteCutShort();
  c.Seek(mainSize + 4u);
  while (true) {
    const std::uint64_t p = c.Position();
    unsigned char h[kFixedSize];
    if (!c.Read(h, sizeof h)) {
      // A block shorter than a file header may end the archive whole.
      unsigned char start[4];
      if (p < fileSize && (source.ReadAt(p, start, 4) < 4 || p + 4 + Le16(start + 2) > fileSize))
        source.NoteCutShort();
      return;
    }
    const std::uint16_t headerSize = Le16(h + 2);
    const std::uint8_t type = h[4];
    const std::uint16_t flags = Le16(h + 5);
    if (p + 4 + headerSize > fileSize) source.NoteCutShort();
    const std::uint32_t packed = Le32(h + 7);
    const std::uint32_t size = Le32(h + 11);
    const std::uint16_t attributes = Le16(h + 19);
    const std::uint16_t nameSize = Le16(h + kNameSizeAt);
    if (nameSize == kEndOfWalkNameSize) return;
    // A name size of 0x8000 or more reads as negative: an empty name.
    const std::size_t length = nameSize >= 0x8000 ? 0 : nameSize;
    const auto raw = c.Bytes(length);
    if (!raw) return;
    if (type == kFileBlock) {
      const std::string name = MemberNameText(*raw);
      if (!(attributes & kDirectoryAttribute))
        sink.Member(name, MemberSizeText(size));
      else if (criteria.listFolders)
        sink.Member(name, kFolderSizeText);
    }
    const std::uint64_t next = p + 4 + headerSize + packed;
    if ((type == kFileBlock || (flags & kAddSizeFlag)) && next > fileSize) source.NoteCutShort();
    if (next <= p) return;
    c.Seek(next);
  }
}

}  // namespace tessaly::archives
