// Replay of cached text and the tee that fills the cache.
#include "engine/CachedReader.h"

#include <sys/stat.h>

#include <algorithm>

#include "cache/FileIdentity.h"
#include "engine/DocumentSource.h"
#include "engine/SearchContext.h"
#include "engine/SearchTextCache.h"

namespace tessaly::engine {
namespace {

using cache::CachedVerdict;
using cache::TCachedText;

// Replayed text goes to the sink in pieces of this size, as a reader's
// would, so a stop is seen between them.
constexpr std::size_t kReplayPiece = 65536;

std::optional<UnreadableCause> CauseOf(CachedVerdict verdict) {
  switch (verdict) {
    case CachedVerdict::PasswordRequired: return UnreadableCause::PasswordRequired;
    case CachedVerdict::Damaged: return UnreadableCause::Damaged;
    case CachedVerdict::Whole: break;
  }
  return std::nullopt;
}

// The verdict a read's cause is kept as; nothing for causes that may not
// last (a time-out, a failed converter, a permission, a limit).
std::optional<CachedVerdict> KeptVerdict(const std::optional<UnreadableCause>& cause) {
  if (!cause) return CachedVerdict::Whole;
  if (*cause == UnreadableCause::PasswordRequired) return CachedVerdict::PasswordRequired;
  if (*cause == UnreadableCause::Damaged) return CachedVerdict::Damaged;
  return std::nullopt;
}

ReadOutcome Replay(SearchContext& context, const TCachedText& cached, extract::TTextSink& sink) {
  const ReadOutcome stopped{std::nullopt, true};
  std::size_t at = 0;
  auto emitUpTo = [&](std::size_t end) {
    while (at < end) {
      if (context.Stopped()) return false;
      const std::size_t piece = std::min(kReplayPiece, end - at);
      if (!sink.Append(std::string_view(cached.text).substr(at, piece))) return false;
      at += piece;
    }
    return true;
  };
  for (const cache::TPartMark& part : cached.parts) {
    if (!emitUpTo(static_cast<std::size_t>(part.offset))) return stopped;
    if (!sink.BeginPart(static_cast<extract::PartKind>(part.kind), part.number, part.name)) return stopped;
  }
  if (!emitUpTo(cached.text.size())) return stopped;
  return {CauseOf(cached.verdict), false};
}

// Forwards to the consumer until it says stop, and keeps everything.
class TeeSink : public extract::TTextSink {
 public:
  TeeSink(SearchContext& context, extract::TTextSink& consumer) : context_(context), consumer_(consumer) {}

  bool Append(std::string_view text) override {
    if (!consumerStopped_) consumerStopped_ = !consumer_.Append(text);
    if (!overflow_) {
      if (kept_.text.size() + text.size() > cache::kMaxCachedText) Overflow();
      else kept_.text.append(text);
    }
    return Going();
  }
  bool BeginPart(extract::PartKind kind, int number, std::string_view name) override {
    if (!consumerStopped_) consumerStopped_ = !consumer_.BeginPart(kind, number, name);
    if (!overflow_)
      kept_.parts.push_back({kept_.text.size(), static_cast<std::uint8_t>(kind), number, std::string(name)});
    return Going();
  }

  bool ConsumerStopped() const { return consumerStopped_; }
  bool Complete() const { return !overflow_; }
  TCachedText Take() { return std::move(kept_); }

 private:
  // Reading goes on for the cache after the consumer has its answer, unless
  // nothing is kept any more or the search was stopped.
  bool Going() const { return !context_.Stopped() && !(consumerStopped_ && overflow_); }
  void Overflow() {
    overflow_ = true;
    kept_ = {};
  }

  SearchContext& context_;
  extract::TTextSink& consumer_;
  TCachedText kept_;
  bool consumerStopped_ = false;
  bool overflow_ = false;
};

// The file at `path` is still the one read through the descriptor.
bool PathStillNamesFile(const std::string& path, const cache::TFileIdentity& read) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && cache::TFileIdentity::Of(st) == read;
}

}  // namespace

ReadOutcome ReadThroughCache(SearchContext& context, TDocumentSource& source, DocumentKind kind,
                             extract::TTextSink& sink, const TextRead& read) {
  TSearchTextCache* cache = context.textCache.get();
  if (!cache || source.InMemory()) return read(sink);
  const std::string& converter = cache->ConverterIdentity(kind);
  if (converter.empty()) return read(sink);
  const std::optional<struct stat> before = source.Status();
  if (!before) return read(sink);
  const cache::TCacheKey key{cache::TFileIdentity::Of(*before), converter};
  if (const std::optional<TCachedText> cached = cache->Store().Find(key)) return Replay(context, *cached, sink);

  const std::int64_t start = cache::WallClockNs();
  TeeSink tee(context, sink);
  // The whole text is kept, so a paged reader must not end at the
  // consumer's first hit.
  const bool wholeBefore = context.wholeText;
  context.wholeText = true;
  const ReadOutcome outcome = read(tee);
  context.wholeText = wholeBefore;
  const std::optional<CachedVerdict> verdict = KeptVerdict(outcome.cause);
  if (!outcome.stopped && !context.Stopped() && verdict && tee.Complete() && cache::IsSettled(key.file, start)) {
    // The converter read the file by its path: the path must still name the
    // file the descriptor holds, and neither may have changed meanwhile.
    const std::optional<struct stat> after = source.Status();
    if (after && cache::TFileIdentity::Of(*after) == key.file && PathStillNamesFile(source.Name(), key.file)) {
      TCachedText text = tee.Take();
      text.verdict = *verdict;
      cache->Store().Store(key, source.Name(), std::move(text));
    }
  }
  if (tee.ConsumerStopped()) return {std::nullopt, true};
  return outcome;
}

}  // namespace tessaly::engine
