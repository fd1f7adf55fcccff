// Converter output as document text.
#include "engine/ConverterReader.h"

#include "engine/DocumentSource.h"
#include "engine/MissingConverters.h"
#include "engine/SearchContext.h"

namespace tessaly::engine {

TRunTimeout::TRunTimeout(SearchContext& context) : context_(context), own_(context.host.NewConversionTimeout()) {}
TRunTimeout::~TRunTimeout() = default;
void TRunTimeout::Arm() { own_->Arm(); }
bool TRunTimeout::TimedOut() { return context_.Stopped() || own_->TimedOut(); }
void TRunTimeout::Stop() { own_->Stop(); }

void NoteMissingConverter(extract::ConverterKind kind) {
  const auto& info = extract::ConverterFor(kind);
  NoteMissingConverter(std::string(info.program), std::string(info.typeName), std::string(info.package));
}

UnreadableCause ConverterFailureCause(extract::ConverterKind kind, const std::string& path, int exitStatus,
                                      const std::string& errors) {
  switch (extract::ClassifyConverterFailure(kind, path, exitStatus, errors)) {
    case extract::ConverterFailure::PasswordRequired: return UnreadableCause::PasswordRequired;
    case extract::ConverterFailure::Damaged: return UnreadableCause::Damaged;
    case extract::ConverterFailure::Other: break;
  }
  return UnreadableCause::ConverterFailed;
}

bool DeliverFormFeedParts(std::string_view text, extract::PartKind kind, extract::TTextSink& sink) {
  int number = 1;
  if (!sink.BeginPart(kind, number, {})) return false;
  while (true) {
    const std::size_t feed = text.find('\f');
    if (feed == std::string_view::npos) return text.empty() || sink.Append(text);
    if (feed > 0 && !sink.Append(text.substr(0, feed))) return false;
    text.remove_prefix(feed + 1);
    // A form feed at the very end opens no part of its own.
    if (text.empty() || text == "\r\n" || text == "\n") return true;
    if (!sink.Append("\n") || !sink.BeginPart(kind, ++number, {})) return false;
  }
}

ReadOutcome ReadConverterText(SearchContext& context, TDocumentSource& source, extract::ConverterKind kind,
                              extract::TTextSink& sink) {
  extract::ConverterRun run;
  const std::string& path = source.ToolPath();
  try {
    run = extract::RunConverter(extract::CaptureCommandLine(kind, path), context.host.CaptureTimeout(),
                                &context.stopRequested);
  } catch (const extract::ConverterStartError&) {
    NoteMissingConverter(kind);
    return {};
  }
  ReadOutcome outcome;
  if (context.Stopped() || run.stopped) {
    outcome.stopped = true;
    return outcome;
  }
  const bool whole = kind == extract::ConverterKind::Excel
                         ? DeliverFormFeedParts(run.text, extract::PartKind::Sheet, sink)
                         : run.text.empty() || sink.Append(run.text);
  outcome.stopped = !whole;
  if (run.timedOut) outcome.cause = UnreadableCause::TimedOut;
  else if (run.Failed()) outcome.cause = ConverterFailureCause(kind, path, run.exitStatus, run.errors);
  return outcome;
}

}  // namespace tessaly::engine
