// TAR member listing. Headers are not rounded to 512-byte blocks: after a
// member's data the reader skips zero bytes, and the next header starts at
// the first non-zero byte, so the end-of-archive zero blocks end the walk.
#include "archives/TarReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace tessaly::archives {

namespace {

constexpr std::size_t kBlock = 512;
constexpr std::size_t kNameField = 100;
constexpr std::size_t kSizeOffset = 124;
constexpr std::size_t kSizeDigits = 11;  // byte 135 is always cut off
constexpr std::size_t kTypeOffset = 156;
constexpr std::size_t kMagicOffset = 257;
constexpr std::size_t kPrefixOffset = 345;
constexpr std::size_t kPrefixField = 155;
constexpr std::size_t kSparseExtendedOffset = 482;
constexpr std::size_t kRealSizeOffset = 483;
constexpr std::size_t kRealSizeField = 12;
constexpr std::size_t kExtensionExtendedOffset = 504;
// Long names and pax records are header data: read them up to this bound,
// step over anything larger unread.
constexpr std::int32_t kMaxHeaderData = 64 * 1024;

// A numeric field read the way tar writes it: octal digits after optional
// blanks, ended by NUL or blank, or GNU base-256 when the first byte has its
// high bit set. Gives nothing for any other text or a value beyond 64 bits.
std::optional<std::uint64_t> TarFieldNumber(const unsigned char* field, std::size_t width) {
  std::uint64_t v = 0;
  if (width > 0 && (field[0] & 0x80) != 0) {
    if ((field[0] & 0x40) != 0) return std::nullopt;  // negative
    v = field[0] & 0x3F;
    for (std::size_t i = 1; i < width; ++i) {
      if (v > (UINT64_MAX >> 8)) return std::nullopt;
      v = (v << 8) | field[i];
    }
    return v;
  }
  std::size_t i = 0;
  while (i < width && field[i] == ' ') ++i;
  const std::size_t first = i;
  for (; i < width && field[i] >= '0' && field[i] <= '7'; ++i) {
    if (v > (UINT64_MAX >> 3)) return std::nullopt;
    v = (v << 3) | static_cast<std::uint64_t>(field[i] - '0');
  }
  if (i == first || (i < width && field[i] != '\0' && field[i] != ' ')) return std::nullopt;
  return v;
}

std::string FieldText(const unsigned char* field, std::size_t width) {
  const auto* end = static_cast<const unsigned char*>(std::memchr(field, 0, width));
  return std::string(reinterpret_cast<const char*>(field), end ? static_cast<std::size_t>(end - field) : width);
}

// pax records: "<length> <key>=<value>\n", the length counting the whole record.
void ReadPaxRecords(const std::string& data, std::optional<std::string>& path, bool& haveSize,
                    std::uint64_t& size) {
  std::size_t at = 0;
  while (at < data.size()) {
    std::size_t length = 0, i = at;
    while (i < data.size() && data[i] >= '0' && data[i] <= '9' && length < data.size()) {
      length = length * 10 + static_cast<std::size_t>(data[i] - '0');
      ++i;
    }
    if (i == at || i >= data.size() || data[i] != ' ' || length <= i - at + 1 || length > data.size() - at) return;
    std::string record = data.substr(i + 1, at + length - i - 1);
    if (!record.empty() && record.back() == '\n') record.pop_back();
    const std::size_t eq = record.find('=');
    if (eq != std::string::npos) {
      const std::string key = record.substr(0, eq), value = record.substr(eq + 1);
      if (key == "path") {
        path = value;
      } else if (key == "size") {
        std::uint64_t v = 0;
        bool ok = !value.empty() && value.size() <= 19;
        for (const char ch : value) {
          if (ch < '0' || ch > '9') ok = false;
          v = v * 10 + static_cast<unsigned char>(ch - '0');
        }
        if (ok) {
          haveSize = true;
          size = v;
        }
      }
    }
    at += length;
  }
}

// Moves `c` to the first non-zero byte at or after its position; false when
// the file ends first.
bool SkipZeroBytes(TByteSource& source, TByteCursor& c) {
  unsigned char buf[kBlock];
  std::uint64_t at = c.Position();
  while (at < source.Size()) {
    const std::size_t n = source.ReadAt(at, buf, sizeof buf);
    if (n == 0) return false;
    for (std::size_t i = 0; i < n; ++i)
      if (buf[i] != 0) {
        c.Seek(at + i);
        return true;
      }
    at += n;
  }
  return false;
}

}  // namespace

std::int32_t OctalDigitsValue(std::int32_t v) {
  if (v <= 0) return 0;
  std::int64_t result = 0, power = 1;
  while (v > 0) {
    result += (v % 10) * power;
    power *= 8;
    v /= 10;
  }
  return static_cast<std::int32_t>(result);
}

namespace {

[[noreturn]] void NotAnInteger(const std::string& text) {
  throw std::runtime_error("'" + text + "' is not a valid integer value");
}

}  // namespace

std::int32_t TarNumberValue(const std::string& text) {
  auto fail = [&]() -> std::int32_t { NotAnInteger(text); };
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size()) return fail();
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fail();
    v = v * 10 + (text[i] - '0');
    if (v > 2147483648LL) return fail();
  }
  if (negative) v = -v;
  if (v > 2147483647LL || v < -2147483648LL) return fail();
  return OctalDigitsValue(static_cast<std::int32_t>(v));
}

void ReadTarMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(engine::ArchiveFormat::Tar)) return;
  TByteCursor c(source, 0);
  std::optional<std::string> nextName;      // from a long-name entry or a pax path
  bool haveNextSize = false;                // a pax size record was read
  std::uint64_t nextSize = 0;
  while (true) {
    unsigned char h[kBlock];
    const std::uint64_t at = c.Position();
    // A header begun (the walk stands on a non-zero byte) and cut by the end.
    if (!c.Read(h, sizeof h)) {
      if (at < source.Size()) source.NoteCutShort();
      return;
    }
    const bool gnu = std::memcmp(h + kMagicOffset, "ustar  \0", 8) == 0;
    const bool posix = std::memcmp(h + kMagicOffset, "ustar\0" "00", 8) == 0;
    if (!gnu && !posix) {
      // A block of zeros ends the archive (an empty one starts with it).
      if (c.Position() == kBlock && std::any_of(h, h + kBlock, [](unsigned char b) { return b != 0; }))
        source.NoteNotOfFormat();
      return;
    }

    const std::int32_t headerSize = TarNumberValue(FieldText(h + kSizeOffset, kSizeDigits));
    const char type = static_cast<char>(h[kTypeOffset]);
    std::uint64_t dataSize = static_cast<std::uint64_t>(headerSize);

    if (type == 'L' || type == 'x') {
      // Header data of the member that follows.
      if (headerSize <= kMaxHeaderData) {
        const std::optional<std::string> data = c.Bytes(static_cast<std::size_t>(headerSize));
        if (!data) return source.NoteCutShort();
        if (type == 'L') {
          nextName = FieldText(reinterpret_cast<const unsigned char*>(data->data()), data->size());
        } else {
          ReadPaxRecords(*data, nextName, haveNextSize, nextSize);
        }
        dataSize = 0;
      }
    } else if (type == 'g' || type == 'K') {
      // A global pax header or a GNU long link name: no member of its own.
    } else {
      std::string name = FieldText(h, kNameField);
      if (posix) {
        const std::string prefix = FieldText(h + kPrefixOffset, kPrefixField);
        if (!prefix.empty()) name = prefix + "/" + name;
      }
      if (nextName) name = *nextName;
      std::uint64_t shownSize = dataSize;
      if (haveNextSize) {
        shownSize = dataSize = nextSize;
      } else if (type == 'S') {
        // Sparse files are mostly large ones: their real size is read as the
        // 64-bit octal number it is, never through the 32-bit size reading.
        shownSize = TarFieldNumber(h + kRealSizeOffset, kRealSizeField).value_or(dataSize);
      }
      nextName.reset();
      haveNextSize = false;
      if (type != '5' || criteria.listFolders) sink.Member(MemberNameText(name), MemberSizeText(shownSize));
      if (type == 'S' && h[kSparseExtendedOffset] != 0) {
        // Old GNU sparse maps continue in extension blocks before the data.
        unsigned char ext[kBlock];
        do {
          if (!c.Read(ext, sizeof ext)) return source.NoteCutShort();
        } while (ext[kExtensionExtendedOffset] != 0);
      }
    }
    c.Skip(dataSize);
    if (c.Position() > source.Size()) return source.NoteCutShort();
    if (!SkipZeroBytes(source, c)) return;
  }
}

}  // namespace tessaly::archives
