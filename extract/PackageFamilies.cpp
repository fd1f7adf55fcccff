// What the family readers share: the paragraph text handler of Word and
// slides, the main part and its root element.
#include "extract/PackageFamilies.h"

#include "extract/OfficePackage.h"
#include "extract/PackageRelations.h"

namespace tessaly::extract {
namespace {

// Stops at the first element: only the root's name is wanted.
class TRootHandler : public TXmlHandler {
 public:
  void Start(std::string_view name, const char**) override {
    if (root.empty()) root = name;
  }
  void End(std::string_view) override {}
  void Text(std::string_view) override {}
  bool Done() const override { return !root.empty(); }
  std::string root;
};

}  // namespace

void TParagraphTextHandler::Start(std::string_view name, const char**) {
  if (skipped_ > 0 || name == "Fallback") {
    ++skipped_;
    return;
  }
  const std::uint8_t parent = open_.empty() ? std::uint8_t{kOther} : open_.back();
  Code code = kOther;
  if (name == "t") code = kText;
  else if (name == "p") code = kParagraph;
  else if (name == "r") code = kRun;
  else if (name == "tab" || name == "ptab") code = kTab;
  else if (name == "br" || name == "cr") code = kBreak;
  else if (name == "noBreakHyphen") code = kHyphen;
  open_.push_back(code);
  // Tab stops (<w:tabs><w:tab .../>) are formatting: only a tab in a run is text.
  if (code == kTab && parent == kRun) out_.Put('\t');
  else if (code == kBreak && (parent == kRun || parent == kParagraph)) out_.Put('\n');
  else if (code == kHyphen && parent == kRun) out_.Put('-');
}

void TParagraphTextHandler::End(std::string_view) {
  if (skipped_ > 0) {
    --skipped_;
    return;
  }
  if (open_.empty()) return;
  if (open_.back() == kParagraph) out_.Put('\n');
  open_.pop_back();
}

void TParagraphTextHandler::Text(std::string_view text) {
  if (skipped_ == 0 && !open_.empty() && open_.back() == kText) out_.Put(text);
}

std::string FolderOf(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash + 1));
}

std::string MainPart(TOfficePackage& package) {
  for (const TRelation& relation : ReadRelations(package, ""))
    if (TypeEndsWith(relation.type, "officeDocument") && package.Has(relation.part)) return relation.part;
  for (const char* usual : {"word/document.xml", "xl/workbook.xml", "ppt/presentation.xml"})
    if (package.Has(usual)) return usual;
  return {};
}

std::string RootElement(TOfficePackage& package, const std::string& part) {
  TRootHandler handler;
  package.ReadXml(part, handler);
  return handler.root;
}

bool IsOpenDocument(const TOfficePackage& package) {
  return package.Has("content.xml") && !package.Has("[Content_Types].xml");
}

}  // namespace tessaly::extract
