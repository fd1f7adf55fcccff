// ARC member listing over the sequence of member headers.
#include "archives/ArcReader.h"

#include <cstring>

namespace tessaly::archives {

namespace {

constexpr std::uint8_t kMarker = 0x1A;
constexpr std::size_t kHeaderSize = 29;
constexpr std::size_t kOldHeaderSize = 25;  // method 1: no original size
constexpr std::uint8_t kOldStoredMethod = 1;
constexpr std::size_t kNameField = 13;

}  // namespace

void ReadArcMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(engine::ArchiveFormat::Arc)) return;
  unsigned char start[3];
  if (source.ReadAt(0, start, 3) < 1 || start[0] != kMarker) return source.NoteNotOfFormat();
  if (source.ReadAt(0, start, 3) == 3 &&
      ((start[1] == 'H' && start[2] == 'P') || (start[1] == 'S' && start[2] == 'T')))
    return;
  // Every whole ARC archive ends with its end mark (the marker and method
  // 0): a read that fails before it has run past the end of a cut file.
  TByteCursor c(source, 0);
  while (true) {
    unsigned char h[kHeaderSize];
    std::uint8_t marker = 0, method = 0;
    if (!c.U8(marker)) return source.NoteCutShort();
    if (marker != kMarker) return;
    if (!c.U8(method)) return source.NoteCutShort();
    if (method == 0) return;
    const std::size_t length = method == kOldStoredMethod ? kOldHeaderSize : kHeaderSize;
    if (!c.Read(h + 2, length - 2)) return source.NoteCutShort();
    const auto* end = static_cast<const unsigned char*>(std::memchr(h + 2, 0, kNameField));
    const std::string raw(reinterpret_cast<const char*>(h + 2), end ? static_cast<std::size_t>(end - (h + 2)) : kNameField);
    const std::uint32_t compressed = Le32(h + 15);
    const std::uint32_t original = method == kOldStoredMethod ? compressed : Le32(h + 25);
    sink.Member(MemberNameText(raw), MemberSizeText(original));
    c.Skip(compressed);
  }
}

}  // namespace tessaly::archives
