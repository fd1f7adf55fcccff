// The relationships of Office Open XML parts (the _rels/*.rels parts) and
// the part names they lead to.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessaly::extract {

class TOfficePackage;

struct TRelation {
  std::string id;
  std::string type;  // the full type name; compare with TypeEndsWith
  std::string part;  // the target as a part name ("word/header1.xml"); empty for external targets
};

// The relationships of `part` ("" for the package itself), in the order
// written; empty when the part has no relationships part or it cannot be
// read.
std::vector<TRelation> ReadRelations(TOfficePackage& package, const std::string& part);

// The parts that the elements named `element` of `part` lead to through
// their prefixed id attribute (r:id), in the order the elements are written:
// the sheets of a workbook, the slides of a presentation. Only relationships
// of `relations` (those of `part`) whose type ends with `type`, and parts the
// package holds, count. `names`, when given, receives the `name` attribute
// of the element of each part returned (a sheet's name).
std::vector<std::string> ListedParts(TOfficePackage& package, const std::string& part, std::string_view element,
                                     const std::vector<TRelation>& relations, std::string_view type,
                                     std::vector<std::string>* names = nullptr);

// The part named by `target` in a relationship of `source`: relative to the
// source's folder unless it starts with '/', "." and ".." segments resolved
// (never above the root), %XX escapes decoded.
std::string ResolveTarget(std::string_view source, std::string_view target);

// Whether `type` ends with "/<suffix>": transitional and strict documents
// name the same relationship under different prefixes.
bool TypeEndsWith(std::string_view type, std::string_view suffix);

// The members named `prefix` N `suffix` with N a decimal number
// ("ppt/slides/slide12.xml"), in numeric order of N: the order of slides,
// sheets and headers when a package's relationships are missing.
std::vector<std::string> NumberedParts(const TOfficePackage& package, std::string_view prefix, std::string_view suffix);

}  // namespace tessaly::extract
