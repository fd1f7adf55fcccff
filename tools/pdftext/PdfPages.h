// The text of a PDF file, page by page, as pdftotext gives it by default:
// Poppler's PDFDoc and TextOutputDev in reading order (no physical layout,
// no raw order, diagonal text kept), UTF-8, Unix line ends, at 72 dpi on
// the media box.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "extract/PdfTextFrames.h"

namespace tessaly::pdftext {

// Called with each page's number (1-based) before the page is read, so the
// reader of the pages can tell the page before it is complete; false ends
// the document.
using PageStart = std::function<bool(int number)>;
// Called with each page's number and its text, without the form feed
// pdftotext writes after a page. False ends the document.
using PageCallback = std::function<bool(int number, std::string_view text)>;
// Asked between pages and while a page is being read; true ends the
// document (the page being read is then not handed out).
using StopCheck = std::function<bool()>;

struct PagesOutcome {
  extract::pdftext::EndStatus status = extract::pdftext::EndStatus::Complete;
  int pages = 0;  // pages begun
};

// Sets up the library once per process: the UTF-8 text encoding, and
// Poppler's error messages dropped (they would only name the file).
void InitPdfLibrary();

// Reads `path` with the library and hands its pages to `start` and `page`. Nothing is
// written anywhere. Throws std::bad_alloc when memory runs out.
PagesOutcome ConvertPages(const std::string& path, const PageStart& start, const PageCallback& page,
                          const StopCheck& stop);

}  // namespace tessaly::pdftext
