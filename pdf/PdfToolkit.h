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

 private:
  int Adopt(std::unique_ptr<TPDFDocument> document, bool loaded);

  std::unique_ptr<TPDFDocument> initial_;
  std::unique_ptr<TPDFDocument> loaded_;  // the last successful load, if any
  TPDFDocument* selected_ = nullptr;

  // ---- Direct-access members (owned by the direct-access code). ----
};

}  // namespace tessaly::pdf
