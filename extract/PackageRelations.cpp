// Relationship parts: read with the XML reader, targets resolved to part
// names.
#include "extract/PackageRelations.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "extract/OfficePackage.h"
#include "extract/XmlReader.h"

namespace tessaly::extract {
namespace {

// A relationships part names a few hundred targets; more is hostile.
constexpr std::size_t kMaxRelations = 100000;

class TRelationsHandler : public TXmlHandler {
 public:
  TRelationsHandler(std::string source, std::vector<TRelation>& out) : source_(std::move(source)), out_(out) {}
  void Start(std::string_view name, const char** attributes) override {
    if (name != "Relationship" || out_.size() >= kMaxRelations) return;
    TRelation relation;
    relation.id = AttributeValue(attributes, "Id");
    relation.type = AttributeValue(attributes, "Type");
    if (AttributeValue(attributes, "TargetMode") != "External")
      relation.part = ResolveTarget(source_, AttributeValue(attributes, "Target"));
    out_.push_back(std::move(relation));
  }
  void End(std::string_view) override {}
  void Text(std::string_view) override {}

 private:
  std::string source_;
  std::vector<TRelation>& out_;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The relationship ids of the elements named `element`, in document order.
class TListedIdsHandler : public TXmlHandler {
 public:
  explicit TListedIdsHandler(std::string_view element) : element_(element) {}
  void Start(std::string_view name, const char** attributes) override {
    if (name == element_) {
      ids.emplace_back(AttributeValue(attributes, "id", true));
      names.emplace_back(AttributeValue(attributes, "name"));
    }
  }
  void End(std::string_view) override {}
  void Text(std::string_view) override {}
  std::vector<std::string> ids;
  std::vector<std::string> names;

 private:
  std::string_view element_;
};

}  // namespace

std::vector<std::string> ListedParts(TOfficePackage& package, const std::string& part, std::string_view element,
                                     const std::vector<TRelation>& relations, std::string_view type,
                                     std::vector<std::string>* names) {
  TListedIdsHandler list(element);
  package.ReadXml(part, list);
  std::unordered_map<std::string, std::string> targets;
  for (const TRelation& relation : relations)
    if (TypeEndsWith(relation.type, type)) targets.emplace(relation.id, relation.part);
  std::vector<std::string> parts;
  for (std::size_t i = 0; i < list.ids.size(); ++i) {
    const auto found = targets.find(list.ids[i]);
    if (found == targets.end() || !package.Has(found->second)) continue;
    parts.push_back(found->second);
    if (names) names->push_back(list.names[i]);
  }
  return parts;
}

std::vector<TRelation> ReadRelations(TOfficePackage& package, const std::string& part) {
  const std::size_t slash = part.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
  const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
  std::vector<TRelation> relations;
  TRelationsHandler handler(part, relations);
  package.ReadXml(folder + "_rels/" + file + ".rels", handler);
  return relations;
}

std::string ResolveTarget(std::string_view source, std::string_view target) {
  const std::string decoded = PercentDecoded(target);
  std::string_view rest(decoded);
  std::vector<std::string_view> segments;
  if (!rest.empty() && rest.front() == '/') {
    rest.remove_prefix(1);
  } else {
    std::string_view folder = source;
    const std::size_t slash = folder.rfind('/');
    folder = slash == std::string_view::npos ? std::string_view() : folder.substr(0, slash);
    while (!folder.empty()) {
      const std::size_t next = folder.find('/');
      segments.push_back(folder.substr(0, next));
      if (next == std::string_view::npos) break;
      folder.remove_prefix(next + 1);
    }
  }
  while (!rest.empty()) {
    const std::size_t next = rest.find('/');
    const std::string_view segment = rest.substr(0, next);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    if (next == std::string_view::npos) break;
    rest.remove_prefix(next + 1);
  }
  std::string part;
  for (const std::string_view segment : segments) {
    if (!part.empty()) part += '/';
    part += segment;
  }
  return part;
}

bool TypeEndsWith(std::string_view type, std::string_view suffix) {
  return type.size() > suffix.size() && type[type.size() - suffix.size() - 1] == '/' &&
         type.substr(type.size() - suffix.size()) == suffix;
}

std::vector<std::string> NumberedParts(const TOfficePackage& package, std::string_view prefix,
                                       std::string_view suffix) {
  auto lower = [](std::string_view text) {
    std::string out(text);
    for (char& c : out)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
  };
  const std::string lowPrefix = lower(prefix), lowSuffix = lower(suffix);
  std::vector<std::pair<std::uint64_t, std::string>> found;
  for (const std::string& name : package.Names()) {
    const std::string low = lower(name);
    if (low.size() <= lowPrefix.size() + lowSuffix.size() || low.compare(0, lowPrefix.size(), lowPrefix) != 0 ||
        low.compare(low.size() - lowSuffix.size(), lowSuffix.size(), lowSuffix) != 0)
      continue;
    const std::string_view digits =
        std::string_view(low).substr(lowPrefix.size(), low.size() - lowPrefix.size() - lowSuffix.size());
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    found.emplace_back(std::stoull(std::string(digits)), name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> parts;
  for (auto& entry : found) parts.push_back(std::move(entry.second));
  return parts;
}

}  // namespace tessaly::extract
