// The text of office packages, read in-process: Word (.docx, .docm, .dotx),
// Excel (.xlsx, .xlsm), PowerPoint (.pptx) and OpenDocument (.odt, .ods,
// .odp, .odg) files, and EPUB books (.epub, see EpubText.h), as UTF-8.
//
// - Word: the main document, then headers, footers, footnotes, endnotes and
//   comments. The runs of a paragraph are joined without a separator (words
//   are often split over runs), a line end follows each paragraph, a tab
//   stands for <w:tab/>, a line end for <w:br/>.
// - Excel: the cells of every worksheet in the workbook's order, one line
//   per row, cells separated by tabs: shared strings, inline strings, and
//   numbers and other values as written in the file.
// - PowerPoint: the text of every slide in slide order, then the notes.
//   Without the presentation's relationships the slide parts are taken in
//   the numeric order of their names.
// - OpenDocument: content.xml: paragraphs and headings with their spans,
//   <text:s/> as spaces, tabs and line breaks; table cells separated by
//   tabs, rows by line ends.
// The kind is found from the package's content, not from the file's name.
//
// Every read reports a TPackageOutcome (PackageStatus.h): Complete, Damaged
// (not a ZIP file, not an office document, damaged container or XML) or
// TooLarge (a limit of OfficePackage.h or XmlReader.h reached). The text
// read before a fault or limit is delivered all the same.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "extract/PackageStatus.h"
#include "extract/TextSink.h"

namespace tessaly::extract {

class TOfficePackage;

// Reads the text of the package at `path` into `sink`. Throws
// std::system_error when the file cannot be opened; any other fault is in
// the outcome.
TPackageOutcome ReadPackageText(const std::string& path, TTextSink& sink);
TPackageOutcome ReadPackageText(TOfficePackage& package, TTextSink& sink);

// Text collected whole: at most kMaxCollectedText bytes, beyond which the
// outcome is TooLarge.
inline constexpr std::size_t kMaxCollectedText = 64u << 20;

struct TPackageText {
  std::string text;
  TPackageOutcome outcome;
};

// The text of the package at `path` (throws as ReadPackageText does), or
// of a package in memory.
TPackageText PackageTextOf(const std::string& path);
TPackageText PackageTextOfBytes(std::string_view bytes);

}  // namespace tessaly::extract
