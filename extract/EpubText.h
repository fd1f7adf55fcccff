// The text of EPUB books (.epub), read in-process as UTF-8.
//
// The container names the package document; its spine gives the reading
// order of the XHTML documents, found through the manifest. Of each
// document: the text without its tags, with entities and character
// references decoded (HTML's named entities among them, see
// XhtmlEntities.h); runs of white space collapsed to one blank, as a
// browser shows them (not in <pre>); a non-breaking space as a blank; a
// line end after each block element (p, div, h1 to h6, li, tr, br,
// blockquote, pre, section, dt, dd and their kin) and each document; a tab
// between table cells. The head, scripts and styles are no text. Documents
// outside the spine (the navigation document, the NCX) are not read.
//
// The limits are those of office packages (OfficePackage.h, XmlReader.h,
// EpubPackage.h). A damaged book delivers the text read before the fault
// and reports Damaged; a spine entry naming no document is Damaged once the
// rest of the book was read.
#pragma once

#include <string>

#include "extract/PackageStatus.h"
#include "extract/TextSink.h"

namespace tessaly::extract {

class TOfficePackage;

// Reads the book's text into `sink` (ReadPackageText hands EPUB packages
// here, so it reads them as well). The path form throws std::system_error
// when the file cannot be opened.
TPackageOutcome ReadEpubText(TOfficePackage& package, TTextSink& sink);
TPackageOutcome ReadEpubText(const std::string& path, TTextSink& sink);

}  // namespace tessaly::extract
