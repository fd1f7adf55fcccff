// The content conditions of the per-file test, evaluated in the order PDF,
// DOC, TXT, RTF, XLS, PPT, ODT, ODS, ODP, HTM so that a failed condition spares the
// converter runs after it.
//
// Text and HTML files and the PDF converter's output file are searched by
// the text scanner, which folds case by the code page. The text that the
// other converters print is compared in memory with only A to Z folded.
// A converter that cannot be started makes its document count as not
// matching; the search goes on and the program is noted for the message at
// the search's end. A document a step cannot read (the user may not read
// it, its converter failed or timed out, it is damaged, encrypted or past a
// reader's limit) is no match either, and the verdict says why.
//
// Office packages (.docx, .xlsx, .pptx and the OpenDocument types) are read
// in-process: their text streams into the scanner's search, with the
// scanner's folding, and no converter takes part.
#include "engine/ContentConditions.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <utility>
#include <unistd.h>

#include "engine/MissingConverters.h"
#include "engine/PdfFieldTest.h"
#include "engine/PdfHelperText.h"
#include "engine/TextScanner.h"
#include "extract/ConverterRunner.h"
#include "extract/Converters.h"
#include "extract/OfficePackage.h"
#include "extract/PackageText.h"
#include "platform/FileFacts.h"


namespace tessaly::engine {
namespace {

using extract::ConverterKind;

constexpr const char* kFullText = "Full-Text";

bool Contains(const std::string& haystack, const char* needle) { return haystack.find(needle) != std::string::npos; }

void LowerAsciiInPlace(std::string& text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
}

// Converter output holds `text`; without case only A to Z are folded.
bool OutputContains(std::string output, std::string text, bool caseSensitive) {
  if (!caseSensitive) {
    LowerAsciiInPlace(output);
    LowerAsciiInPlace(text);
  }
  return output.find(text) != std::string::npos;
}

// One run's conversion time-out from the search host; a stop request ends
// a wait too.
class RunTimeout : public extract::ConversionTimeout {
 public:
  explicit RunTimeout(SearchContext& context) : context_(context), own_(context.host.NewConversionTimeout()) {}
  void Arm() override { own_->Arm(); }
  bool TimedOut() override { return context_.Stopped() || own_->TimedOut(); }
  void Stop() override { own_->Stop(); }

 private:
  SearchContext& context_;
  std::unique_ptr<extract::ConversionTimeout> own_;
};

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

void NoteMissing(ConverterKind kind) {
  const auto& info = extract::ConverterFor(kind);
  NoteMissingConverter(std::string(info.program), std::string(info.typeName), std::string(info.package));
}

// The cause of a converter run that failed on `path`.
UnreadableCause FailureCause(ConverterKind kind, const std::string& path, int exitStatus, const std::string& errors) {
  switch (extract::ClassifyConverterFailure(kind, path, exitStatus, errors)) {
    case extract::ConverterFailure::PasswordRequired: return UnreadableCause::PasswordRequired;
    case extract::ConverterFailure::Damaged: return UnreadableCause::Damaged;
    case extract::ConverterFailure::Other: break;
  }
  return UnreadableCause::ConverterFailed;
}

// Pages from the helper into the scanner, each page searched as it comes
// (so a hit on page 1 stops the document there). Pages are kept apart, as
// the form feed between them keeps them apart in pdftotext's file.
class PdfPageSearch : public extract::TTextSink {
 public:
  explicit PdfPageSearch(const SearchCriteria& c) : c_(c) {}
  bool BeginPart(extract::PartKind, int, std::string_view) override {
    page_.emplace(c_.containsText, c_.caseSensitive);
    return true;
  }
  bool Append(std::string_view text) override {
    if (!page_) page_.emplace(c_.containsText, c_.caseSensitive);
    found_ = found_ || !page_->Feed(text) || page_->Finish();
    return !found_;
  }
  bool Found() const { return found_; }

 private:
  const SearchCriteria& c_;
  std::optional<TStreamScanner> page_;
  bool found_ = false;
};

// The PDF's converted text holds the search text (scanner rules).
ReadVerdict PdfTextContains(SearchContext& context, const std::string& path) {
  const SearchCriteria& c = context.criteria;
  if (c.pdfText == PdfTextRoute::Helper) {
    PdfPageSearch search(c);
    if (const auto outcome = ReadPdfTextByHelper(context, path, search)) {
      if (context.Stopped()) return ReadVerdict::Miss();
      if (search.Found()) return ReadVerdict::Hit();
      if (outcome->cause) return ReadVerdict::Unreadable(*outcome->cause);
      return ReadVerdict::Miss();
    }
  }
  const std::string textFile = extract::NewPdfTextFile();
  RemoveOnExit removal(textFile);
  extract::ConverterProcess converter;
  if (!extract::StartConverter(extract::PdfTextCommandLine(path, textFile), &converter)) {
    // Waiting out the time-out for a converter that never ran would cost
    // every PDF 9 s and match nothing: note it and let the file fail.
    NoteMissing(ConverterKind::PdfText);
    return ReadVerdict::Miss();
  }
  RunTimeout timeout(context);
  const extract::OutputWait wait = extract::AwaitConverterOutput(textFile, timeout, &converter);
  if (context.Stopped()) {
    // Ended before its text file is removed, so it cannot write one after.
    converter.End();
    return ReadVerdict::Miss();
  }
  if (!platform::FileExists(textFile)) return ReadVerdict::Miss();  // the placeholder could not be written
  // The placeholder is searched like any text, so a search for underscores
  // still finds a PDF whose conversion timed out, as it always did.
  if (ScanFileForText(textFile, c.containsText, c.caseSensitive) != -1) return ReadVerdict::Hit();
  switch (wait) {
    case extract::OutputWait::TimedOut:
    case extract::OutputWait::StillHeld: return ReadVerdict::Unreadable(UnreadableCause::TimedOut);
    case extract::OutputWait::ConverterEnded:
      return ReadVerdict::Unreadable(
          FailureCause(ConverterKind::PdfText, path, converter.ExitStatus(), converter.Errors()));
    case extract::OutputWait::Written: break;
  }
  // A converter that wrote its file but failed, or wrote only errors.
  if (converter.Ended()) {
    const std::string errors = converter.Errors();
    const int status = converter.ExitStatus();
    if (status != 0 || (!extract::IsBlankText(errors) && platform::FileSize(textFile).value_or(0) == 0))
      return ReadVerdict::Unreadable(FailureCause(ConverterKind::PdfText, path, status, errors));
  }
  return ReadVerdict::Miss();
}

// What the converter of `kind` prints for `path` holds the search text.
ReadVerdict ConverterOutputContains(SearchContext& context, ConverterKind kind, const std::string& path) {
  const SearchCriteria& c = context.criteria;
  extract::ConverterRun run;
  try {
    run = extract::RunConverter(extract::CaptureCommandLine(kind, path), context.host.CaptureTimeout(),
                                &context.stopRequested);
  } catch (const extract::ConverterStartError&) {
    NoteMissing(kind);
    return ReadVerdict::Miss();
  }
  if (context.Stopped() || run.stopped) return ReadVerdict::Miss();
  // What it printed is searched even when it then failed or ran out of
  // time; only its error output never is.
  if (OutputContains(run.text, c.containsText, c.caseSensitive)) return ReadVerdict::Hit();
  if (run.timedOut) return ReadVerdict::Unreadable(UnreadableCause::TimedOut);
  if (run.Failed()) return ReadVerdict::Unreadable(FailureCause(kind, path, run.exitStatus, run.errors));
  return ReadVerdict::Miss();
}

// The package's text streamed into the scanner's search; reading ends at
// the first hit or when the search is stopped. The package's own faults
// (damage, a limit reached) leave the text read before them searched.
class PackageSearch : public extract::TTextSink {
 public:
  PackageSearch(SearchContext& context, const SearchCriteria& c)
      : context_(context), scanner_(c.containsText, c.caseSensitive) {}
  bool Append(std::string_view text) override { return scanner_.Feed(text) && !context_.Stopped(); }
  bool Found() { return scanner_.Finish(); }

 private:
  SearchContext& context_;
  TStreamScanner scanner_;
};

// The cause of a std::system_error of a reader: an error number of the
// system gives its cause; anything else is damage.
std::optional<UnreadableCause> CauseOfSystemError(const std::system_error& e) {
  if (e.code().category() == std::generic_category() || e.code().category() == std::system_category())
    return CauseOfErrno(e.code().value());
  return UnreadableCause::Damaged;
}

// A hit in the text read before a fault is a hit all the same; without one,
// a damaged package, or one past a limit, says so.
ReadVerdict PackageContains(SearchContext& context, const std::string& path) {
  PackageSearch search(context, context.criteria);
  extract::TPackageOutcome outcome;
  try {
    outcome = extract::ReadPackageText(path, search);
  } catch (const std::system_error& e) {
    return {false, CauseOfSystemError(e)};
  }
  if (context.Stopped()) return ReadVerdict::Miss();
  if (search.Found()) return ReadVerdict::Hit();
  switch (outcome.status) {
    case extract::PackageStatus::Damaged: return ReadVerdict::Unreadable(UnreadableCause::Damaged);
    case extract::PackageStatus::TooLarge: return ReadVerdict::Unreadable(UnreadableCause::TooLarge);
    case extract::PackageStatus::Complete: break;
  }
  return ReadVerdict::Miss();
}

// The DOC, XLS and PPT steps: a package is read in-process, any other file
// by the type's converter.
ReadVerdict DocumentContains(SearchContext& context, ConverterKind kind, const std::string& path) {
  if (extract::LooksLikePackage(path)) return PackageContains(context, path);
  return ConverterOutputContains(context, kind, path);
}

ReadVerdict ScannedFileContains(SearchContext& context, const std::string& path) {
  const SearchCriteria& c = context.criteria;
  try {
    ScanOptions options;
    options.stop = &context.stopRequested;
    return {ScanFileForText(path, c.containsText, c.caseSensitive, options) != -1, std::nullopt};
  } catch (const std::system_error& e) {
    return {false, CauseOfSystemError(e)};
  }
}

}  // namespace

std::optional<UnreadableCause> CauseOfErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return UnreadableCause::PermissionDenied;
    case ENAMETOOLONG: return UnreadableCause::PathTooLong;
    case EFBIG:
    case EOVERFLOW: return UnreadableCause::TooLarge;
    case ENOENT:
    case ENOTDIR:
    case ELOOP: return std::nullopt;
    default: return UnreadableCause::Damaged;
  }
}

std::optional<UnreadableCause> OpenProblem(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    return std::nullopt;
  }
  const int error = errno;
  if (error == EACCES || error == EPERM || error == ENAMETOOLONG) return CauseOfErrno(error);
  return std::nullopt;
}

ReadVerdict ContentConditionsPass(SearchContext& context, const std::string& path, const std::string& lowerPath) {
  const SearchCriteria& c = context.criteria;
  if (c.containsText.empty()) return ReadVerdict::Hit();
  const bool fullText = c.contentField == kFullText;
  auto active = [&](const char* typeName, const char* marker) {
    return Contains(c.typeText, typeName) && Contains(lowerPath, marker);
  };
  // Before the first step that reads the file: one that the user may not
  // read, or whose path is too long to open, is said so once, instead of
  // each reader failing on it in its own way.
  bool openChecked = false;
  std::optional<UnreadableCause> openProblem;
  auto readable = [&] {
    if (!openChecked) {
      openChecked = true;
      openProblem = OpenProblem(path);
    }
    return !openProblem;
  };
  auto step = [&](auto&& test) -> ReadVerdict {
    if (!readable()) return ReadVerdict{false, openProblem};
    return test();
  };

  if (c.searchPdfs && active("PDF", ".pdf")) {
    if (PdfFieldIndex(c.contentField) != 0) {
      const ReadVerdict v = step([&] { return PdfFieldVerdict(context, path, c.contentField, c.containsText); });
      if (!v.match) return v;
    } else if (fullText && !Contains(lowerPath, "/adobe/acrobat")) {
      const ReadVerdict v = step([&] { return PdfTextContains(context, path); });
      if (!v.match) return v;
    }
  }
  // Every other type is tested for the full text only.
  if (!fullText) return ReadVerdict::Hit();
  enum class Reader { Document, Converter, Package, Scanner };
  struct Step {
    const char* typeName;
    const char* marker;
    Reader reader;
    ConverterKind kind;  // of Document and Converter
  };
  static const Step kSteps[] = {
      {"DOC", ".doc", Reader::Document, ConverterKind::Word},
      {"TXT", ".txt", Reader::Scanner, ConverterKind::Word},
      {"RTF", ".rtf", Reader::Converter, ConverterKind::Rtf},
      {"XLS", ".xls", Reader::Document, ConverterKind::Excel},
      {"PPT", ".ppt", Reader::Document, ConverterKind::PowerPoint},
      {"ODT", ".odt", Reader::Package, ConverterKind::Word},
      {"ODS", ".ods", Reader::Package, ConverterKind::Word},
      {"ODP", ".odp", Reader::Package, ConverterKind::Word},
      {"HTM", ".htm", Reader::Scanner, ConverterKind::Word},
  };
  for (const Step& s : kSteps) {
    if (!active(s.typeName, s.marker)) continue;
    const ReadVerdict v = step([&] {
      switch (s.reader) {
        case Reader::Document: return DocumentContains(context, s.kind, path);
        case Reader::Converter: return ConverterOutputContains(context, s.kind, path);
        case Reader::Package: return PackageContains(context, path);
        case Reader::Scanner: break;
      }
      return ScannedFileContains(context, path);
    });
    if (!v.match) return v;
  }
  return ReadVerdict::Hit();
}

}  // namespace tessaly::engine
