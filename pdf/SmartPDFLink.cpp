// TSmartPDFLink: opening a PDF file for direct access and setting up its
// reader, encryption facts and document.
#include "pdf/SmartPDFLink.h"

#include "platform/FileFacts.h"
#include "pdf/SmartPDFDocument.h"
#include "pdf/SmartPDFInfo.h"
#include "pdf/SmartPDFReader.h"
#include "pdf/SmartPDFSource.h"

namespace tessaly::pdf {

TSmartPDFLink::TSmartPDFLink(const std::string& fileName, std::string_view password)
    : fileName_(fileName) {
  try {
    if (!platform::FileExists(fileName)) return;
    auto file = std::make_unique<TSmartPDFFileSource>(fileName);
    if (!file->IsOpen()) return;
    source_ = std::move(file);
  } catch (...) {
    return;
  }
  Open(password);
}

TSmartPDFLink::TSmartPDFLink(std::unique_ptr<TSmartPDFSource> source, std::string_view password)
    : source_(std::move(source)) {
  if (source_ != nullptr) Open(password);
}

TSmartPDFLink::~TSmartPDFLink() {
  document_.reset();
  info_.reset();
  reader_.reset();
  source_.reset();
}

void TSmartPDFLink::Open(std::string_view password) {
  try {
    reader_ = std::make_unique<TSmartPDFReader>(*source_);
    if (reader_->Error() != TSmartPDFReader::kNoError || reader_->Trailers().empty()) {
      reader_.reset();
      return;
    }
    info_ = std::make_unique<TSmartPDFInfo>(*reader_);
    if (!info_->AcceptPassword(password)) {
      info_.reset();
      reader_.reset();
      return;
    }
    document_ = std::make_unique<TSmartPDFDocument>(*reader_, *info_);
    valid_ = true;
  } catch (...) {
    // Whatever went wrong while opening makes the link invalid; nothing is
    // reported further.
    document_.reset();
    info_.reset();
    reader_.reset();
    valid_ = false;
  }
}

}  // namespace tessaly::pdf
