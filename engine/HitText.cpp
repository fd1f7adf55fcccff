// Reading a hit again for the preview.
#include "engine/HitText.h"

#include <sys/stat.h>

#include <memory>

#include "engine/PatternMatcher.h"
#include "platform/FileFacts.h"
#include "platform/ReadOnlyFile.h"

namespace tessaly::engine {
namespace {

// Stops the reader when the preview no longer wants the text.
class StoppableSink : public extract::TTextSink {
 public:
  StoppableSink(TMatchSink& inner, const std::atomic<bool>& stop) : inner_(inner), stop_(stop) {}
  bool Append(std::string_view text) override { return !Stopped() && inner_.Append(text); }
  bool BeginPart(extract::PartKind kind, int number, std::string_view name) override {
    return !Stopped() && inner_.BeginPart(kind, number, name);
  }

 private:
  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }
  TMatchSink& inner_;
  const std::atomic<bool>& stop_;
};

// The document's text into `sink`: the bytes of the file as they are.
void ReadText(const std::string& path, extract::TTextSink& sink) {
  const platform::ReadOnlyFile file(path);
  std::string buffer(1 << 18, '\0');
  std::uint64_t offset = 0;
  while (true) {
    const std::size_t got = file.ReadAt(offset, buffer.data(), buffer.size());
    if (got == 0 || !sink.Append(std::string_view(buffer.data(), got))) return;
    offset += got;
  }
}

}  // namespace

HitText ReadHitText(const ItemData& row, const TPatternMatcher& matcher, const std::atomic<bool>& stop) {
  HitText out;
  if (platform::FileExists(row.Path)) {
    out.lines = row.Matches;
    out.note = "An archive member: its lines as the search found them.";
    return out;
  }
  const std::string path = platform::JoinPath(row.Path, row.Name);
  const std::optional<std::int64_t> modified = platform::LastWriteSeconds(path);
  if (!modified || !platform::FileExists(path)) {
    out.lines = row.Matches;
    out.note = "The file no longer exists; its lines as the search found them.";
    return out;
  }
  if (row.Modified != 0 && *modified != row.Modified) out.note = "The file has changed since the search.";
  const std::unique_ptr<TMatchSink> sink = matcher.NewSink();
  StoppableSink reader(*sink, stop);
  try {
    ReadText(path, reader);
  } catch (const std::exception& e) {
    out.note = std::string("The file cannot be read: ") + e.what();
    out.lines = row.Matches;
    return out;
  }
  sink->Finish();
  out.lines = *MatchesOf(*sink);
  if (out.lines.empty() && out.note.empty()) out.note = "No matching line was found in the file now.";
  return out;
}

}  // namespace tessaly::engine
