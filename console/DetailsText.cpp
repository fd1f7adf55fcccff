// Details text: file lines, PDF details over the caller's toolkit, and the
// summary lines of compound documents.
#include "console/DetailsText.h"

#include <exception>
#include <optional>

#include "engine/SearchCriteria.h"
#include "extract/LocaleText.h"
#include "extract/OfficePackage.h"
#include "extract/PackageSummary.h"
#include "extract/SummaryInfo.h"
#include "pdf/PdfToolkit.h"
#include "platform/FileFacts.h"

namespace tessaly::console {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Closes a direct-access link when it goes out of scope.
class TLinkGuard {
 public:
  TLinkGuard(pdf::TPdfToolkit& toolkit, pdf::TDALink link) : toolkit_(toolkit), link_(link) {}
  ~TLinkGuard() {
    if (link_) toolkit_.DACloseFile(link_);
  }
  TLinkGuard(const TLinkGuard&) = delete;
  TLinkGuard& operator=(const TLinkGuard&) = delete;

 private:
  pdf::TPdfToolkit& toolkit_;
  pdf::TDALink link_;
};

std::string EncryptionText(const pdf::TPdfToolkit& toolkit) {
  switch (toolkit.Encrypted()) {
    case 0: return "Not encrypted";
    case 1: return std::to_string(toolkit.EncryptionStrength()) + "-bit encryption";
    default: return "Encrypted";
  }
}

// CR line ends of the summary text written as `lineBreak`.
std::string WithLineBreaks(const std::string& text, std::string_view lineBreak) {
  std::string out;
  for (char c : text) {
    if (c == '\r') out += lineBreak;
    else out += c;
  }
  return out;
}

// Names whose files carry summary properties: the Word, Excel and
// PowerPoint types (compound documents or office packages), the
// OpenDocument types and EPUB books (packages).
constexpr const char* kCompoundOrPackage[] = {".doc", ".xls", ".ppt"};
constexpr const char* kPackageOnly[] = {".odt", ".ods", ".odp", ".epub"};

bool HasSummary(std::string_view name) {
  for (const char* type : kCompoundOrPackage)
    if (NameHasType(name, type)) return true;
  for (const char* type : kPackageOnly)
    if (NameHasType(name, type)) return true;
  return false;
}

// The summary lines of `file`: a package's document properties, or the
// summary information of a compound document.
std::string SummaryOf(std::string_view name, const std::string& file) {
  bool compoundType = false;
  for (const char* type : kCompoundOrPackage) compoundType = compoundType || NameHasType(name, type);
  if (!compoundType || extract::LooksLikePackage(file)) return extract::ReadPackageSummary(file);
  return extract::ReadSummaryInfo(file);
}

}  // namespace

bool NameHasType(std::string_view name, std::string_view type) {
  std::string lower(name);
  for (char& c : lower) c = AsciiLower(c);
  return lower.find(type, 1) != std::string::npos;
}

std::string RowFile(const TDetailsRow& row) { return platform::JoinPath(row.path, row.name); }

std::string FileLines(const TDetailsRow& row, std::string_view lineBreak) {
  const std::optional<platform::LocalDateTime> date =
      engine::FileDateOf(RowFile(row), platform::TimeStamp::LastWrite);
  std::string text;
  text += "FileName: " + row.name;
  text += lineBreak;
  text += "FileSize: " + row.size;
  text += lineBreak;
  text += "FilePath: " + row.path;
  text += lineBreak;
  text += "FileDate: " + (date ? extract::DateTimeText(*date) : std::string());
  return text;
}

std::string PdfDetails(pdf::TPdfToolkit& toolkit, const std::string& file, std::string_view lineBreak,
                       bool* read) {
  int pages = 0;
  double width = 0, height = 0;
  const pdf::TDALink link = toolkit.DAOpenFile(file, "");
  {
    TLinkGuard guard(toolkit, link);
    if (link) {
      pages = toolkit.DAGetPageCount(link);
      const pdf::TDAPage first = toolkit.DAFindPage(link, 1);
      width = toolkit.DAGetPageWidth(link, first);
      height = toolkit.DAGetPageHeight(link, first);
    }
  }
  const bool loaded = toolkit.LoadFromFile(file) == 1;
  if (read) *read = link && loaded;

  auto field = [&](int index) { return loaded ? toolkit.GetInformation(index) : std::string(); };
  const std::string lines[] = {
      "Page Count: " + std::to_string(pages) + (pages < 2 ? " page" : " pages"),
      "Paper Size: " + extract::NumberText(width) + " x " + extract::NumberText(height),
      "Encryption: " + (loaded ? EncryptionText(toolkit) : std::string()),
      "Title     :" + field(2),
      "Author    :" + field(1),
      "Subject   :" + field(3),
      "Keywords  :" + field(4),
      "Creator   :" + field(5),
      "Producer  :" + field(6),
  };
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += lineBreak;
  }
  return text;
}

TDetailsText BuildDetailsText(pdf::TPdfToolkit& toolkit, const TDetailsRow& row, std::string_view lineBreak) {
  TDetailsText result;
  const std::string file = RowFile(row);
  result.text = FileLines(row, lineBreak);
  result.read = engine::FileDateOf(file, platform::TimeStamp::LastWrite).has_value();
  try {
    if (NameHasType(row.name, ".pdf")) {
      bool pdfRead = true;
      std::string details = PdfDetails(toolkit, file, lineBreak, &pdfRead);
      result.text += lineBreak;
      result.text += details;
      result.read = result.read && pdfRead;
    }
    if (HasSummary(row.name)) {
      const std::string summary = SummaryOf(row.name, file);
      result.text += lineBreak;
      result.text += WithLineBreaks(summary, lineBreak);
    }
  } catch (const std::exception& e) {
    result.complete = false;
    result.read = false;
    result.failure = e.what();
  }
  return result;
}

}  // namespace tessaly::console
