// The PDF text reader's main route: the worker's long-lived text helper
// (tessaly-pdftext), whose pages go to the sink as they come, each begun
// with its page number. The sink's false stops the document in the helper;
// the pages read before a time-out or a crash stay delivered, so a hit in
// them is a hit.
#pragma once

#include <optional>
#include <string>

#include "engine/DocumentReader.h"
#include "extract/TextSink.h"

namespace tessaly::engine {

struct SearchContext;

// Reads the PDF at `path` through the context's helper, started on first
// need. Nothing when no helper can be started (the caller takes the
// pdftotext route instead); otherwise the outcome: "password required",
// "damaged", "converter failed" (no page, or the helper crashed on it: the
// next document gets a fresh helper), "timed out" (after the host's
// conversion time-out, armed again once the first page came), "too large"
// (the helper ran out of memory). The sink's false, or the search's stop,
// gives `stopped`; with `context.wholeText` the sink's answer does not end
// the read.
std::optional<ReadOutcome> ReadPdfTextByHelper(SearchContext& context, const std::string& path,
                                               extract::TTextSink& sink);

}  // namespace tessaly::engine
