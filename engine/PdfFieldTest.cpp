// The PDF field test over the search's own TPdfToolkit.
#include "engine/PdfFieldTest.h"

#include <filesystem>
#include <system_error>

#include "engine/LoadBudget.h"
#include "engine/TextMatcher.h"
#include "pdf/PDFDocument.h"
#include "pdf/PDFSecurity.h"
#include "pdf/PdfToolkit.h"

namespace tessaly::engine {
namespace {

constexpr const char* kFieldNames[] = {"Author", "Title", "Subject", "Keywords", "Creator", "Producer"};

// Documents up to this size stay loaded in a worker's toolkit after their
// test, as the toolkit keeps its last document; larger ones are let go.
constexpr std::uintmax_t kKeptDocumentBytes = std::uintmax_t{16} << 20;

std::string LowerAToZ(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

int PdfFieldIndex(const std::string& contentField) {
  for (int i = 0; i < 6; ++i)
    if (contentField == kFieldNames[i]) return i + 1;
  return 0;
}

std::string ReadPdfField(SearchContext& context, const std::string& path, const std::string& contentField) {
  const int index = PdfFieldIndex(contentField);
  if (index == 0) return {};
  if (!context.pdfToolkit) context.pdfToolkit = std::make_shared<pdf::TPdfToolkit>();
  if (context.pdfToolkit->LoadFromFile(path) == 0) return {};
  return context.pdfToolkit->GetInformation(index);
}

bool PdfFieldContains(SearchContext& context, const std::string& path, const std::string& contentField,
                      const std::string& containsText) {
  return PdfFieldVerdict(context, path, contentField, containsText).match;
}

ReadVerdict PdfFieldVerdict(SearchContext& context, const std::string& path, const std::string& contentField,
                            const std::string& containsText) {
  const int index = PdfFieldIndex(contentField);
  if (index == 0) return ReadVerdict::Miss();
  if (!context.pdfToolkit) context.pdfToolkit = std::make_shared<pdf::TPdfToolkit>();
  pdf::TPdfToolkit& toolkit = *context.pdfToolkit;
  const auto stopped = [&context] { return context.Stopped(); };
  // The whole file is held in memory while it is loaded: the workers share a
  // budget for that.
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  const LoadBudget::Lease lease = LoadBudget::ForWholeFiles().Take(error ? 0 : size, stopped);
  if (!lease) return ReadVerdict::Miss();
  // The toolkit keeps the last document it loaded; a large one is let go
  // before its share of the budget is given back.
  const struct ForgetLarge {
    SearchContext& context;
    bool large;
    ~ForgetLarge() {
      if (large) context.pdfToolkit.reset();
    }
  } forget{context, !error && size > kKeptDocumentBytes};
  // A large file is read and scanned in pieces; a stop ends that early.
  toolkit.SetStopCheck(stopped);
  const int loaded = toolkit.LoadFromFile(path);
  toolkit.SetStopCheck({});
  if (context.Stopped()) return ReadVerdict::Miss();
  if (loaded == 0) return ReadVerdict::Unreadable(UnreadableCause::Damaged);
  const int encrypted = toolkit.Encrypted();
  if (encrypted == pdf::kOtherEncrypted ||
      (encrypted == pdf::kStandardEncrypted && !toolkit.SelectedDocument().AcceptedPassword()))
    return ReadVerdict::Unreadable(UnreadableCause::PasswordRequired);
  const std::string field = toolkit.GetInformation(index);
  if (field.empty()) return ReadVerdict::Miss();
  // A pattern, whole words or all words: the search's matcher decides.
  const SearchCriteria& c = context.criteria;
  if ((c.regex || c.wholeWords || c.allWords) && context.matcher)
    return {context.matcher->MatchesField(field), std::nullopt};
  if (context.criteria.caseSensitive) return {field.find(containsText) != std::string::npos, std::nullopt};
  return {LowerAToZ(field).find(LowerAToZ(containsText)) != std::string::npos, std::nullopt};
}

}  // namespace tessaly::engine
