// The package text entry: finds the document's family and hands the
// package to its reader.
#include "extract/PackageText.h"

#include "extract/EpubPackage.h"
#include "extract/EpubText.h"
#include "extract/OfficePackage.h"
#include "extract/PackageFamilies.h"

namespace tessaly::extract {
namespace {

// Collects the text up to kMaxCollectedText bytes.
class TCollectingSink : public TTextSink {
 public:
  explicit TCollectingSink(std::string& text) : text_(text) {}
  bool Append(std::string_view piece) override {
    if (text_.size() + piece.size() > kMaxCollectedText) {
      text_.append(piece.substr(0, kMaxCollectedText - text_.size()));
      full = true;
      return false;
    }
    text_.append(piece);
    return true;
  }
  bool full = false;

 private:
  std::string& text_;
};

TPackageText Collect(TOfficePackage& package) {
  TPackageText result;
  TCollectingSink sink(result.text);
  result.outcome = ReadPackageText(package, sink);
  if (sink.full)
    result.outcome.Note(PackageStatus::TooLarge,
                        "the text is longer than " + std::to_string(kMaxCollectedText >> 20) + " MiB");
  return result;
}

}  // namespace

TPackageOutcome ReadPackageText(TOfficePackage& package, TTextSink& sink) {
  if (package.Names().empty()) {
    package.Note(PackageStatus::Damaged, "an empty package");
    return package.Outcome();
  }
  if (IsEpub(package)) return ReadEpubText(package, sink);
  TTextOut out(sink);
  if (IsOpenDocument(package)) {
    ReadOpenDocumentText(package, out);
    return package.Outcome();
  }
  const std::string main = MainPart(package);
  const std::string root = main.empty() ? std::string() : RootElement(package, main);
  if (root == "document") ReadWordText(package, main, out);
  else if (root == "workbook") ReadSheetText(package, main, out);
  else if (root == "presentation") ReadSlideText(package, main, out);
  else package.Note(PackageStatus::Damaged, main.empty() ? "no document part (not an office document)"
                                                         : main + ": not a Word, Excel or PowerPoint document");
  return package.Outcome();
}

TPackageOutcome ReadPackageText(const std::string& path, TTextSink& sink) {
  TOfficePackage package(path);
  return ReadPackageText(package, sink);
}

TPackageText PackageTextOf(const std::string& path) {
  TOfficePackage package(path);
  return Collect(package);
}

TPackageText PackageTextOfBytes(std::string_view bytes) {
  TOfficePackage package(bytes);
  return Collect(package);
}

}  // namespace tessaly::extract
