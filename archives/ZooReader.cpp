// ZOO member listing over the linked directory entries.
#include "archives/ZooReader.h"

#include "archives/ReaderSupport.h"

namespace tessaly::archives {

namespace {

constexpr std::uint32_t kTag = 0xFDC4A7DC;
constexpr std::uint64_t kTagOffset = 20;
constexpr std::size_t kEntryFixed = 38;  // tag to the start of the name
constexpr char kNameStop = 0x1F;

}  // namespace

void ReadZooMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(engine::ArchiveFormat::Zoo)) return;
  TByteCursor c(source, kTagOffset);
  std::uint32_t tag = 0, first = 0;
  if (!c.U32(tag) || tag != kTag) return source.NoteNotOfFormat();
  // Every whole ZOO archive ends its chain of entries with an end entry (next
  // offset 0); a read that fails before it has run past the end of a cut
  // file, as has an entry whose packed data does.
  if (!c.U32(first)) return source.NoteCutShort();
  std::uint64_t p = first;
  while (true) {
    c.Seek(p);
    unsigned char e[kEntryFixed];
    if (!c.Read(e, sizeof e)) return source.NoteCutShort();
    if (Le32(e) != kTag) return;
    const std::uint32_t next = Le32(e + 6);
    const std::uint64_t dataEnd = std::uint64_t{Le32(e + 10)} + Le32(e + 24);
    const std::uint32_t size = Le32(e + 20);
    const auto raw = ReadTerminatedName(c, kMaxTerminatedName, kNameStop);
    // A name is given up past kMaxTerminatedName bytes; fewer left is a cut.
    if (!raw && source.Size() - (p + kEntryFixed) <= kMaxTerminatedName) source.NoteCutShort();
    if (!raw) return;
    if (!raw->empty()) sink.Member(MemberNameText(*raw), MemberSizeText(size));
    if (next != 0 && dataEnd > source.Size()) source.NoteCutShort();
    // The end entry points back to the archive header; a chain that turns
    // back anywhere else would loop.
    if (next <= p) return;
    p = next;
  }
}

}  // namespace tessaly::archives
