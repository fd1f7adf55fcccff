// The helper route of the PDF text reader: the worker's helper, the host's
// time-out, and the helper's statuses as read outcomes.
#include "engine/PdfHelperText.h"

#include "engine/SearchContext.h"
#include "extract/PdfTextHelper.h"

namespace tessaly::engine {
namespace {

// Each page after the first opens with a line break after the page before,
// as the pdftotext route delivers pages cut at its form feeds: a match
// never runs from one page into the next.
class PageBreaks : public extract::TTextSink {
 public:
  explicit PageBreaks(extract::TTextSink& inner) : inner_(inner) {}
  bool BeginPart(extract::PartKind kind, int number, std::string_view name) override {
    if (pages_++ > 0 && !inner_.Append("\n")) return false;
    return inner_.BeginPart(kind, number, name);
  }
  bool Append(std::string_view text) override { return inner_.Append(text); }

 private:
  extract::TTextSink& inner_;
  int pages_ = 0;
};

}  // namespace

std::optional<ReadOutcome> ReadPdfTextByHelper(SearchContext& context, const std::string& path,
                                               extract::TTextSink& sink) {
  if (!context.pdfTextHelper)
    context.pdfTextHelper = std::make_shared<extract::TPdfTextHelper>(context.criteria.pdfTextHelper);
  extract::TPdfTextHelper& helper = *context.pdfTextHelper;
  if (helper.Unavailable()) return std::nullopt;
  const std::unique_ptr<extract::ConversionTimeout> timeout = context.host.NewConversionTimeout();
  PageBreaks pages(sink);
  const extract::PdfTextResult result =
      helper.Convert(path, pages, *timeout, &context.stopRequested, context.wholeText);
  ReadOutcome outcome;
  using extract::PdfTextStatus;
  switch (result.status) {
    case PdfTextStatus::NotStarted: return std::nullopt;
    case PdfTextStatus::Complete: break;
    case PdfTextStatus::SinkStopped:
    case PdfTextStatus::Cancelled: outcome.stopped = true; break;
    case PdfTextStatus::PasswordRequired: outcome.cause = UnreadableCause::PasswordRequired; break;
    case PdfTextStatus::Damaged: outcome.cause = UnreadableCause::Damaged; break;
    case PdfTextStatus::Failed:
    case PdfTextStatus::Crashed: outcome.cause = UnreadableCause::ConverterFailed; break;
    case PdfTextStatus::TimedOut: outcome.cause = UnreadableCause::TimedOut; break;
    case PdfTextStatus::TooLarge: outcome.cause = UnreadableCause::TooLarge; break;
  }
  if (context.Stopped()) outcome.stopped = true;
  return outcome;
}

}  // namespace tessaly::engine
