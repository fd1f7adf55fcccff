// PowerPoint packages: the slides in the presentation's order, then the
// notes of each slide in the same order.
#include <string>
#include <unordered_map>
#include <vector>

#include "extract/OfficePackage.h"
#include "extract/PackageFamilies.h"
#include "extract/PackageRelations.h"

namespace tessaly::extract {
namespace {

// The relationship ids of <p:sldIdLst>, in slide order.
class TSlideListHandler : public TXmlHandler {
 public:
  void Start(std::string_view name, const char** attributes) override {
    // <p:sldId id="256" r:id="rId2"/>: the prefixed id names the relationship.
    if (name == "sldId") ids.emplace_back(AttributeValue(attributes, "id", true));
  }
  void End(std::string_view) override {}
  void Text(std::string_view) override {}
  std::vector<std::string> ids;
};

}  // namespace

void ReadSlideText(TOfficePackage& package, const std::string& mainPart, TTextOut& out) {
  TSlideListHandler list;
  package.ReadXml(mainPart, list);
  std::unordered_map<std::string, std::string> targets;
  for (const TRelation& relation : ReadRelations(package, mainPart))
    if (TypeEndsWith(relation.type, "slide")) targets.emplace(relation.id, relation.part);

  std::vector<std::string> slides;
  for (const std::string& id : list.ids) {
    const auto found = targets.find(id);
    if (found != targets.end() && package.Has(found->second)) slides.push_back(found->second);
  }
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
