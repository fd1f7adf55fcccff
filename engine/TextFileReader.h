// The text of text files (plain text, Markdown, CSV, source code, HTML as
// written), in any of the encodings the kind decision tells apart.
#pragma once

#include "engine/DocumentReader.h"

namespace tessaly::engine {

// Bytes read per piece after the first block.
inline constexpr std::size_t kTextPieceSize = 262144;

// Streams `source`'s text as UTF-8 into `sink`, after the first block that
// the decision read: the byte order mark skipped, UTF-16 and single-byte
// text converted. A file that cannot be read on gives the cause of its
// error; a stop ends the read after the piece it is at.
ReadOutcome ReadTextFile(SearchContext& context, TDocumentSource& source, const KindDecision& kind,
                         extract::TTextSink& sink);

}  // namespace tessaly::engine
