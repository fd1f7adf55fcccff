// The cache as a reader in front of the converters' readers. With a valid
// entry for the document (same file identity, same converter), the stored
// text and its places are replayed into the sink and no converter starts.
// Otherwise the real reader runs with its output teed: the consumer's sink
// gets the text as always (and nothing more once it said stop), while the
// whole text is kept and handed to the cache when the read was whole, or
// ended for a lasting reason (password required, damaged), the file was
// left alone for at least two seconds before the conversion began and did
// not change while it ran.
#pragma once

#include <functional>

#include "engine/DocumentReader.h"

namespace tessaly::engine {

// The real reader of a document: reads it into the sink given.
using TextRead = std::function<ReadOutcome(extract::TTextSink& sink)>;

// Reads `source` (of `kind`) into `sink` through the search's cache, or by
// `read` alone when the search keeps no cache, the source is an archive
// member, or no converter reads the kind. The outcome is the one `read`
// gives for `sink`: a sink that said stop sees `stopped` and no cause.
ReadOutcome ReadThroughCache(SearchContext& context, TDocumentSource& source, DocumentKind kind,
                             extract::TTextSink& sink, const TextRead& read);

}  // namespace tessaly::engine
