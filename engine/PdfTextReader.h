// The full text of PDF files, page by page.
#pragma once

#include "engine/DocumentReader.h"

namespace tessaly::engine {

// Reads the text of the PDF `source` into `sink`, a Page part before each
// page. The converter writes its text to a file in the work folder, pages
// separated by form feeds; the file is removed on every way out. A
// conversion that timed out delivers the text written before it (never
// the placeholder the wait leaves) and says "timed out"; one that failed
// says why. A converter that cannot be started is noted as missing.
ReadOutcome ReadPdfText(SearchContext& context, TDocumentSource& source, extract::TTextSink& sink);

}  // namespace tessaly::engine
