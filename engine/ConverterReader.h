// The readers of documents whose text an outside program prints: Word
// (catdoc), Excel (xls2csv), PowerPoint (pptext) and RTF (ravelt) files,
// and what the converter readers share with the PDF text reader.
#pragma once

#include <memory>
#include <string>

#include "engine/DocumentReader.h"
#include "extract/ConverterRunner.h"
#include "extract/Converters.h"

namespace tessaly::engine {

// The text `kind`'s converter prints for `source`, into `sink`. What it
// printed is delivered even when it then failed or ran out of time; the
// outcome says so. Excel's sheets (separated by form feeds) are parts.
ReadOutcome ReadConverterText(SearchContext& context, TDocumentSource& source, extract::ConverterKind kind,
                              extract::TTextSink& sink);

// Notes the program of `kind` as missing for the message at the search's end.
void NoteMissingConverter(extract::ConverterKind kind);

// The cause of a failed run of `kind`'s converter on `path`.
UnreadableCause ConverterFailureCause(extract::ConverterKind kind, const std::string& path, int exitStatus,
                                      const std::string& errors);

// Delivers `text` into `sink`, a part of `kind` at each form feed (the
// first part begins before the text); the form feeds themselves become
// line ends. False when the sink said stop.
bool DeliverFormFeedParts(std::string_view text, extract::PartKind kind, extract::TTextSink& sink);

// One run's conversion time-out from the search host; a stop request ends
// a wait too.
class TRunTimeout : public extract::ConversionTimeout {
 public:
  explicit TRunTimeout(SearchContext& context);
  ~TRunTimeout() override;
  void Arm() override;
  bool TimedOut() override;
  void Stop() override;

 private:
  SearchContext& context_;
  std::unique_ptr<extract::ConversionTimeout> own_;
};

}  // namespace tessaly::engine
