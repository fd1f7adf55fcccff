// ARJ member listing. Every header is: id 0xEA60, basic header size b, b
// bytes of basic header, a CRC-32, then extended headers (a 2-byte size,
// that many bytes and a CRC-32 each) closed by a size of 0; file headers are
// followed by the member's compressed data.
#include "archives/ArjReader.h"

#include <algorithm>
#include <cstring>

namespace tessaly::archives {

namespace {

constexpr std::uint16_t kHeaderId = 0xEA60;
// ARJ never writes a larger basic header; a larger size is damage.
constexpr std::uint16_t kMaxBasicHeader = 2600;
// Offsets inside the basic header (counted from its first byte, which is
// byte 4 of the whole header).
constexpr std::size_t kFirstHeaderSizeAt = 0;
constexpr std::size_t kCompressedAt = 12;
constexpr std::size_t kUncompressedAt = 16;
constexpr std::size_t kFixedFields = 20;

// Steps over the CRC-32 after a basic header and the extended headers after
// it; false when they cannot be read.
bool SkipTrailer(TByteCursor& c) {
  c.Skip(4);
  while (true) {
    std::uint16_t size = 0;
    if (!c.U16(size)) return false;
    if (size == 0) return true;
    c.Skip(size + 4u);
  }
}

}  // namespace

void ReadArjMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(engine::ArchiveFormat::Arj)) return;
  TByteCursor c(source, 0);
  std::uint16_t id = 0, size = 0;
  if (!c.U16(id) || id != kHeaderId) return source.NoteNotOfFormat();
  // A read that fails below has run past the end: every whole ARJ archive
  // ends with the empty end header, so the file was cut short.
  if (!c.U16(size)) return source.NoteCutShort();
  if (size > kMaxBasicHeader) return;
  c.Skip(size);
  if (!SkipTrailer(c)) return source.NoteCutShort();
  while (true) {
    if (!c.U16(id)) return source.NoteCutShort();
    if (id != kHeaderId) return;
    if (!c.U16(size)) return source.NoteCutShort();
    if (size == 0 || size > kMaxBasicHeader) return;
    std::string basic(std::min<std::uint64_t>(size, c.Remaining()), '\0');
    c.Read(basic.data(), basic.size());
    if (basic.size() < size) source.NoteCutShort();
    const auto* b = reinterpret_cast<const unsigned char*>(basic.data());
    if (basic.size() < kFixedFields) return;
    const std::size_t nameAt = b[kFirstHeaderSizeAt];
    if (nameAt < kFixedFields || nameAt >= basic.size()) return;
    const std::uint32_t compressed = Le32(b + kCompressedAt);
    const std::uint32_t uncompressed = Le32(b + kUncompressedAt);
    const std::size_t nul = basic.find('\0', nameAt);
    const std::string raw = basic.substr(nameAt, nul == std::string::npos ? std::string::npos : nul - nameAt);
    sink.Member(MemberNameText(raw), MemberSizeText(uncompressed));
    if (basic.size() < size) return;  // the file ended inside the header
    if (!SkipTrailer(c)) return source.NoteCutShort();
    c.Skip(compressed);
  }
}

}  // namespace tessaly::archives
