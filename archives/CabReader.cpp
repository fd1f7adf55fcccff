// CAB member listing from the CFHEADER and its CFFILE entries.
#include "archives/CabReader.h"

#include "archives/ReaderSupport.h"

namespace tessaly::archives {

namespace {

constexpr std::uint32_t kSignature = 0x4643534D;  // "MSCF"
constexpr std::uint64_t kCabinetSizeOffset = 8;
constexpr std::uint64_t kFirstEntryOffset = 16;
constexpr std::uint64_t kEntryCountOffset = 28;
constexpr std::uint64_t kEntrySkip = 12;  // folder offset, folder index, date, time, attributes

}  // namespace

void ReadCabMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(engine::ArchiveFormat::Cab)) return;
  TByteCursor c(source, 0);
  std::uint32_t signature = 0, firstEntry = 0;
  std::uint16_t count = 0;
  if (!c.U32(signature) || signature != kSignature) return source.NoteNotOfFormat();
  // The header holds the cabinet's whole size, and every entry it counts
  // lies inside it: a shorter file, or an entry past the end, was cut.
  std::uint32_t cabinetSize = 0;
  c.Seek(kCabinetSizeOffset);
  if (!c.U32(cabinetSize) || cabinetSize > source.Size()) source.NoteCutShort();
  c.Seek(kFirstEntryOffset);
  if (!c.U32(firstEntry)) return;
  c.Seek(kEntryCountOffset);
  if (!c.U16(count)) return source.NoteCutShort();
  c.Seek(firstEntry);
  for (unsigned k = 0; k < count; ++k) {
    std::uint32_t size = 0;
    if (!c.U32(size)) return source.NoteCutShort();
    c.Skip(kEntrySkip);
    std::string raw;
    bool complete = true;
    while (true) {
      std::uint8_t b;
      if (!c.U8(b)) {
        complete = false;
        break;
      }
      if (b == 0) break;
      if (raw.size() >= kMaxTerminatedName) return;
      raw += static_cast<char>(b);
    }
    if (!complete) source.NoteCutShort();
    if (!complete && raw.empty()) return;
    sink.Member(MemberNameText(raw), MemberSizeText(size));
    if (!complete) return;
  }
}

}  // namespace tessaly::archives
