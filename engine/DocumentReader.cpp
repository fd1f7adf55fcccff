// The reader of each document kind, chosen by the kind decision.
#include "engine/DocumentReader.h"

#include <system_error>

#include "engine/ContentConditions.h"
#include "engine/ConverterReader.h"
#include "engine/DocumentSource.h"
#include "engine/PdfTextReader.h"
#include "engine/SearchContext.h"
#include "engine/TextFileReader.h"
#include "extract/OfficePackage.h"
#include "extract/PackageText.h"

namespace tessaly::engine {
namespace {

using extract::ConverterKind;

// Passes text on while the search runs and the listener wants more; keeps
// whether the read was ended early.
class GuardedSink : public extract::TTextSink {
 public:
  GuardedSink(SearchContext& context, extract::TTextSink& inner) : context_(context), inner_(inner) {}
  bool Append(std::string_view text) override { return Go(inner_.Append(text)); }
  bool BeginPart(extract::PartKind kind, int number, std::string_view name) override {
    return Go(inner_.BeginPart(kind, number, name));
  }
  bool ended = false;

 private:
  bool Go(bool more) {
    if (!more || context_.Stopped()) ended = true;
    return !ended;
  }
  SearchContext& context_;
  extract::TTextSink& inner_;
};

// Office packages, OpenDocument files and EPUB books, read in-process. A
// fault or limit leaves the text read before it delivered; the outcome
// says what stopped the read.
ReadOutcome ReadPackage(SearchContext& context, TDocumentSource& source, extract::TTextSink& sink) {
  GuardedSink guarded(context, sink);
  extract::TPackageOutcome result;
  try {
    if (source.InMemory()) {
      extract::TOfficePackage package(source.Bytes());
      result = extract::ReadPackageText(package, guarded);
    } else {
      result = extract::ReadPackageText(source.Name(), guarded);
    }
  } catch (const std::system_error& e) {
    ReadOutcome failed;
    failed.cause = CauseOfErrno(e.code().value());
    return failed;
  }
  ReadOutcome outcome;
  outcome.stopped = guarded.ended;
  switch (result.status) {
    case extract::PackageStatus::Damaged: outcome.cause = UnreadableCause::Damaged; break;
    case extract::PackageStatus::TooLarge: outcome.cause = UnreadableCause::TooLarge; break;
    case extract::PackageStatus::Complete: break;
  }
  return outcome;
}

}  // namespace

ReadOutcome ReadDocumentText(SearchContext& context, TDocumentSource& source, const KindDecision& kind,
                             extract::TTextSink& sink) {
  switch (kind.kind) {
    case DocumentKind::Text: return ReadTextFile(context, source, kind, sink);
    case DocumentKind::Pdf: return ReadPdfText(context, source, sink);
    case DocumentKind::OfficePackage:
    case DocumentKind::OpenDocument:
    case DocumentKind::Epub: return ReadPackage(context, source, sink);
    case DocumentKind::WordBinary: return ReadConverterText(context, source, ConverterKind::Word, sink);
    case DocumentKind::ExcelBinary: return ReadConverterText(context, source, ConverterKind::Excel, sink);
    case DocumentKind::PowerPointBinary: return ReadConverterText(context, source, ConverterKind::PowerPoint, sink);
    case DocumentKind::Rtf: return ReadConverterText(context, source, ConverterKind::Rtf, sink);
    case DocumentKind::Binary: break;
  }
  return {};
}

}  // namespace tessaly::engine
