// The full text of PDF files, page by page.
#pragma once

#include "engine/DocumentReader.h"

namespace tessaly::engine {

// Reads the text of the PDF `source` into `sink`, a Page part before each
// page.
//
// By default the worker's text helper reads it (ReadPdfTextByHelper): the
// pages come as they are read, and the sink's false stops the document
// there. Without a helper that starts, or with the pdftotext route chosen,
// pdftotext writes the text to a file in the work folder, pages separated
// by form feeds; the file is removed on every way out. Either way a
// conversion that timed out delivers the text read before it (never the
// placeholder the wait leaves) and says "timed out"; one that failed says
// why. When neither the helper nor pdftotext can be started, pdftotext is
// noted as missing.
//
// With `context.wholeText` set (the cache of extracted text wants the whole
// document), the sink's false does not end the read: every page is
// delivered, and the outcome is `stopped` only when the search was stopped.
ReadOutcome ReadPdfText(SearchContext& context, TDocumentSource& source, extract::TTextSink& sink);

}  // namespace tessaly::engine
