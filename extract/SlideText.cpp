// PowerPoint packages: the slides in the presentation's order, then the
// notes of each slide in the same order.
#include <string>
#include <vector>

#include "extract/OfficePackage.h"
#include "extract/PackageFamilies.h"
#include "extract/PackageRelations.h"

namespace tessaly::extract {

void ReadSlideText(TOfficePackage& package, const std::string& mainPart, TTextOut& out) {
  std::vector<std::string> slides = ListedParts(package, mainPart, "sldId", ReadRelations(package, mainPart), "slide");
  const std::string folder = FolderOf(mainPart);
  if (slides.empty()) slides = NumberedParts(package, folder + "slides/slide", ".xml");

  // A slide's notes count with it.
  std::vector<std::pair<int, std::string>> notes;
  int number = 0;
  for (const std::string& slide : slides) {
    if (out.Done() || package.Exhausted()) return;
    out.BeginPart(PartKind::Slide, ++number, {});
    TParagraphTextHandler handler(out);
    package.ReadXml(slide, handler);
    for (const TRelation& relation : ReadRelations(package, slide))
      if (TypeEndsWith(relation.type, "notesSlide") && !relation.part.empty()) notes.emplace_back(number, relation.part);
  }
  if (notes.empty()) {
    // Notes found by their numbers alone belong to the slide of that number.
    int n = 0;
    for (std::string& part : NumberedParts(package, folder + "notesSlides/notesSlide", ".xml"))
      notes.emplace_back(++n, std::move(part));
  }
  for (const auto& [slideNumber, part] : notes) {
    if (out.Done() || package.Exhausted()) return;
    out.BeginPart(PartKind::Slide, slideNumber, {});
    TParagraphTextHandler handler(out);
    package.ReadXml(part, handler);
  }
}

}  // namespace tessaly::extract
