// The content conditions of the per-file test, evaluated in the order PDF,
// DOC, TXT, RTF, XLS, PPT, ODT, ODS, ODP, HTM so that a failed condition spares the
// converter runs after it.
//
// Text and HTML files and the PDF converter's output file are searched by
// the text scanner, which folds case by the code page. The text that the
// other converters print is compared in memory with only A to Z folded.
// A converter that cannot be started makes its document count as not
// matching; the search goes on and the program is noted for the message at
// the search's end.
//
// Office packages (.docx, .xlsx, .pptx and the OpenDocument types) are read
// in-process: their text streams into the scanner's search, with the
// scanner's folding, and no converter takes part.
#include "engine/ContentConditions.h"

#include <cstring>
#include <utility>
#include <unistd.h>

#include "engine/MissingConverters.h"
#include "engine/PdfFieldTest.h"
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

// The OpenDocument types, tested after PPT, always by the package reader.
constexpr std::pair<const char*, const char*> kOpenDocumentTypes[] = {
    {"ODT", ".odt"}, {"ODS", ".ods"}, {"ODP", ".odp"}};

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

// The search host's conversion time-out; a stop request ends a wait too.
class HostTimeout : public extract::ConversionTimeout {
 public:
  explicit HostTimeout(SearchContext& context) : context_(context) {}
  void Arm() override { context_.host.ArmConversionTimeout(); }
  bool TimedOut() override { return context_.Stopped() || context_.host.ConversionTimedOut(); }
  void Stop() override { context_.host.StopConversionTimeout(); }

 private:
  SearchContext& context_;
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

// The PDF's converted text holds the search text (scanner rules).
bool PdfTextContains(SearchContext& context, const std::string& path) {
  const SearchCriteria& c = context.criteria;
  const std::string textFile = extract::NewPdfTextFile();
  RemoveOnExit removal(textFile);
  extract::ConverterProcess converter;
  if (!extract::StartConverter(extract::PdfTextCommandLine(path, textFile), &converter)) {
    // Waiting out the time-out for a converter that never ran would cost
    // every PDF 9 s and match nothing: note it and let the file fail.
    NoteMissing(ConverterKind::PdfText);
    return false;
  }
  HostTimeout timeout(context);
  extract::AwaitConverterOutput(textFile, timeout, &converter);
  if (context.Stopped()) return false;
  if (!platform::FileExists(textFile)) return false;  // the placeholder could not be written
  return ScanFileForText(textFile, c.containsText, c.caseSensitive) != -1;
}

// What the converter of `kind` prints for `path` holds the search text.
bool ConverterOutputContains(SearchContext& context, ConverterKind kind, const std::string& path) {
  const SearchCriteria& c = context.criteria;
  std::string output;
  try {
    output = extract::GetConsoleOuput(extract::CaptureCommandLine(kind, path), extract::kCaptureTimeout,
                                      &context.stopRequested);
  } catch (const extract::ConverterStartError&) {
    NoteMissing(kind);
    return false;
  }
  if (context.Stopped()) return false;
  return OutputContains(std::move(output), c.containsText, c.caseSensitive);
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

bool PackageContains(SearchContext& context, const std::string& path) {
  PackageSearch search(context, context.criteria);
  extract::ReadPackageText(path, search);
  if (context.Stopped()) return false;
  return search.Found();
}

// The DOC, XLS and PPT steps: a package is read in-process, any other file
// by the type's converter.
bool DocumentContains(SearchContext& context, ConverterKind kind, const std::string& path) {
  if (extract::LooksLikePackage(path)) return PackageContains(context, path);
  return ConverterOutputContains(context, kind, path);
}

bool ScannedFileContains(SearchContext& context, const std::string& path) {
  const SearchCriteria& c = context.criteria;
  return ScanFileForText(path, c.containsText, c.caseSensitive) != -1;
}

}  // namespace

bool ContentConditionsPass(SearchContext& context, const std::string& path, const std::string& lowerPath) {
  const SearchCriteria& c = context.criteria;
  if (c.containsText.empty()) return true;
  const bool fullText = c.contentField == kFullText;
  auto active = [&](const char* typeName, const char* marker) {
    return Contains(c.typeText, typeName) && Contains(lowerPath, marker);
  };

  if (c.searchPdfs && active("PDF", ".pdf")) {
    if (PdfFieldIndex(c.contentField) != 0) {
      if (!PdfFieldContains(context, path, c.contentField, c.containsText)) return false;
    } else if (fullText && !Contains(lowerPath, "/adobe/acrobat")) {
      if (!PdfTextContains(context, path)) return false;
    }
  }
  // Every other type is tested for the full text only.
  if (!fullText) return true;
  if (active("DOC", ".doc") && !DocumentContains(context, ConverterKind::Word, path)) return false;
  if (active("TXT", ".txt") && !ScannedFileContains(context, path)) return false;
  if (active("RTF", ".rtf") && !ConverterOutputContains(context, ConverterKind::Rtf, path)) return false;
  if (active("XLS", ".xls") && !DocumentContains(context, ConverterKind::Excel, path)) return false;
  if (active("PPT", ".ppt") && !DocumentContains(context, ConverterKind::PowerPoint, path)) return false;
  for (const auto& [typeName, marker] : kOpenDocumentTypes)
    if (active(typeName, marker) && !PackageContains(context, path)) return false;
  if (active("HTM", ".htm") && !ScannedFileContains(context, path)) return false;
  return true;
}

}  // namespace tessaly::engine
