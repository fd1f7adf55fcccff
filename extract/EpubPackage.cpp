// The EPUB container and package document: the rootfile of
// container.xml, then the metadata, manifest and spine of the package
// document, resolved to member names.
#include "extract/EpubPackage.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "extract/OfficePackage.h"
#include "extract/PackageFamilies.h"
#include "extract/PackageSummary.h"
#include "extract/XmlReader.h"

namespace tessaly::extract {
namespace {

constexpr const char* kContainer = "META-INF/container.xml";

bool EqualsAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The first rootfile of the package-document type (or the first of any
// type) in container.xml.
class TContainerHandler : public TXmlHandler {
 public:
  void Start(std::string_view name, const char** attributes) override {
    if (name != "rootfile") return;
    const std::string_view path = AttributeValue(attributes, "full-path");
    if (path.empty()) return;
    const std::string_view type = AttributeValue(attributes, "media-type");
    if (type.empty() || type == "application/oebps-package+xml") {
      if (!typed) rootfile = path, typed = true;
    } else if (rootfile.empty()) {
      rootfile = path;
    }
  }
  void End(std::string_view) override {}
  void Text(std::string_view) override {}
  bool Done() const override { return typed; }

  std::string rootfile;
  bool typed = false;
};

struct TManifestItem {
  std::string href;
  std::string mediaType;
};

// The package document: metadata values, manifest items and spine entries.
class TPackageDocumentHandler : public TXmlHandler {
 public:
  TPackageDocumentHandler(TEpubMetadata& metadata, bool withSpine) : metadata_(metadata), withSpine_(withSpine) {}

  void Start(std::string_view name, const char** attributes) override {
    if (name == "metadata") {
      ++inMetadata_;
    } else if (inMetadata_ > 0) {
      StartField(name, attributes);
    } else if (name == "item") {
      const std::string_view id = AttributeValue(attributes, "id");
      const std::string_view href = AttributeValue(attributes, "href");
      const std::string_view type = AttributeValue(attributes, "media-type");
      if (!id.empty() && Keep(id.size() + href.size() + type.size()) && manifest.size() < kMaxPackageMembers)
        manifest.emplace(std::string(id), TManifestItem{std::string(href), std::string(type)});
    } else if (name == "itemref") {
      const std::string_view idref = AttributeValue(attributes, "idref");
      if (!idref.empty() && Keep(idref.size()) && spine.size() < kMaxPackageMembers) spine.emplace_back(idref);
    }
  }
  void End(std::string_view name) override {
    if (field_ && --fieldDepth_ == 0) EndField();
    if (name == "metadata" && inMetadata_ > 0 && --inMetadata_ == 0) metadataDone_ = true;
  }
  void Text(std::string_view text) override {
    if (field_ && text_.size() < kMaxPropertyBytes) text_ += text.substr(0, kMaxPropertyBytes - text_.size());
  }
  bool Done() const override { return metadataDone_ && !withSpine_; }

  std::unordered_map<std::string, TManifestItem> manifest;
  std::vector<std::string> spine;

 private:
  enum class TJoin { First, All };

  void StartField(std::string_view name, const char** attributes) {
    if (field_) {
      ++fieldDepth_;
      return;
    }
    struct TField {
      std::string_view element;
      std::string TEpubMetadata::*value;
      TJoin join;
    };
    static constexpr TField kFields[] = {
        {"title", &TEpubMetadata::title, TJoin::First},
        {"creator", &TEpubMetadata::creator, TJoin::All},
        {"subject", &TEpubMetadata::subject, TJoin::All},
        {"description", &TEpubMetadata::description, TJoin::First},
        {"publisher", &TEpubMetadata::publisher, TJoin::First},
        {"date", &TEpubMetadata::date, TJoin::First},
        {"language", &TEpubMetadata::language, TJoin::All},
    };
    for (const TField& field : kFields) {
      if (field.element != name) continue;
      field_ = &(metadata_.*field.value);
      join_ = field.join;
      fieldDepth_ = 1;
      text_.clear();
      // EPUB 2 names the kind of a date (opf:event); the publication
      // date wins over any other.
      publication_ = false;
      if (name == "date") {
        const std::string_view event = AttributeValue(attributes, "event", true);
        publication_ = event.empty() || event == "publication";
      }
      return;
    }
  }

  void EndField() {
    const std::string_view value = Trim(text_);
    std::string& target = *field_;
    field_ = nullptr;
    if (value.empty()) return;
    if (&target == &metadata_.date) {
      if (target.empty() || (publication_ && !datePublication_)) {
        target = value;
        datePublication_ = publication_;
      }
    } else if (target.empty()) {
      target = value;
    } else if (join_ == TJoin::All && target.size() + 2 + value.size() <= kMaxPropertyBytes) {
      target += "; ";
      target += value;
    }
  }

  bool Keep(std::size_t bytes) {
    if (kept_ + bytes > kMaxEpubIndexBytes) return false;
    kept_ += bytes;
    return true;
  }

  TEpubMetadata& metadata_;
  bool withSpine_;
  int inMetadata_ = 0;
  bool metadataDone_ = false;
  std::string* field_ = nullptr;
  TJoin join_ = TJoin::First;
  int fieldDepth_ = 0;
  std::string text_;
  bool publication_ = false;
  bool datePublication_ = false;
  std::size_t kept_ = 0;
};

std::string PackageDocumentOf(TOfficePackage& package) {
  if (package.Has(kContainer)) {
    TContainerHandler container;
    package.ReadXml(kContainer, container, XmlDialect::Xhtml);
    if (!container.rootfile.empty()) return ResolveEpubHref("", container.rootfile);
    package.Note(PackageStatus::Damaged, std::string(kContainer) + ": names no package document");
  } else {
    package.Note(PackageStatus::Damaged, std::string(kContainer) + ": missing");
  }
  for (const std::string& name : package.Names())
    if (name.size() > 4 && EqualsAsciiCase(std::string_view(name).substr(name.size() - 4), ".opf")) return name;
  return {};
}

}  // namespace

bool StartsLikeEpub(std::string_view bytes) {
  // The local header: signature, method at 8, name length at 26, extra
  // length at 28, the name at 30, then the stored data.
  if (!StartsLikePackage(bytes) || bytes.size() < 30) return false;
  auto at16 = [&](std::size_t offset) {
    return static_cast<std::size_t>(static_cast<unsigned char>(bytes[offset])) |
           static_cast<std::size_t>(static_cast<unsigned char>(bytes[offset + 1])) << 8;
  };
  if (at16(8) != 0 || at16(26) != 8) return false;
  const std::size_t data = 30 + 8 + at16(28);
  return bytes.substr(30, 8) == "mimetype" && bytes.size() >= data + kEpubMimetype.size() &&
         bytes.substr(data, kEpubMimetype.size()) == kEpubMimetype;
}

bool IsEpub(TOfficePackage& package) {
  if (package.Has("mimetype")) {
    const std::optional<std::string> text = package.ReadSmall("mimetype", 256);
    return text && Trim(*text) == kEpubMimetype;
  }
  return package.Has(kContainer) && !package.Has("[Content_Types].xml");
}

std::string ResolveEpubHref(std::string_view folder, std::string_view href) {
  href = href.substr(0, href.find_first_of("#?"));
  // A scheme ("http:", "data:") before any '/' names no member.
  const std::size_t colon = href.find(':');
  if (colon != std::string_view::npos && href.substr(0, colon).find('/') == std::string_view::npos) return {};
  std::string decoded;
  decoded.reserve(href.size());
  for (std::size_t i = 0; i < href.size(); ++i) {
    if (href[i] == '%' && i + 2 < href.size() && HexValue(href[i + 1]) >= 0 && HexValue(href[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(href[i + 1]) * 16 + HexValue(href[i + 2]));
      i += 2;
    } else {
      decoded += href[i];
    }
  }
  const std::string path = !decoded.empty() && decoded.front() == '/' ? decoded : std::string(folder) + decoded;
  std::vector<std::string_view> segments;
  std::string_view rest(path);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string_view segment = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      continue;
    }
    segments.push_back(segment);
  }
  std::string resolved;
  for (std::string_view segment : segments) {
    if (!resolved.empty()) resolved += '/';
    resolved += segment;
  }
  // A reference ending in '/' names a folder, not a file.
  if (!path.empty() && path.back() == '/') return {};
  return resolved;
}

TEpubBook ReadEpubBook(TOfficePackage& package, bool withSpine) {
  TEpubBook book;
  book.packageDocument = PackageDocumentOf(package);
  if (book.packageDocument.empty()) {
    package.Note(PackageStatus::Damaged, "no package document (not an EPUB book)");
    return book;
  }
  TPackageDocumentHandler handler(book.metadata, withSpine);
  if (!package.ReadXml(book.packageDocument, handler, XmlDialect::Xhtml)) {
    if (!package.Exhausted()) package.Note(PackageStatus::Damaged, book.packageDocument + ": missing");
    return book;
  }
  if (!withSpine) return book;
  const std::string folder = FolderOf(book.packageDocument);
  std::unordered_set<std::string> seen;
  for (std::string& idref : handler.spine) {
    TEpubSpineItem item;
    const auto found = handler.manifest.find(idref);
    if (found != handler.manifest.end()) {
      item.part = ResolveEpubHref(folder, found->second.href);
      item.remote = item.part.empty();
      item.mediaType = found->second.mediaType;
      std::string key = item.part;
      for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      if (!item.part.empty() && !seen.insert(std::move(key)).second) continue;
    }
    item.idref = std::move(idref);
    book.spine.push_back(std::move(item));
  }
  return book;
}

}  // namespace tessaly::extract
