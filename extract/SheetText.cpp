// Excel packages: the cells of every worksheet in the workbook's order, one
// line per row and a tab between cells. The shared strings are read first
// and held, since cells refer to them by number.
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "extract/OfficePackage.h"
#include "extract/PackageFamilies.h"
#include "extract/PackageRelations.h"

namespace tessaly::extract {
namespace {

// Bytes the shared strings may take in memory, counting four per string for
// its index: cells refer to them by number, so they are held while the
// sheets are read. Far beyond what a workbook's unique texts need.
constexpr std::size_t kMaxSharedStringBytes = 64u << 20;

// The digits of a shared-string index at most (2^32 has ten).
constexpr std::size_t kMaxIndexDigits = 10;

class TSharedStrings {
 public:
  // False once the limit is reached; the string is then dropped.
  bool Add(std::string_view text) {
    if (pool_.size() + text.size() + 4 * (ends_.size() + 1) > kMaxSharedStringBytes) return false;
    pool_ += text;
    ends_.push_back(static_cast<std::uint32_t>(pool_.size()));
    return true;
  }
  std::string_view At(std::uint64_t index) const {
    if (index >= ends_.size()) return {};
    const std::uint32_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(pool_).substr(begin, ends_[index] - begin);
  }

 private:
  std::string pool_;
  std::vector<std::uint32_t> ends_;
};

// <sst><si><t>..</t></si> or <si><r><t>..</t></r>..</si>; phonetic runs
// (<rPh>) are readings, not the cell's text.
class TSharedStringsHandler : public TXmlHandler {
 public:
  explicit TSharedStringsHandler(TSharedStrings& strings) : strings_(strings) {}
  void Start(std::string_view name, const char**) override {
    if (name == "si") {
      inItem_ = true;
      current_.clear();
    } else if (name == "rPh") {
      ++phonetic_;
    } else if (name == "t") {
      inText_ = true;
    }
  }
  void End(std::string_view name) override {
    if (name == "t") {
      inText_ = false;
    } else if (name == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    } else if (name == "si" && inItem_) {
      inItem_ = false;
      if (!full && !strings_.Add(current_)) full = true;
    }
  }
  void Text(std::string_view text) override {
    if (inItem_ && inText_ && phonetic_ == 0 && !full && current_.size() < kMaxSharedStringBytes)
      current_ += text;
  }
  bool full = false;

 private:
  TSharedStrings& strings_;
  std::string current_;
  bool inItem_ = false, inText_ = false;
  int phonetic_ = 0;
};

// <row><c t="s"><v>3</v></c><c><v>4711.5</v></c><c t="inlineStr"><is><t>..</t></is></c></row>
class TSheetHandler : public TXmlHandler {
 public:
  TSheetHandler(const TSharedStrings& strings, TTextOut& out) : strings_(strings), out_(out) {}
  void Start(std::string_view name, const char** attributes) override {
    if (name == "row") {
      cells_ = 0;
    } else if (name == "c") {
      if (cells_++ > 0) out_.Put('\t');
      inCell_ = true;
      shared_ = AttributeValue(attributes, "t") == "s";
      index_.clear();
    } else if (!inCell_) {
      return;
    } else if (name == "v") {
      inValue_ = true;
    } else if (name == "is") {
      inInline_ = true;
    } else if (name == "t") {
      inText_ = true;
    } else if (name == "rPh") {
      ++phonetic_;
    }
  }
  void End(std::string_view name) override {
    if (name == "row") {
      out_.Put('\n');
    } else if (name == "c") {
      if (shared_) {
        std::uint64_t index = 0;
        const auto [end, error] = std::from_chars(index_.data(), index_.data() + index_.size(), index);
        if (error == std::errc() && end == index_.data() + index_.size()) out_.Put(strings_.At(index));
      }
      inCell_ = inValue_ = inInline_ = inText_ = false;
      phonetic_ = 0;
    } else if (name == "v") {
      inValue_ = false;
    } else if (name == "is") {
      inInline_ = false;
    } else if (name == "t") {
      inText_ = false;
    } else if (name == "rPh") {
      if (phonetic_ > 0) --phonetic_;
    }
  }
  void Text(std::string_view text) override {
    if (inValue_) {
      // The index of a shared string; any other value is shown as written.
      if (!shared_) out_.Put(text);
      else if (index_.size() + text.size() <= kMaxIndexDigits) index_ += text;
      else index_ = "x";  // too long to be an index
    } else if (inInline_ && inText_ && phonetic_ == 0) {
      out_.Put(text);
    }
  }
  bool Done() const override { return out_.Done(); }

 private:
  const TSharedStrings& strings_;
  TTextOut& out_;
  std::size_t cells_ = 0;
  bool inCell_ = false, inValue_ = false, inInline_ = false, inText_ = false, shared_ = false;
  int phonetic_ = 0;
  std::string index_;
};

}  // namespace

void ReadSheetText(TOfficePackage& package, const std::string& mainPart, TTextOut& out) {
  const std::vector<TRelation> relations = ReadRelations(package, mainPart);
  const std::string folder = FolderOf(mainPart);

  TSharedStrings strings;
  std::string stringsPart = folder + "sharedStrings.xml";
  for (const TRelation& relation : relations)
    if (TypeEndsWith(relation.type, "sharedStrings")) stringsPart = relation.part;
  TSharedStringsHandler stringsHandler(strings);
  package.ReadXml(stringsPart, stringsHandler);
  if (stringsHandler.full)
    package.Note(PackageStatus::TooLarge, stringsPart + ": the shared strings take more than " +
                                              std::to_string(kMaxSharedStringBytes >> 20) + " MiB");

  std::vector<std::string> names;
  std::vector<std::string> sheets = ListedParts(package, mainPart, "sheet", relations, "worksheet", &names);
  if (sheets.empty()) sheets = NumberedParts(package, folder + "worksheets/sheet", ".xml");
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const std::string& sheet = sheets[i];
    if (out.Done() || package.Exhausted()) return;
    out.BeginPart(PartKind::Sheet, static_cast<int>(i + 1), i < names.size() ? names[i] : std::string());
    TSheetHandler handler(strings, out);
    package.ReadXml(sheet, handler);
  }
}

}  // namespace tessaly::extract
