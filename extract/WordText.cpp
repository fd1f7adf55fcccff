// Word packages: the main document, then headers, footers, footnotes,
// endnotes and comments, each through the paragraph text handler.
#include <string>
#include <vector>

#include "extract/OfficePackage.h"
#include "extract/PackageFamilies.h"
#include "extract/PackageRelations.h"

namespace tessaly::extract {

void ReadWordText(TOfficePackage& package, const std::string& mainPart, TTextOut& out) {
  TParagraphTextHandler document(out);
  package.ReadXml(mainPart, document);

  // The parts after the body, in this order of relationship types.
  static const char* const kKinds[] = {"header", "footer", "footnotes", "endnotes", "comments"};
  const std::vector<TRelation> relations = ReadRelations(package, mainPart);
  std::vector<std::string> parts;
  for (const char* kind : kKinds) {
    for (const TRelation& relation : relations)
      if (TypeEndsWith(relation.type, kind) && !relation.part.empty()) parts.push_back(relation.part);
  }
  if (relations.empty()) {
    // No relationships part: the names Word and LibreOffice give these parts.
    const std::string folder = FolderOf(mainPart);
    for (const char* numbered : {"header", "footer"})
      for (std::string& part : NumberedParts(package, folder + numbered, ".xml")) parts.push_back(std::move(part));
    for (const char* single : {"footnotes.xml", "endnotes.xml", "comments.xml"}) parts.push_back(folder + single);
  }
  for (const std::string& part : parts) {
    if (out.Done() || package.Exhausted()) return;
    TParagraphTextHandler handler(out);
    package.ReadXml(part, handler);
  }
}

}  // namespace tessaly::extract
