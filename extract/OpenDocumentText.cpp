// OpenDocument packages: the text of content.xml.
//
// Paragraphs (<text:p>) and headings (<text:h>) with everything inside them
// (spans, links, notes), a line end after each. White space in the text is
// collapsed as the format prescribes (a run of blanks, tabs and line ends
// is one blank, none at a paragraph's start); <text:s text:c="n"/> stands for
// n blanks, <text:tab/> for a tab and <text:line-break/> for a line end.
// Table cells are separated by tabs and rows end with a line end; the
// paragraphs of one cell are separated by line ends.
#include <charconv>
#include <string>

#include "extract/OfficePackage.h"
#include "extract/PackageFamilies.h"

namespace tessaly::extract {
namespace {

// Blanks one <text:s/> gives at most: the count is the file's word, and no
// search needs more than a line's worth of blanks.
constexpr unsigned kMaxSpaceRun = 1024;

class TContentHandler : public TXmlHandler {
 public:
  explicit TContentHandler(TTextOut& out) : out_(out) {}

  void Start(std::string_view name, const char** attributes) override {
    if (skipped_ > 0 || Skips(name)) {
      ++skipped_;
      return;
    }
    if (name == "annotation") {
      ++annotations_;
    } else if (name == "p" || name == "h") {
      if (pendingBreak_) out_.Put('\n');
      pendingBreak_ = false;
      ++paragraphs_;
      blank_ = true;
    } else if (name == "table-row") {
      cells_ = 0;
    } else if (name == "table-cell" || name == "covered-table-cell") {
      if (cells_++ > 0) out_.Put('\t');
      ++cellDepth_;
      pendingBreak_ = false;
    } else if (paragraphs_ == 0) {
      return;
    } else if (name == "s") {
      unsigned count = 1;
      const std::string_view c = AttributeValue(attributes, "c", true);
      if (!c.empty()) std::from_chars(c.data(), c.data() + c.size(), count);
      if (count > kMaxSpaceRun) count = kMaxSpaceRun;
      for (unsigned i = 0; i < count; ++i) out_.Put(' ');
      blank_ = false;
    } else if (name == "tab") {
      out_.Put('\t');
      blank_ = false;
    } else if (name == "line-break") {
      out_.Put('\n');
      blank_ = true;
    }
  }

  void End(std::string_view name) override {
    if (skipped_ > 0) {
      --skipped_;
      return;
    }
    if (name == "annotation") {
      if (annotations_ > 0) --annotations_;
    } else if (name == "p" || name == "h") {
      if (paragraphs_ > 0) --paragraphs_;
      // Inside a cell the line end is written only if another paragraph
      // of the cell follows; the cell's tab or row end separates the rest.
      if (cellDepth_ > 0 && paragraphs_ == 0) pendingBreak_ = true;
      else out_.Put('\n');
    } else if (name == "table-cell" || name == "covered-table-cell") {
      if (cellDepth_ > 0) --cellDepth_;
      pendingBreak_ = false;
    } else if (name == "table-row") {
      out_.Put('\n');
      pendingBreak_ = false;
    }
  }

  void Text(std::string_view text) override {
    if (skipped_ > 0 || paragraphs_ == 0) return;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') continue;
      out_.Put(text.substr(start, i - start));
      if (i > start) blank_ = false;
      if (!blank_) out_.Put(' ');
      blank_ = true;
      start = i + 1;
    }
    if (start < text.size()) {
      out_.Put(text.substr(start));
      blank_ = false;
    }
  }

  bool Done() const override { return out_.Done(); }

 private:
  // The author and date of a comment, and the record of tracked changes
  // (deleted text among it), are not the document's text.
  bool Skips(std::string_view name) const {
    return name == "tracked-changes" || (annotations_ > 0 && (name == "creator" || name == "date"));
  }

  TTextOut& out_;
  int skipped_ = 0;
  int paragraphs_ = 0;  // open paragraphs and headings (notes nest them)
  int cellDepth_ = 0;
  int annotations_ = 0;
  std::size_t cells_ = 0;
  bool blank_ = true;  // the last character written was white space, or none was
  bool pendingBreak_ = false;
};

}  // namespace

void ReadOpenDocumentText(TOfficePackage& package, TTextOut& out) {
  TContentHandler handler(out);
  if (!package.ReadXml("content.xml", handler))
    package.Note(PackageStatus::Damaged, "content.xml: missing");
}

}  // namespace tessaly::extract
