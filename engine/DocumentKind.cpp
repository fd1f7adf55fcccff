// The kind table: name markers, then signatures of the first bytes, then
// text or binary.
#include "engine/DocumentKind.h"

#include <array>
#include <cstring>
#include <string>

#include "engine/DocumentSource.h"
#include "engine/TextDecoder.h"
#include "extract/CompoundFile.h"
#include "extract/OfficePackage.h"

namespace tessaly::engine {
namespace {

// The name markers. A name counts by the marker that occurs last in it, so
// `report.txt.pdf` is a PDF and `page.html` (".htm") a text file.
struct Marker {
  const char* text;
  DocumentKind kind;
};
constexpr Marker kMarkers[] = {
    {".pdf", DocumentKind::Pdf},           {".doc", DocumentKind::WordBinary},
    {".xls", DocumentKind::ExcelBinary},   {".ppt", DocumentKind::PowerPointBinary},
    {".rtf", DocumentKind::Rtf},           {".htm", DocumentKind::Text},
    {".txt", DocumentKind::Text},          {".odt", DocumentKind::OpenDocument},
    {".ods", DocumentKind::OpenDocument},  {".odp", DocumentKind::OpenDocument},
    {".epub", DocumentKind::Epub},
};

// A PDF's header may follow other bytes (a mail header, a print job's
// preamble); readers accept it within the first 1024 bytes.
constexpr std::size_t kPdfHeaderWindow = 1024;

constexpr unsigned char kCompoundSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// The compound document streams that name their program, in the order
// they are tried.
struct StreamKind {
  const char* stream;
  DocumentKind kind;
};
constexpr StreamKind kStreams[] = {
    {"WordDocument", DocumentKind::WordBinary},
    {"Workbook", DocumentKind::ExcelBinary},
    {"Book", DocumentKind::ExcelBinary},
    {"PowerPoint Document", DocumentKind::PowerPointBinary},
};

std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return lower;
}

std::uint16_t Le16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t Le32(std::string_view b, std::size_t at) { return Le16(b, at) | static_cast<std::uint32_t>(Le16(b, at + 2)) << 16; }

// The kind a ZIP file's first member tells: `mimetype`, stored, holding
// EPUB's or an OpenDocument type; `[Content_Types].xml` of an office
// package. Nothing when the first block does not tell.
std::optional<DocumentKind> ZipKindFromFirstMember(std::string_view block) {
  constexpr std::size_t kHeader = 30;  // local file header before its name
  if (block.size() < kHeader) return std::nullopt;
  const std::uint16_t method = Le16(block, 8);
  const std::uint32_t compressed = Le32(block, 18);
  const std::uint16_t nameLength = Le16(block, 26);
  const std::uint16_t extraLength = Le16(block, 28);
  if (kHeader + nameLength > block.size()) return std::nullopt;
  const std::string_view name = block.substr(kHeader, nameLength);
  if (name == "[Content_Types].xml") return DocumentKind::OfficePackage;
  if (name != "mimetype" || method != 0) return std::nullopt;
  const std::size_t data = kHeader + nameLength + extraLength;
  if (data > block.size() || compressed > 200) return std::nullopt;
  const std::string_view type = block.substr(data, std::min<std::size_t>(compressed, block.size() - data));
  if (type.rfind("application/epub+zip", 0) == 0) return DocumentKind::Epub;
  if (type.rfind("application/vnd.oasis.opendocument.", 0) == 0) return DocumentKind::OpenDocument;
  return std::nullopt;
}

// The kind of a ZIP file whose first member does not tell, from its
// directory: an office package lists [Content_Types].xml, an OpenDocument
// file or book its mimetype. Nothing for any other ZIP file.
std::optional<DocumentKind> ZipKindFromDirectory(TDocumentSource& source) {
  std::unique_ptr<extract::TOfficePackage> package =
      source.InMemory() ? std::make_unique<extract::TOfficePackage>(source.Bytes())
                        : std::make_unique<extract::TOfficePackage>(source.Name());
  if (package->Has("[Content_Types].xml")) return DocumentKind::OfficePackage;
  if (package->Has("mimetype") && package->Has("META-INF/container.xml")) return DocumentKind::Epub;
  if (package->Has("mimetype") && package->Has("content.xml")) return DocumentKind::OpenDocument;
  return std::nullopt;
}

// The program kind of a compound document by the streams it holds.
std::optional<DocumentKind> CompoundKind(TDocumentSource& source) {
  try {
    const extract::TCompoundFile file(source.ToolPath());
    for (const StreamKind& s : kStreams)
      if (file.ReadStream(s.stream, 1)) return s.kind;
  } catch (const extract::TStorageError&) {
  }
  return std::nullopt;
}

bool IsControl(unsigned char c) {
  if (c >= 0x20) return c == 0x7F;
  return c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B;
}

// Control characters other than tab, line ends, form feed and escape that
// text may hold: a few in a hundred (terminal logs, old mail).
bool FewControls(std::size_t controls, std::size_t size) { return controls * 32 <= size; }

// UTF-16 without a byte order mark: mostly-ASCII text has a zero byte in
// every other place, on the high byte's side of each unit.
std::optional<TextEncoding> Utf16Pattern(std::string_view b) {
  const std::size_t units = b.size() / 2;
  if (units < 2) return std::nullopt;
  std::size_t zeroLow = 0, zeroHigh = 0, nulUnits = 0;  // as little-endian units
  for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
    const bool z0 = b[i] == 0, z1 = b[i + 1] == 0;
    if (z0 && z1) ++nulUnits;
    else if (z1) ++zeroHigh;
    else if (z0) ++zeroLow;
  }
  if (nulUnits * 50 > units) return std::nullopt;
  if (zeroHigh * 10 >= units * 4 && zeroLow * 50 <= units) return TextEncoding::Utf16LE;
  if (zeroLow * 10 >= units * 4 && zeroHigh * 50 <= units) return TextEncoding::Utf16BE;
  return std::nullopt;
}

// Control characters among the UTF-16 units of `b` (code units below 0x20).
bool Utf16FewControls(std::string_view b, TextEncoding encoding, std::size_t from) {
  std::size_t controls = 0, units = 0;
  for (std::size_t i = from; i + 1 < b.size(); i += 2, ++units) {
    const auto lo = static_cast<unsigned char>(b[encoding == TextEncoding::Utf16LE ? i : i + 1]);
    const auto hi = static_cast<unsigned char>(b[encoding == TextEncoding::Utf16LE ? i + 1 : i]);
    if (hi == 0 && (IsControl(lo) || lo == 0)) ++controls;
  }
  return FewControls(controls, units);
}

}  // namespace

std::optional<DocumentKind> KindOfName(std::string_view name) {
  const std::size_t slash = name.rfind('/');
  const std::string lower = LowerAscii(slash == std::string_view::npos ? name : name.substr(slash + 1));
  std::optional<DocumentKind> kind;
  std::size_t last = 0;
  for (const Marker& m : kMarkers) {
    const std::size_t at = lower.rfind(m.text);
    if (at == std::string::npos) continue;
    // The later occurrence wins; of two at one place the longer (".epub"
    // holds no other marker, so ties do not arise today).
    if (!kind || at >= last) {
      kind = m.kind;
      last = at;
    }
  }
  return kind;
}

std::optional<KindDecision> TextKindOf(std::string_view b, bool atEnd) {
  KindDecision d;
  d.kind = DocumentKind::Text;
  auto u8 = [](const char* s) { return std::string_view(s); };
  if (b.rfind(u8("\xEF\xBB\xBF"), 0) == 0) {
    d.encoding = TextEncoding::Utf8;
    d.bomLength = 3;
  } else if (b.rfind(u8("\xFF\xFE"), 0) == 0 || b.rfind(u8("\xFE\xFF"), 0) == 0) {
    d.encoding = b[0] == '\xFF' ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
    d.bomLength = 2;
    if (!Utf16FewControls(b, d.encoding, 2)) return std::nullopt;
    return d;
  } else if (const std::optional<TextEncoding> e = Utf16Pattern(b)) {
    d.encoding = *e;
    if (!Utf16FewControls(b, d.encoding, 0)) return std::nullopt;
    return d;
  }
  if (std::memchr(b.data(), 0, b.size()) != nullptr) return std::nullopt;
  std::size_t controls = 0;
  bool utf8 = true;
  for (std::size_t i = d.bomLength; i < b.size();) {
    const auto c = static_cast<unsigned char>(b[i]);
    if (c < 0x80) {
      controls += IsControl(c);
      ++i;
      continue;
    }
    if (!utf8) {
      ++i;
      continue;
    }
    const std::size_t length = Utf8SequenceAt(b, i);
    if (length == kUtf8Cut && !atEnd) break;  // cut by the block's end: no fault of the text
    if (length == 0 || length == kUtf8Cut) {
      utf8 = false;
      ++i;
      continue;
    }
    i += length;
  }
  if (!FewControls(controls, b.size())) return std::nullopt;
  d.encoding = utf8 ? TextEncoding::Utf8 : TextEncoding::SingleByte;
  return d;
}

KindDecision DecideKind(TDocumentSource& source) {
  const std::string_view block = source.FirstBlock();
  const bool atEnd = source.FirstBlockIsAll();
  auto textOrBinary = [&] {
    if (std::optional<KindDecision> text = TextKindOf(block, atEnd)) return *text;
    return KindDecision{};
  };
  auto decided = [](DocumentKind kind) {
    KindDecision d;
    d.kind = kind;
    return d;
  };
  const bool zip = extract::StartsLikePackage(block);
  if (const std::optional<DocumentKind> named = KindOfName(source.Name())) {
    switch (*named) {
      case DocumentKind::Text: return textOrBinary();
      case DocumentKind::WordBinary:
      case DocumentKind::ExcelBinary:
      case DocumentKind::PowerPointBinary:
        // .docx, .xlsx, .pptx (and .doc files that are packages); Word
        // also saves RTF under a .doc name.
        if (zip) return decided(DocumentKind::OfficePackage);
        if (block.rfind("{\\rtf", 0) == 0) return decided(DocumentKind::Rtf);
        return decided(*named);
      default: return decided(*named);
    }
  }
  const std::size_t window = std::min(block.size(), kPdfHeaderWindow);
  if (std::string_view(block.data(), window).find("%PDF-") != std::string_view::npos) return decided(DocumentKind::Pdf);
  if (block.size() >= sizeof kCompoundSignature &&
      std::memcmp(block.data(), kCompoundSignature, sizeof kCompoundSignature) == 0) {
    if (const std::optional<DocumentKind> kind = CompoundKind(source)) return decided(*kind);
    return KindDecision{};
  }
  if (zip) {
    if (const std::optional<DocumentKind> kind = ZipKindFromFirstMember(block)) return decided(*kind);
    if (const std::optional<DocumentKind> kind = ZipKindFromDirectory(source)) return decided(*kind);
    return KindDecision{};
  }
  if (block.rfind("{\\rtf", 0) == 0) return decided(DocumentKind::Rtf);
  return textOrBinary();
}

}  // namespace tessaly::engine
