// PDF text through the converter's output file.
#include "engine/PdfTextReader.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

#include "engine/ConverterReader.h"
#include "engine/DocumentSource.h"
#include "engine/SearchContext.h"
#include "platform/FileFacts.h"

namespace tessaly::engine {
namespace {

using extract::ConverterKind;

// Removes the PDF text file on every way out, whoever wrote it.
class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
  ~RemoveOnExit() { ::unlink(path_.c_str()); }
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;

 private:
  std::string path_;
};

// Streams the text file into `sink`, a page part at each form feed. False
// when the sink said stop (or the search stopped).
bool DeliverPages(SearchContext& context, const std::string& textFile, extract::TTextSink& sink) {
  const int fd = ::open(textFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return true;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  constexpr std::size_t kPiece = 262144;
  std::string buffer(kPiece, '\0');
  int page = 1;
  if (!sink.BeginPart(extract::PartKind::Page, page, {})) return false;
  bool feedPending = false;  // a form feed seen: the next text opens a page
  while (!context.Stopped()) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    std::string_view text(buffer.data(), static_cast<std::size_t>(n));
    while (!text.empty()) {
      if (feedPending) {
        feedPending = false;
        if (!sink.Append("\n") || !sink.BeginPart(extract::PartKind::Page, ++page, {})) return false;
      }
      const std::size_t feed = text.find('\f');
      const std::string_view run = text.substr(0, feed);
      if (!run.empty() && !sink.Append(run)) return false;
      if (feed == std::string_view::npos) break;
      feedPending = true;
      text.remove_prefix(feed + 1);
    }
  }
  return false;
}

}  // namespace

ReadOutcome ReadPdfText(SearchContext& context, TDocumentSource& source, extract::TTextSink& sink) {
  const std::string path = source.ToolPath();
  const std::string textFile = extract::NewPdfTextFile();
  RemoveOnExit removal(textFile);
  extract::ConverterProcess converter;
  if (!extract::StartConverter(extract::PdfTextCommandLine(path, textFile), &converter)) {
    // Waiting out the time-out for a converter that never ran would cost
    // every PDF 9 s and match nothing: note it and let the file fail.
    NoteMissingConverter(ConverterKind::PdfText);
    return {};
  }
  TRunTimeout timeout(context);
  const extract::OutputWait wait = extract::AwaitConverterOutput(textFile, timeout, &converter);
  ReadOutcome outcome;
  if (context.Stopped()) {
    // Ended before its text file is removed, so it cannot write one after.
    converter.End();
    outcome.stopped = true;
    return outcome;
  }
  switch (wait) {
    case extract::OutputWait::TimedOut:
      // Only the wait's placeholder is there: nothing of the document.
      converter.End();
      outcome.cause = UnreadableCause::TimedOut;
      return outcome;
    case extract::OutputWait::ConverterEnded:
      outcome.cause = ConverterFailureCause(ConverterKind::PdfText, path, converter.ExitStatus(), converter.Errors());
      return outcome;
    case extract::OutputWait::StillHeld:
      // The pages written before the time-out are searched all the same.
      converter.End();
      outcome.cause = UnreadableCause::TimedOut;
      break;
    case extract::OutputWait::Written: break;
  }
  outcome.stopped = !DeliverPages(context, textFile, sink);
  if (!outcome.cause && converter.Ended()) {
    // A converter that wrote its file but failed, or wrote only errors.
    const std::string errors = converter.Errors();
    const int status = converter.ExitStatus();
    if (status != 0 || (!extract::IsBlankText(errors) && platform::FileSize(textFile).value_or(0) == 0))
      outcome.cause = ConverterFailureCause(ConverterKind::PdfText, path, status, errors);
  }
  return outcome;
}

}  // namespace tessaly::engine
