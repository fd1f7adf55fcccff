// pdftotext's default conversion (poppler-utils 22.12), with the text file
// replaced by an output function that collects one page at a time.
#include "tools/pdftext/PdfPages.h"

#include <memory>

#include <poppler/Error.h>
#include <poppler/ErrorCodes.h>
#include <poppler/GlobalParams.h>
#include <poppler/PDFDoc.h>
#include <poppler/TextOutputDev.h>
#include <poppler/goo/GooString.h>

namespace tessaly::pdftext {
namespace {

using extract::pdftext::EndStatus;

// pdftotext's defaults: 72 dpi, no rotation, the media box, no cropping.
constexpr double kResolution = 72.0;

void DropError(ErrorCategory, Goffset, const char*) {}

void AppendText(void* stream, const char* text, int length) {
  if (length > 0) static_cast<std::string*>(stream)->append(text, static_cast<std::size_t>(length));
}

struct AbortState {
  const StopCheck* stop = nullptr;
  bool stopped = false;
};

bool AbortCheck(void* data) {
  auto* state = static_cast<AbortState*>(data);
  if (!state->stopped && (*state->stop)()) state->stopped = true;
  return state->stopped;
}

}  // namespace

void InitPdfLibrary() {
  globalParams = std::make_unique<GlobalParams>();
  globalParams->setTextEncoding("UTF-8");
  globalParams->setErrQuiet(true);
  setErrorCallback(DropError);
}

PagesOutcome ConvertPages(const std::string& path, const PageStart& start, const PageCallback& page,
                          const StopCheck& stop) {
  PagesOutcome outcome;
  auto doc = std::make_unique<PDFDoc>(std::make_unique<GooString>(path));
  if (!doc->isOk()) {
    outcome.status = doc->getErrorCode() == errEncrypted ? EndStatus::PasswordRequired : EndStatus::Damaged;
    return outcome;
  }
  const int count = doc->getNumPages();
  // pdftotext refuses a document without pages (an empty page range).
  if (count < 1) {
    outcome.status = EndStatus::Failed;
    return outcome;
  }
  std::string text;
  TextOutputDev output(AppendText, &text, /*physLayout=*/false, /*fixedPitch=*/0, /*rawOrder=*/false,
                       /*discardDiag=*/false);
  if (!output.isOk()) {
    outcome.status = EndStatus::Failed;
    return outcome;
  }
  output.setTextEOL(eolUnix);
  output.setTextPageBreaks(true);
  AbortState abort{&stop, false};
  for (int number = 1; number <= count; ++number) {
    if (AbortCheck(&abort)) break;
    ++outcome.pages;
    if (!start(number)) {
      abort.stopped = true;
      break;
    }
    text.clear();
    doc->displayPage(&output, number, kResolution, kResolution, 0, /*useMediaBox=*/true, /*crop=*/false,
                     /*printing=*/false, AbortCheck, &abort);
    if (abort.stopped) break;
    // Each page ends with the form feed that separates pages in a text file.
    if (!text.empty() && text.back() == '\f') text.pop_back();
    if (!page(number, text)) {
      abort.stopped = true;
      break;
    }
  }
  if (abort.stopped) outcome.status = EndStatus::Stopped;
  return outcome;
}

}  // namespace tessaly::pdftext
