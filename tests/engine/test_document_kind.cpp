// The kind decision and the streaming text decoder.
#include "engine/DocumentKind.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/DocumentSource.h"
#include "engine/TextDecoder.h"
#include "tests/extract/ZipWriter.h"

namespace tessaly::engine {
namespace {

using namespace std::string_literals;

std::string Utf16(std::string_view ascii, bool little) {
  std::string out;
  for (const char c : ascii) {
    out += little ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return out;
}

TEST(KindOfName, TheLastMarkerCounts) {
  const struct {
    const char* name;
    std::optional<DocumentKind> kind;
  } cases[] = {
      {"report.pdf", DocumentKind::Pdf},
      {"/a.pdf.d/notes.txt", DocumentKind::Text},  // folders do not count
      {"report.docx", DocumentKind::WordBinary},   // the bytes tell a package apart
      {"page.HTML", DocumentKind::Text},
      {"a.txt.pdf", DocumentKind::Pdf},
      {"book.epub", DocumentKind::Epub},
      {"minutes.odt", DocumentKind::OpenDocument},
      {"README", std::nullopt},
      {"notes.md", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(KindOfName(c.name), c.kind) << c.name;
}

TEST(TextKindOf, EncodingsAndBinary) {
  const struct {
    const char* what;
    std::string block;
    std::optional<TextEncoding> encoding;
    std::size_t bom;
  } cases[] = {
      {"ASCII", "plain words\n", TextEncoding::Utf8, 0},
      {"UTF-8", "caf\xC3\xA9\n", TextEncoding::Utf8, 0},
      {"UTF-8 BOM", "\xEF\xBB\xBF" "caf\xC3\xA9", TextEncoding::Utf8, 3},
      {"UTF-16LE BOM", "\xFF\xFE" + Utf16("caf", true), TextEncoding::Utf16LE, 2},
      {"UTF-16BE BOM", "\xFE\xFF" + Utf16("caf", false), TextEncoding::Utf16BE, 2},
      {"UTF-16LE without BOM", Utf16("zeppelin notes\r\n", true), TextEncoding::Utf16LE, 0},
      {"UTF-16BE without BOM", Utf16("zeppelin notes\r\n", false), TextEncoding::Utf16BE, 0},
      {"Windows-1252", "caf\xE9 cr\xE8me\n", TextEncoding::SingleByte, 0},
      {"a sequence cut by the block's end", "abc\xC3", TextEncoding::Utf8, 0},
      {"zero bytes", "ab\0\0\0\x01\x02zz"s, std::nullopt, 0},
      {"control characters", std::string(40, '\x01') + "abc", std::nullopt, 0},
      {"escape and form feed are text", "\x1B[1mbold\x1B[0m\f\n", TextEncoding::Utf8, 0},
      {"empty", "", TextEncoding::Utf8, 0},
  };
  for (const auto& c : cases) {
    const std::optional<KindDecision> d = TextKindOf(c.block, false);
    ASSERT_EQ(d.has_value(), c.encoding.has_value()) << c.what;
    if (!d) continue;
    EXPECT_EQ(d->encoding, *c.encoding) << c.what;
    EXPECT_EQ(d->bomLength, c.bom) << c.what;
  }
  // At the end of the file a cut sequence is no longer forgiven.
  EXPECT_EQ(TextKindOf("abc\xC3", true)->encoding, TextEncoding::SingleByte);
}

TEST(DecideKind, ByMarkerThenSignature) {
  const std::string docx = test::MakeZip({{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", "<w/>"}});
  const std::string odt = test::MakeZip({{"mimetype", "application/vnd.oasis.opendocument.text"}});
  const std::string epub = test::MakeZip({{"mimetype", "application/epub+zip"}});
  const std::string plainZip = test::MakeZip({{"a.txt", "hello"}});
  const struct {
    const char* name;
    std::string bytes;
    DocumentKind kind;
  } cases[] = {
      {"scan", "junk before\n%PDF-1.4\n", DocumentKind::Pdf},
      {"report.bin", docx, DocumentKind::OfficePackage},
      {"report.doc", docx, DocumentKind::OfficePackage},  // a package under an old name
      {"minutes", odt, DocumentKind::OpenDocument},
      {"book", epub, DocumentKind::Epub},
      {"archive", plainZip, DocumentKind::Binary},
      {"letter", "{\\rtf1\\ansi hello}", DocumentKind::Rtf},
      {"letter.doc", "{\\rtf1\\ansi hello}", DocumentKind::Rtf},  // Word's RTF under a .doc name
      {"Makefile", "all:\n\tcc a.c\n", DocumentKind::Text},
      {"x.txt", "\x7F" "ELF\x02\x01\x01\0\0\0"s, DocumentKind::Binary},  // a text marker, binary bytes
      {"x.pdf", "not a pdf at all", DocumentKind::Pdf},                  // the marker decides
  };
  for (const auto& c : cases) {
    TDocumentSource source(c.name, c.bytes);
    EXPECT_EQ(DecideKind(source).kind, c.kind) << c.name;
  }
}

TEST(TextDecoder, SequencesCutBetweenPieces) {
  const struct {
    const char* what;
    TextEncoding encoding;
    std::vector<std::string> pieces;
    std::string text;
  } cases[] = {
      {"UTF-8 split inside é", TextEncoding::Utf8, {"caf\xC3", "\xA9!"}, "caf\xC3\xA9!"},
      {"a stray 1252 byte in UTF-8", TextEncoding::Utf8, {"caf\xE9 ok \xC3\xA9"}, "caf\xC3\xA9 ok \xC3\xA9"},
      {"a cut sequence at the end", TextEncoding::Utf8, {"ab\xE2\x82"}, "ab\xC3\xA2\xE2\x80\x9A"},
      {"single-byte", TextEncoding::SingleByte, {"caf\xE9 \x80"}, "caf\xC3\xA9 \xE2\x82\xAC"},
      {"UTF-16LE split at an odd byte", TextEncoding::Utf16LE, {"a\0\xE9"s, "\0b\0"s}, "a\xC3\xA9" "b"},
      {"UTF-16BE", TextEncoding::Utf16BE, {"\0C\0A\0F\0\xC9"s}, "CAF\xC3\x89"},
      {"a surrogate pair split", TextEncoding::Utf16LE, {"\x3D\xD8"s, "\x00\xDE"s}, "\xF0\x9F\x98\x80"},
      {"an unpaired surrogate", TextEncoding::Utf16LE, {"\x3D\xD8" "a\0"s}, "\xEF\xBF\xBD" "a"},
      {"an odd last byte", TextEncoding::Utf16LE, {"a\0b"s}, "a\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    TTextDecoder decoder(c.encoding);
    std::string text;
    for (const std::string& piece : c.pieces) text += decoder.Decode(piece);
    text += decoder.Finish();
    EXPECT_EQ(text, c.text) << c.what;
  }
}

}  // namespace
}  // namespace tessaly::engine
