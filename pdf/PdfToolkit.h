// TPdfToolkit: the facade of the PDF reading component. It holds the
// documents it loaded and answers every query from the selected one; all
// results are values (1 or 0, state numbers, texts) and nothing raises.
//
// Memory stays bounded over any number of loads: the toolkit keeps its
// initial blank document and the last document loaded successfully, and
// releases the one before when a new load succeeds. A failed load changes
// nothing, so the queries then still describe the previously selected
// document. A toolkit is used by one thread at a time.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

#include "pdf/PDFStopCheck.h"
#include "pdf/SmartPDFLinkList.h"

namespace tessaly::pdf {

class TPDFDocument;

// The component's identification text, written as Producer and Creator of
// the initial document.
extern const char* const kPdfComponentIdentification;

class TPdfToolkit {
 public:
  // Create: the initial document (a blank page of 612 by 792 points whose
  // Producer and Creator are the identification text, dated now) is made
  // and selected.
  TPdfToolkit();
  ~TPdfToolkit();
  TPdfToolkit(const TPdfToolkit&) = delete;
  TPdfToolkit& operator=(const TPdfToolkit&) = delete;

  // 1 when the file was loaded and is now selected; 0 when it does not
  // exist, cannot be opened or read, or is not a PDF file this component
  // reads (the selection is then unchanged). Never throws.
  int LoadFromFile(const std::string& fileName);
  // The question LoadFromFile asks while it reads and loads a file; once it
  // says true the load ends and reports 0. Kept until set again.
  void SetStopCheck(TPDFStopCheck check) { stopCheck_ = std::move(check); }
  // The same for the bytes of an open stream, or of memory.
  int LoadFromStream(std::istream& stream);
  int LoadFromMemory(std::string bytes);

  // Selects `document` when it is one the toolkit holds (1), else 0.
  int SelectDocument(const TPDFDocument* document);
  // The selected document; never null.
  TPDFDocument& SelectedDocument() const { return *selected_; }
  TPDFDocument& InitialDocument() const { return *initial_; }

  // Index 0: the header version; 1 to 8: Author, Title, Subject, Keywords,
  // Creator, Producer, CreationDate, ModDate as UTF-8 text; any other index
  // (negative ones included), a missing field or an unreadable document:
  // the empty text.
  std::string GetInformation(std::int64_t index) const;
  // 0 not encrypted, 1 the supported standard handler, 2 any other.
  int Encrypted() const;
  // 40, the encryption dictionary's /Length, or 0.
  int EncryptionStrength() const;

  // ---- Direct access (page count and page size without loading the
  // whole file). Declared and defined by the direct-access code, in
  // PdfToolkitDirect.cpp; its members go in the section at the end. ----

  // Opens the file for direct access (read-only; only its header, tail,
  // cross-reference data and trailers are read now). None when the file
  // does not exist or cannot be read, is no PDF file this component reads,
  // is encrypted and `password` passes neither password test, or when a
  // link to the same file is still open. Never throws.
  TDALink DAOpenFile(const std::string& fileName, const std::string& password = {});
  // 1 after closing an open link (file closed, its page handles gone), 0
  // for a handle not handed out or already closed.
  int DACloseFile(TDALink link);
  // The link's page count (1 when the file has no usable page tree); 0
  // when the link is not accepted.
  int DAGetPageCount(TDALink link);
  // A handle of page `pageNumber` (1-based), or none; none when the link is
  // not accepted or there is no such page.
  TDAPage DAFindPage(TDALink link, int pageNumber);
  // The page's media-box width and height in points, inherited from its
  // ancestors when it has none; 0 when the link or the page handle is not
  // accepted. Errors while objects are fetched (a store at its object
  // limit) reach the caller.
  double DAGetPageWidth(TDALink link, TDAPage page);
  double DAGetPageHeight(TDALink link, TDAPage page);

 private:
  int Adopt(std::unique_ptr<TPDFDocument> document, bool loaded);

  std::unique_ptr<TPDFDocument> initial_;
  std::unique_ptr<TPDFDocument> loaded_;  // the last successful load, if any
  TPDFDocument* selected_ = nullptr;
  TPDFStopCheck stopCheck_;

  // ---- Direct-access members (owned by the direct-access code). ----
  // The links opened and not yet closed.
  TSmartPDFLinkList directLinks_;
};

}  // namespace tessaly::pdf
