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

  std::vector<std::string> notes;
  for (const std::string& slide : slides) {
    if (out.Done() || package.Exhausted()) return;
    TParagraphTextHandler handler(out);
    package.ReadXml(slide, handler);
    for (const TRelation& relation : ReadRelations(package, slide))
      if (TypeEndsWith(relation.type, "notesSlide") && !relation.part.empty()) notes.push_back(relation.part);
  }
  if (notes.empty()) notes = NumberedParts(package, folder + "notesSlides/notesSlide", ".xml");
  for (const std::string& part : notes) {
    if (out.Done() || package.Exhausted()) return;
    TParagraphTextHandler handler(out);
    package.ReadXml(part, handler);
  }
}

}  // namespace tessaly::extract
