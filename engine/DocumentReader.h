// One reader per document kind: each streams the document's text, with its
// places where it knows them, into a TTextSink, and reports a verdict with a
// cause. ReadDocumentText chooses the reader by the kind decision; the text
// file reader, the in-process package and EPUB readers, the converter
// readers (Word, Excel, PowerPoint, RTF) and the PDF text reader sit behind
// it. The cache of extracted text and the PDF text helper are readers of
// this kind too: they answer for the converters behind the same call.
#pragma once

#include <optional>

#include "engine/DocumentKind.h"
#include "engine/ReadVerdict.h"
#include "extract/TextSink.h"

namespace tessaly::engine {

struct SearchContext;
class TDocumentSource;

struct ReadOutcome {
  // Set when the document could not be read, or only in part (the text
  // before the fault was delivered all the same).
  std::optional<UnreadableCause> cause;
  // The sink ended the read (it had what it needed) or the search stopped:
  // the text delivered is not the whole document.
  bool stopped = false;
};

// Reads the text of `source`, of the kind `kind` decided, into `sink`. The
// context gives the stop flag, the converters' time-outs and the worker's
// own state; a converter that cannot be started is noted as missing and
// the outcome has no cause. Binary documents deliver nothing. Errors of the
// work folder are raised.
ReadOutcome ReadDocumentText(SearchContext& context, TDocumentSource& source, const KindDecision& kind,
                             extract::TTextSink& sink);

}  // namespace tessaly::engine
