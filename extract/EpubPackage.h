// EPUB books as ZIP packages: META-INF/container.xml names the package
// document, whose manifest lists the book's files, whose spine gives their
// reading order and whose metadata holds the title, creators and so on.
//
// Every XML file of a book is read in the Xhtml dialect of TXmlReader (a
// document type declaration without internal subset allowed, HTML's named
// entities known), under the limits of the package (OfficePackage.h).
// What is kept of the package document is bounded too: at most
// kMaxPackageMembers manifest items and spine entries, kMaxEpubIndexBytes
// of their identifiers and references, kMaxPropertyBytes per metadata value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::extract {

class TOfficePackage;

inline constexpr std::string_view kEpubMimetype = "application/epub+zip";

// Bytes of manifest identifiers, references and media types and of spine
// references kept at most: real books use a few kilobytes.
inline constexpr std::size_t kMaxEpubIndexBytes = 16u << 20;

// True when `bytes` (the start of a file) are a ZIP file whose first member
// is "mimetype" stored uncompressed with the text application/epub+zip, as
// the format requires of every book.
bool StartsLikeEpub(std::string_view bytes);

// Whether `package` is an EPUB book: its member "mimetype" holds
// application/epub+zip (blanks around it forgiven, wherever the member
// sits), or it has no "mimetype" but a META-INF/container.xml and no
// [Content_Types].xml (books written by careless tools).
bool IsEpub(TOfficePackage& package);

struct TEpubMetadata {
  std::string title;        // the first dc:title
  std::string creator;      // every dc:creator, joined by "; "
  std::string subject;      // every dc:subject, joined by "; "
  std::string description;  // the first dc:description
  std::string publisher;    // the first dc:publisher
  std::string date;         // the publication dc:date as written (the first when none says so)
  std::string language;     // every dc:language, joined by "; "
};

// One entry of the spine, in reading order.
struct TEpubSpineItem {
  std::string idref;
  std::string part;       // the member it names; empty when the manifest has no such item
  std::string mediaType;  // as the manifest gives it
  bool remote = false;    // the manifest names a resource outside the book
};

struct TEpubBook {
  std::string packageDocument;  // member name; empty when the book has none
  TEpubMetadata metadata;
  std::vector<TEpubSpineItem> spine;  // each manifest item once
};

// Reads the container and the package document of `package`. Faults go
// into the package's outcome: a missing container (the first member ending
// in ".opf" is then taken), a missing package document, damaged XML.
// `withSpine` false stops after the metadata.
TEpubBook ReadEpubBook(TOfficePackage& package, bool withSpine = true);

// The member name that `href` (a reference of the package document, which
// lies in `folder`, "OEBPS/") names: percent-decoded, without fragment,
// "." and ".." resolved (never above the root); empty for a reference with
// a scheme ("http:") or one naming no file.
std::string ResolveEpubHref(std::string_view folder, std::string_view href);

}  // namespace tessaly::extract
