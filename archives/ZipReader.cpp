// ZIP member listing. The walk follows local headers (50 4B 03 04) by their
// sizes; the central directory is read only when a local header does not
// hold a member's sizes (data descriptors, ZIP64), which streaming writers,
// jar tools and encrypting archivers all produce.
#include "archives/ZipReader.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace tessaly::archives {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kZip64EndSignature = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr std::uint32_t kDescriptorSignature = 0x08074B50;

constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kFlagsOffset = 6;
constexpr std::size_t kCompressedOffset = 18;
constexpr std::size_t kUncompressedOffset = 22;
constexpr std::size_t kNameLengthOffset = 26;
constexpr std::size_t kExtraLengthOffset = 28;
constexpr std::uint16_t kDataDescriptorFlag = 0x0008;

constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndRecordSize = 22;
// The end record sits within its own size plus the longest comment.
constexpr std::size_t kEndSearchSpan = kEndRecordSize + 0xFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint32_t kSizeInZip64 = 0xFFFFFFFF;

struct Sizes {
  std::uint64_t compressed = 0;
  std::uint64_t uncompressed = 0;
  bool zip64 = false;  // a size needed the ZIP64 form
};

// ZIP64 extended information: the 8-byte values stand in a fixed order, each
// present only when its 32-bit field holds 0xFFFFFFFF. `wanted` says which of
// uncompressed, compressed, local offset are present; found values replace
// the ones in `values`.
void ReadZip64Extra(const std::string& extra, const bool wanted[3], std::uint64_t values[3]) {
  std::size_t at = 0;
  while (at + 4 <= extra.size()) {
    const auto* p = reinterpret_cast<const unsigned char*>(extra.data()) + at;
    const std::uint16_t id = Le16(p);
    const std::size_t size = Le16(p + 2);
    if (at + 4 + size > extra.size()) return;
    if (id == kZip64ExtraId) {
      std::size_t field = 0;
      for (int k = 0; k < 3; ++k) {
        if (!wanted[k]) continue;
        if (field + 8 > size) return;
        values[k] = Le64(p + 4 + field);
        field += 8;
      }
      return;
    }
    at += 4 + size;
  }
}

// The central directory as a map from local-header offset to sizes; empty
// when there is none or it cannot be read.
class CentralDirectory {
 public:
  explicit CentralDirectory(TByteSource& source) : source_(source) {}

  // True when the archive ends with its end record, as every whole ZIP
  // file does.
  bool Ends() {
    if (loaded_) return ended_;
    // Most archives carry no comment, so their end record is the file's
    // last bytes: seen there, the 64 KiB search and the directory can wait
    // until a member needs them.
    const std::uint64_t size = source_.Size();
    unsigned char record[kEndRecordSize];
    if (size >= kEndRecordSize && source_.ReadAt(size - kEndRecordSize, record, sizeof record) == sizeof record &&
        Le32(record) == kEndSignature && Le16(record + kEndRecordSize - 2) == 0)
      return true;
    Load();
    return ended_;
  }

  const Sizes* Find(std::uint64_t localOffset) {
    if (!loaded_) Load();
    const auto it = entries_.find(localOffset);
    return it == entries_.end() ? nullptr : &it->second;
  }

 private:
  void Load() {
    loaded_ = true;
    const std::uint64_t size = source_.Size();
    if (size < kEndRecordSize) return;
    const std::uint64_t tailStart = size > kEndSearchSpan ? size - kEndSearchSpan : 0;
    std::string tail(static_cast<std::size_t>(size - tailStart), '\0');
    if (source_.ReadAt(tailStart, tail.data(), tail.size()) != tail.size()) return;
    const auto* t = reinterpret_cast<const unsigned char*>(tail.data());
    std::optional<std::size_t> end;
    for (std::size_t i = tail.size() - kEndRecordSize + 1; i-- > 0;)
      if (Le32(t + i) == kEndSignature) {
        end = i;
        break;
      }
    if (!end) return;
    ended_ = true;
    std::uint64_t count = Le16(t + *end + 10);
    std::uint64_t dirSize = Le32(t + *end + 12);
    std::uint64_t dirOffset = Le32(t + *end + 16);
    if ((dirOffset == kSizeInZip64 || count == 0xFFFF || dirSize == kSizeInZip64) && *end >= 20 &&
        Le32(t + *end - 20) == kZip64LocatorSignature) {
      TByteCursor z(source_, Le64(t + *end - 20 + 8));
      unsigned char rec[56];
      if (z.Read(rec, sizeof rec) && Le32(rec) == kZip64EndSignature) {
        count = Le64(rec + 32);
        dirSize = Le64(rec + 40);
        dirOffset = Le64(rec + 48);
      }
    }
    // A count beyond what the directory's bytes can hold is damage: the byte
    // bound keeps the loop and the map finite.
    count = std::min<std::uint64_t>(count, size / kCentralHeaderSize);
    TByteCursor c(source_, dirOffset);
    for (std::uint64_t k = 0; k < count; ++k) {
      unsigned char h[kCentralHeaderSize];
      if (!c.Read(h, sizeof h) || Le32(h) != kCentralSignature) return;
      const std::size_t nameLength = Le16(h + 28), extraLength = Le16(h + 30), commentLength = Le16(h + 32);
      c.Skip(nameLength);
      const auto extra = c.Bytes(extraLength);
      if (!extra) return;
      c.Skip(commentLength);
      std::uint64_t values[3] = {Le32(h + 24), Le32(h + 20), Le32(h + 42)};
      const bool wanted[3] = {values[0] == kSizeInZip64, values[1] == kSizeInZip64, values[2] == kSizeInZip64};
      if (wanted[0] || wanted[1] || wanted[2]) ReadZip64Extra(*extra, wanted, values);
      entries_.emplace(values[2], Sizes{values[1], values[0], wanted[0] || wanted[1]});
    }
  }

  TByteSource& source_;
  bool loaded_ = false;
  bool ended_ = false;
  std::unordered_map<std::uint64_t, Sizes> entries_;
};

bool StartsHeader(TByteSource& source, std::uint64_t at) {
  unsigned char b[4];
  if (source.ReadAt(at, b, 4) != 4) return false;
  const std::uint32_t s = Le32(b);
  return s == kLocalSignature || s == kCentralSignature || s == kEndSignature || s == kZip64EndSignature;
}

// Length of the data descriptor at `at`: an optional signature, the CRC and
// two sizes of 4 bytes, or 8 with ZIP64. The form that leads to the next
// header wins; without one, the form the member's sizes suggest.
std::uint64_t DescriptorLength(TByteSource& source, std::uint64_t at, bool zip64) {
  unsigned char b[4];
  const bool signature = source.ReadAt(at, b, 4) == 4 && Le32(b) == kDescriptorSignature;
  const std::uint64_t base = (signature ? 4 : 0) + 4;
  const std::uint64_t preferred = base + (zip64 ? 16 : 8);
  const std::uint64_t other = base + (zip64 ? 8 : 16);
  if (StartsHeader(source, at + preferred)) return preferred;
  if (StartsHeader(source, at + other)) return other;
  return preferred;
}

}  // namespace

void ReadZipMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(engine::ArchiveFormat::Zip)) return;
  CentralDirectory central(source);
  // An empty archive is its end record alone.
  if (!StartsHeader(source, 0)) return source.NoteNotOfFormat();
  if (!central.Ends()) source.NoteCutShort();
  TByteCursor c(source, 0);
  while (true) {
    const std::uint64_t start = c.Position();
    unsigned char h[kLocalHeaderSize];
    if (!c.Read(h, sizeof h) || Le32(h) != kLocalSignature) return;
    const std::uint16_t flags = Le16(h + kFlagsOffset);
    std::uint64_t values[3] = {Le32(h + kUncompressedOffset), Le32(h + kCompressedOffset), 0};
    const std::size_t nameLength = Le16(h + kNameLengthOffset);
    const std::size_t extraLength = Le16(h + kExtraLengthOffset);

    // A name cut short by the end of the file is kept as far as it goes.
    std::string rawName(std::min<std::uint64_t>(nameLength, c.Remaining()), '\0');
    c.Read(rawName.data(), rawName.size());
    if (rawName.size() < nameLength) c.Skip(1);  // past the end: the walk ends below
    const auto extra = c.Bytes(extraLength);

    bool zip64 = false;
    const bool wanted[3] = {values[0] == kSizeInZip64, values[1] == kSizeInZip64, false};
    if ((wanted[0] || wanted[1]) && extra) {
      ReadZip64Extra(*extra, wanted, values);
      zip64 = true;
    }
    const bool deferred = (flags & kDataDescriptorFlag) != 0;
    if ((deferred && (values[0] == 0 || values[1] == 0)) || values[0] == kSizeInZip64 ||
        values[1] == kSizeInZip64) {
      if (const Sizes* s = central.Find(start)) {
        if (values[0] == 0 || values[0] == kSizeInZip64) values[0] = s->uncompressed;
        if (values[1] == 0 || values[1] == kSizeInZip64) values[1] = s->compressed;
        zip64 = zip64 || s->zip64;
      }
    }

    const std::string name = MemberNameText(rawName);
    if (!name.empty()) {
      if (name.back() == '/') {
        if (criteria.listFolders) sink.Member(name, kFolderSizeText);
      } else {
        sink.Member(name, MemberSizeText(values[0]));
      }
    }

    if (!extra) return;
    c.Skip(values[1]);
    if (deferred && !c.AtEnd()) c.Skip(DescriptorLength(source, c.Position(), zip64));
  }
}

}  // namespace tessaly::archives
