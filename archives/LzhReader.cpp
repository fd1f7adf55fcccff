// LZH member listing. Offsets of the base header:
//   0 header size (levels 0, 1: 1 byte plus a checksum; level 2: 2 bytes;
//     level 3: the word size 4), 2 method id, 7 packed size, 11 original
//   size, 15 time, 19 attribute, 20 level, then for levels 0 and 1 the name
//   length and the name, for level 2 the CRC, the OS id and the first
//   extended-header size (2 bytes), for level 3 the CRC, the OS id, the whole
//   header size and the first extended-header size (4 bytes each).
// Extended headers are chained: each one is a type byte, its data and the
// size of the next one, its own size counting all three.
#include "archives/LzhReader.h"

#include <optional>

namespace tessaly::archives {

namespace {

constexpr std::size_t kBaseSize = 22;
constexpr std::size_t kLevel2BaseSize = 26;
constexpr std::size_t kLevel3BaseSize = 32;
constexpr std::size_t kLevelAt = 20;
constexpr std::size_t kNameLengthAt = 21;
// Real archives carry a handful of extended headers; a longer chain is damage.
constexpr int kMaxExtendedHeaders = 256;

constexpr std::uint8_t kFileNameHeader = 0x01;
constexpr std::uint8_t kDirectoryHeader = 0x02;
constexpr std::uint8_t kSizeHeader = 0x42;
constexpr std::uint8_t kWideFileNameHeader = 0x44;
constexpr std::uint8_t kWideDirectoryHeader = 0x45;

struct Names {
  std::optional<std::string> file, directory;          // as stored, 8-bit
  std::optional<std::string> wideFile, wideDirectory;  // already UTF-8
  std::optional<std::uint64_t> packed, original;
};

std::string Separators(std::string raw) {
  for (char& ch : raw)
    if (ch == '\\' || static_cast<unsigned char>(ch) == 0xFF) ch = '/';
  return raw;
}

std::string WideText(const std::string& data) {
  std::vector<std::uint16_t> units;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    auto u = static_cast<std::uint16_t>(static_cast<unsigned char>(data[i]) |
                                        (static_cast<unsigned char>(data[i + 1]) << 8));
    if (u == 0) break;
    if (u == 0xFFFF || u == '\\') u = '/';
    units.push_back(u);
  }
  return Utf16ToUtf8(units);
}

// Reads the extended-header chain at `at`, whose first size is `size`;
// sizes are `sizeWidth` bytes. Returns the bytes the chain takes, or nothing
// when it cannot be read.
std::optional<std::uint64_t> ReadExtendedHeaders(TByteSource& source, std::uint64_t at, std::uint64_t size,
                                                 std::size_t sizeWidth, Names& names) {
  TByteCursor c(source, at);
  std::uint64_t total = 0;
  for (int k = 0; size != 0; ++k) {
    if (k == kMaxExtendedHeaders || size < 1 + sizeWidth) return std::nullopt;
    const auto block = c.Bytes(static_cast<std::size_t>(std::min<std::uint64_t>(size, SIZE_MAX)));
    if (!block) return std::nullopt;
    total += size;
    const auto* b = reinterpret_cast<const unsigned char*>(block->data());
    const std::string data = block->substr(1, block->size() - 1 - sizeWidth);
    switch (b[0]) {
      case kFileNameHeader:
        names.file = data;
        break;
      case kDirectoryHeader:
        names.directory = data;
        break;
      case kWideFileNameHeader:
        names.wideFile = WideText(data);
        break;
      case kWideDirectoryHeader:
        names.wideDirectory = WideText(data);
        break;
      case kSizeHeader:
        if (data.size() >= 16) {
          names.packed = Le64(reinterpret_cast<const unsigned char*>(data.data()));
          names.original = Le64(reinterpret_cast<const unsigned char*>(data.data()) + 8);
        }
        break;
      default:
        break;
    }
    const unsigned char* next = b + block->size() - sizeWidth;
    size = sizeWidth == 2 ? Le16(next) : Le32(next);
  }
  return total;
}

std::string MemberName(const Names& names) {
  std::string file = names.wideFile ? *names.wideFile : names.file ? MemberNameText(Separators(*names.file)) : "";
  std::string dir = names.wideDirectory ? *names.wideDirectory
                    : names.directory   ? MemberNameText(Separators(*names.directory))
                                        : "";
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir + file;
}

// True when the `got` bytes of `h` (fewer than a method id's end) agree
// with the start of a header: "-lh" or "-lz" from byte 2 on.
bool StartsMethodId(const unsigned char* h, std::size_t got) {
  const char* const forms[] = {"-lh", "-lz"};
  for (const char* form : forms) {
    bool agrees = true;
    for (std::size_t i = 2; i < got && i < 5; ++i) agrees = agrees && h[i] == static_cast<unsigned char>(form[i - 2]);
    if (agrees) return true;
  }
  return false;
}

}  // namespace

void ReadLzhMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(engine::ArchiveFormat::Lzh)) return;
  TByteCursor c(source, 0);
  while (true) {
    const std::uint64_t p = c.Position();
    unsigned char h[kLevel3BaseSize] = {};
    const std::size_t got = source.ReadAt(p, h, sizeof h);
    if (got < 7 || h[2] != '-' || h[3] != 'l' || (h[4] != 'h' && h[4] != 'z')) {
      // The end byte 0 is not required (not every archiver writes it), but
      // a method id begun and cut by the end of the file is a cut header.
      if (got > 0 && got < 7 && h[0] != 0 && StartsMethodId(h, got))
        source.NoteCutShort();
      else if (p == 0)
        source.NoteNotOfFormat();
      return;
    }
    if (got < kBaseSize) return source.NoteCutShort();
    const std::uint8_t level = h[kLevelAt];
    const std::uint32_t packed = Le32(h + 7);
    const std::uint32_t original = Le32(h + 11);
    Names names;
    std::uint64_t next = 0;

    if (level == 2 || level == 3) {
      const bool wide = level == 3;
      if (got < (wide ? kLevel3BaseSize : kLevel2BaseSize)) return source.NoteCutShort();
      const std::uint64_t headerSize = wide ? Le32(h + 24) : Le16(h);
      const std::uint64_t firstSize = wide ? Le32(h + 28) : Le16(h + 24);
      // The extended headers lie inside the header's size.
      if (p + headerSize > source.Size()) source.NoteCutShort();
      const auto ext =
          ReadExtendedHeaders(source, p + (wide ? kLevel3BaseSize : kLevel2BaseSize), firstSize, wide ? 4 : 2, names);
      if (!ext) return;
      next = p + headerSize + (names.packed ? *names.packed : packed);
    } else {
      const std::uint64_t s = h[0];
      const std::size_t n = h[kNameLengthAt];
      if (n == 0 && level != 1) return;
      c.Seek(p + kBaseSize);
      // A name cut by the end of the file is kept as far as it goes.
      std::string raw(std::min<std::uint64_t>(n, c.Remaining()), '\0');
      c.Read(raw.data(), raw.size());
      if (!raw.empty()) names.file = raw;
      next = p + 2 + s + packed;
      if (p + 2 + s > source.Size()) source.NoteCutShort();
      if (level == 1 && s >= 2 && raw.size() == n) {
        unsigned char first[2];
        if (source.ReadAt(p + s, first, 2) != 2) return;
        const auto ext = ReadExtendedHeaders(source, p + 2 + s, Le16(first), 2, names);
        // Level-1 packed sizes count the extended headers.
        if (!ext && next > source.Size()) source.NoteCutShort();
        if (!ext) return;
        if (names.packed) next = p + 2 + s + *ext + *names.packed;
      }
    }

    const std::string name = MemberName(names);
    if (!name.empty()) sink.Member(name, MemberSizeText(names.original ? *names.original : original));
    // The packed data runs past the end (a sum past 2^64 wraps below p).
    if (next > source.Size() || next < p) source.NoteCutShort();
    if (next <= p) return;
    c.Seek(next);
  }
}

}  // namespace tessaly::archives
