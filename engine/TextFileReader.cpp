// Text files streamed piece by piece through the decoder.
#include "engine/TextFileReader.h"

#include <memory>
#include <string>
#include <system_error>

#include "engine/ContentConditions.h"
#include "engine/DocumentSource.h"
#include "engine/SearchContext.h"
#include "engine/TextDecoder.h"

namespace tessaly::engine {

ReadOutcome ReadTextFile(SearchContext& context, TDocumentSource& source, const KindDecision& kind,
                         extract::TTextSink& sink) {
  ReadOutcome outcome;
  TTextDecoder decoder(kind.encoding);
  auto deliver = [&](std::string_view piece) {
    const std::string_view text = decoder.Decode(piece);
    return text.empty() || sink.Append(text);
  };
  try {
    const std::string_view first = source.FirstBlock();
    if (!deliver(first.substr(std::min(kind.bomLength, first.size())))) {
      outcome.stopped = true;
      return outcome;
    }
    if (!source.FirstBlockIsAll()) {
      const std::unique_ptr<char[]> buffer(new char[kTextPieceSize]);
      while (true) {
        if (context.Stopped()) {
          outcome.stopped = true;
          return outcome;
        }
        const std::size_t n = source.Read(buffer.get(), kTextPieceSize);
        if (n == 0) break;
        if (!deliver(std::string_view(buffer.get(), n))) {
          outcome.stopped = true;
          return outcome;
        }
      }
    }
  } catch (const std::system_error& e) {
    outcome.cause = CauseOfErrno(e.code().value());
    return outcome;
  }
  const std::string_view rest = decoder.Finish();
  if (!rest.empty() && !sink.Append(rest)) outcome.stopped = true;
  return outcome;
}

}  // namespace tessaly::engine
