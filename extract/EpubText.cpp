// EPUB text: the spine's documents in order through one XHTML text handler.
#include "extract/EpubText.h"

#include <vector>

#include "extract/EpubPackage.h"
#include "extract/OfficePackage.h"
#include "extract/PackageFamilies.h"

namespace tessaly::extract {
namespace {

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

enum class TRole : unsigned char { Inline, Block, Break, Row, Cell, Pre, Skipped };

// The role of an element by its local name, compared without ASCII case.
TRole RoleOf(std::string_view name) {
  char lower[16];
  if (name.size() > sizeof lower) return TRole::Inline;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  }
  const std::string_view n(lower, name.size());
  static constexpr std::string_view kBlocks[] = {
      "p",       "div",     "h1",      "h2",     "h3",         "h4",     "h5",   "h6",    "li",
      "ul",      "ol",      "dl",      "dt",     "dd",         "blockquote", "section", "article", "aside",
      "header",  "footer",  "nav",     "figure", "figcaption", "table",  "caption", "address", "main",
      "hr",      "body",    "details", "summary", "center",    "thead",  "tbody", "tfoot"};
  if (n == "br") return TRole::Break;
  if (n == "tr") return TRole::Row;
  if (n == "td" || n == "th") return TRole::Cell;
  if (n == "pre") return TRole::Pre;
  if (n == "head" || n == "script" || n == "style" || n == "template") return TRole::Skipped;
  for (std::string_view block : kBlocks)
    if (n == block) return TRole::Block;
  return TRole::Inline;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// The text of one XHTML document. Line ends and blanks are owed and only
// written before the next text, so that nested blocks give one line end
// and a blank never ends a line.
class TXhtmlTextHandler : public TXmlHandler {
 public:
  explicit TXhtmlTextHandler(TTextOut& out) : out_(out) {}

  void Start(std::string_view name, const char**) override {
    if (skipped_ > 0) {
      ++skipped_;
      return;
    }
    switch (RoleOf(name)) {
      case TRole::Skipped: ++skipped_; break;
      case TRole::Pre: ++pre_; [[fallthrough]];
      case TRole::Block: Break(); break;
      case TRole::Break:
        if (newline_) out_.Put('\n');
        out_.Put('\n');
        newline_ = space_ = lineHasText_ = afterTab_ = false;
        break;
      case TRole::Row:
        Break();
        cells_.push_back(0);
        break;
      case TRole::Cell:
        // The tab separates the cells: a line end owed by a block of the
        // cell before gives way to it.
        if (!cells_.empty() && cells_.back()++ > 0) {
          out_.Put('\t');
          newline_ = space_ = false;
          lineHasText_ = afterTab_ = true;
        }
        break;
      case TRole::Inline: break;
    }
  }

  void End(std::string_view name) override {
    if (skipped_ > 0) {
      --skipped_;
      return;
    }
    switch (RoleOf(name)) {
      case TRole::Pre:
        if (pre_ > 0) --pre_;
        Break();
        break;
      case TRole::Row:
        if (!cells_.empty()) cells_.pop_back();
        afterTab_ = false;
        Break();
        break;
      case TRole::Block: Break(); break;
      default: break;
    }
  }

  void Text(std::string_view text) override {
    if (skipped_ > 0) return;
    if (pre_ > 0) {
      Owed();
      Words(text);
      lineHasText_ = text.back() != '\n';
      return;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      if (i < text.size() && !IsBlank(text[i])) continue;
      if (i > start) {
        Owed();
        Words(text.substr(start, i - start));
        lineHasText_ = true;
      }
      if (i < text.size()) space_ = true;
      start = i + 1;
    }
  }

  bool Done() const override { return out_.Done(); }

  // The document ends with a line end.
  void Finish() {
    if (newline_ || lineHasText_) out_.Put('\n');
    newline_ = space_ = lineHasText_ = afterTab_ = false;
  }

 private:
  // A block begins or ends: a line end is owed, unless nothing stands on
  // the line but cells before the tab just written.
  void Break() {
    if (lineHasText_ && !afterTab_) newline_ = true;
    space_ = false;
  }

  // Writes the line end or blank owed before the next text.
  void Owed() {
    afterTab_ = false;
    if (newline_) {
      out_.Put('\n');
      lineHasText_ = false;
    } else if (space_ && lineHasText_) {
      out_.Put(' ');
    }
    newline_ = space_ = false;
  }

  // `text` with each non-breaking space written as a blank.
  void Words(std::string_view text) {
    for (std::size_t at = text.find(kNoBreakSpace); at != std::string_view::npos; at = text.find(kNoBreakSpace)) {
      out_.Put(text.substr(0, at));
      out_.Put(' ');
      text.remove_prefix(at + kNoBreakSpace.size());
    }
    out_.Put(text);
  }

  TTextOut& out_;
  int skipped_ = 0;  // depth inside the head, a script or a style
  int pre_ = 0;
  std::vector<std::size_t> cells_;  // cells so far of each open row
  bool lineHasText_ = false;
  bool afterTab_ = false;  // nothing written since a cell's tab
  bool newline_ = false;  // a line end is owed
  bool space_ = false;    // a blank is owed
};

// Media types of spine documents read as XHTML; anything else (an image
// in a comic's spine) has no text. A missing type is tried.
bool HasText(std::string_view mediaType) {
  return mediaType.empty() || mediaType.find("xml") != std::string_view::npos ||
         mediaType.find("html") != std::string_view::npos;
}

}  // namespace

TPackageOutcome ReadEpubText(TOfficePackage& package, TTextSink& sink) {
  if (package.Names().empty()) {
    package.Note(PackageStatus::Damaged, "an empty package");
    return package.Outcome();
  }
  const TEpubBook book = ReadEpubBook(package);
  if (!book.packageDocument.empty() && book.spine.empty())
    package.Note(PackageStatus::Damaged, book.packageDocument + ": an empty spine");
  TTextOut out(sink);
  std::string missing;  // the first spine entry naming no document
  for (const TEpubSpineItem& item : book.spine) {
    if (out.Done() || package.Exhausted()) break;
    if (item.remote || !HasText(item.mediaType)) continue;
    if (item.part.empty()) {
      if (missing.empty()) missing = book.packageDocument + ": the spine names '" + item.idref + "', not in the manifest";
      continue;
    }
    TXhtmlTextHandler handler(out);
    if (!package.ReadXml(item.part, handler, XmlDialect::Xhtml)) {
      if (missing.empty() && !package.Exhausted()) missing = item.part + ": missing";
      continue;
    }
    handler.Finish();
  }
  if (!missing.empty()) package.Note(PackageStatus::Damaged, missing);
  return package.Outcome();
}

TPackageOutcome ReadEpubText(const std::string& path, TTextSink& sink) {
  TOfficePackage package(path);
  return ReadEpubText(package, sink);
}

}  // namespace tessaly::extract
