// The one place that decides what kind of document a file is: the name's
// marker first, then the first bytes. Every content test, every archive
// member and every reader goes by this decision; no step guesses a kind of
// its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessaly::engine {

class TDocumentSource;

enum class DocumentKind : std::uint8_t {
  Pdf,
  WordBinary,        // compound document holding a WordDocument stream (.doc)
  ExcelBinary,       // compound document holding Workbook or Book (.xls)
  PowerPointBinary,  // compound document holding PowerPoint Document (.ppt)
  OfficePackage,     // ZIP package with [Content_Types].xml (.docx, .xlsx, .pptx)
  OpenDocument,      // ZIP whose first member is mimetype of an OpenDocument type
  Epub,              // ZIP whose first member is mimetype application/epub+zip
  Rtf,
  Text,    // decodes as text (see TextEncoding); HTML files are text too
  Binary,  // none of the above: skipped, as grep skips binary files
};

// How a text file's bytes are to be decoded.
enum class TextEncoding : std::uint8_t {
  Utf8,        // valid UTF-8 (ASCII among it); a BOM is skipped
  Utf16LE,
  Utf16BE,
  SingleByte,  // not UTF-8: read as Windows-1252 (ISO-8859-1 is a subset in print)
};

struct KindDecision {
  DocumentKind kind = DocumentKind::Binary;
  TextEncoding encoding = TextEncoding::Utf8;  // of Text
  std::size_t bomLength = 0;                   // bytes of a byte order mark to skip (Text)
};

// Bytes of a file's first block: what the decision reads at most.
inline constexpr std::size_t kFirstBlockSize = 65536;

// The kind the file name's marker gives, when it has one: the marker that
// occurs last in the lower-cased name (`report.docx` is Word by ".doc",
// `notes.pdf.txt` is text). Word, Excel and PowerPoint markers give the
// binary kind; the bytes then tell a package (or RTF) apart. Text and HTML markers
// give Text, still subject to the bytes decoding as text.
std::optional<DocumentKind> KindOfName(std::string_view name);

// The encoding of a first block as text, or nothing when it is binary:
// UTF-8 (with or without BOM), UTF-16 of either order (a BOM, or the zero
// bytes of mostly-ASCII UTF-16 without one), or single-byte text (no zero
// byte, few control characters besides tab, CR, LF, FF and ESC). `atEnd`:
// the block is the whole file (a sequence cut at the block's end is then
// not forgiven).
std::optional<KindDecision> TextKindOf(std::string_view block, bool atEnd);

// The whole decision for `source`: its name's marker, else its first
// bytes (%PDF- within 1024 bytes, the compound document's streams, the
// ZIP's [Content_Types].xml or mimetype, {\rtf), else text or binary.
// Reads the first block once (the source keeps it for the reader); a
// source that cannot be read throws std::system_error.
KindDecision DecideKind(TDocumentSource& source);

}  // namespace tessaly::engine
