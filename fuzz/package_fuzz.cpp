// Fuzz target for the office package reader: container, relationships,
// the four family readers, EPUB books and the document properties.
//
// An input that starts with "PK" is read as a whole package. Any other
// input is XML: its first byte chooses a layout, and the rest becomes every
// XML part of a small package of that layout (a Word document with a
// header, a workbook with shared strings and a sheet, a deck with a slide,
// an OpenDocument file with its meta part, an EPUB book whose container,
// package document and two spine documents are the XML), so the handlers
// see the fuzzed XML without the fuzzer having to build ZIP files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "../tests/extract/ZipWriter.h"
#include "extract/EpubPackage.h"
#include "extract/OfficePackage.h"
#include "extract/PackageSummary.h"
#include "extract/PackageText.h"

namespace {

using namespace tessaly::extract;
using tessaly::test::Stored;

// Larger inputs add nothing the limits do not already cut.
constexpr std::size_t kMaxInput = 1 << 20;

std::string PackageOf(unsigned char layout, const std::string& xml) {
  std::vector<tessaly::test::TZipMember> members;
  switch (layout % 5) {
    case 0:
      members = {Stored("[Content_Types].xml", "<Types/>"), Stored("word/document.xml", xml),
                 Stored("word/header1.xml", xml), Stored("docProps/core.xml", xml),
                 Stored("docProps/app.xml", xml)};
      break;
    case 1:
      members = {Stored("[Content_Types].xml", "<Types/>"), Stored("xl/workbook.xml", "<workbook/>"),
                 Stored("xl/_rels/workbook.xml.rels", xml), Stored("xl/sharedStrings.xml", xml),
                 Stored("xl/worksheets/sheet1.xml", xml)};
      break;
    case 2:
      members = {Stored("[Content_Types].xml", "<Types/>"), Stored("_rels/.rels", xml),
                 Stored("ppt/presentation.xml", "<presentation/>"), Stored("ppt/slides/slide1.xml", xml),
                 Stored("ppt/slides/_rels/slide1.xml.rels", xml), Stored("ppt/notesSlides/notesSlide1.xml", xml)};
      break;
    case 3:
      members = {Stored("mimetype", "application/vnd.oasis.opendocument.text"), Stored("content.xml", xml),
                 Stored("meta.xml", xml)};
      break;
    default:
      // The container names OPS/package.opf; a package document whose
      // manifest names ch1.xhtml and text/ch2.xhtml is read from the same
      // XML, so a fuzzed container, manifest or spine reaches the chapters.
      members = {Stored("mimetype", "application/epub+zip"), Stored("META-INF/container.xml", xml),
                 Stored("OPS/package.opf", xml), Stored("OPS/ch1.xhtml", xml), Stored("OPS/text/ch2.xhtml", xml)};
      break;
  }
  return tessaly::test::MakeZip(members);
}

void Read(std::string_view bytes) {
  const TPackageText text = PackageTextOfBytes(bytes);
  if (text.text.size() > kMaxCollectedText) std::abort();
  if (text.outcome.status != PackageStatus::Complete && text.outcome.fault.empty()) std::abort();
  TOfficePackage package(bytes);
  const TSummaryValues values = PackageSummaryValues(package);
  const std::string lines = SummaryLinesText(values);
  if (!lines.empty() && lines.back() != '\r') std::abort();
  (void)StartsLikeEpub(bytes);
  TOfficePackage again(bytes);
  if (IsEpub(again)) {
    const TEpubBook book = ReadEpubBook(again);
    for (const TEpubSpineItem& item : book.spine)
      if (item.part.find("..") == 0 || (!item.part.empty() && item.part.front() == '/')) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > kMaxInput) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.substr(0, 2) == "PK") Read(input);
  else Read(PackageOf(data[0], std::string(input.substr(1))));
  return 0;
}
