// The helper route of the PDF text reader: the worker's helper, the host's
// time-out, and the helper's statuses as read outcomes.
#include "engine/PdfHelperText.h"

#include "engine/SearchContext.h"
#include "extract/PdfTextHelper.h"

namespace tessaly::engine {

std::optional<ReadOutcome> ReadPdfTextByHelper(SearchContext& context, const std::string& path,
                                               extract::TTextSink& sink) {
  if (!context.pdfTextHelper)
    context.pdfTextHelper = std::make_shared<extract::TPdfTextHelper>(context.criteria.pdfTextHelper);
  extract::TPdfTextHelper& helper = *context.pdfTextHelper;
  if (helper.Unavailable()) return std::nullopt;
  const std::unique_ptr<extract::ConversionTimeout> timeout = context.host.NewConversionTimeout();
  const extract::PdfTextResult result =
      helper.Convert(path, sink, *timeout, &context.stopRequested, context.wholeText);
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
