// The readers of the four document families inside office packages, and
// the pieces they share. Internal to extract/: the public entry is
// PackageText.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "extract/PackageText.h"
#include "extract/XmlReader.h"

namespace tessaly::extract {

class TOfficePackage;

// The sink as the readers write to it: once the sink has had enough, every
// further piece is dropped and Done() tells the readers to stop.
class TTextOut {
 public:
  explicit TTextOut(TTextSink& sink) : sink_(sink) {}
  void Put(std::string_view text) {
    if (!done_ && !text.empty() && !sink_.Append(text)) done_ = true;
  }
  void Put(char c) { Put(std::string_view(&c, 1)); }
  // The text that follows is part `number` of `kind` (a sheet, a slide).
  void BeginPart(PartKind kind, int number, std::string_view name) {
    if (!done_ && !sink_.BeginPart(kind, number, name)) done_ = true;
  }
  bool Done() const { return done_; }

 private:
  TTextSink& sink_;
  bool done_ = false;
};

// The paragraph text of WordprocessingML and DrawingML parts (Word's
// document, headers and notes; slides): the text of <t> elements, a line end
// after each <p>, <tab/> in a run as a tab, <br/> and <cr/> as line ends.
// The fallback branch of mc:AlternateContent repeats its choice and is
// skipped.
class TParagraphTextHandler : public TXmlHandler {
 public:
  explicit TParagraphTextHandler(TTextOut& out) : out_(out) {}
  void Start(std::string_view name, const char** attributes) override;
  void End(std::string_view name) override;
  void Text(std::string_view text) override;
  bool Done() const override { return out_.Done(); }

 private:
  enum Code : std::uint8_t { kOther, kText, kParagraph, kRun, kTab, kBreak, kHyphen, kFallback };
  TTextOut& out_;
  std::vector<std::uint8_t> open_;  // codes of the open elements
  int skipped_ = 0;                 // depth inside a skipped branch
};

// The main part of an Office Open XML package: the target of its
// officeDocument relationship, or the usual name of one that exists.
std::string MainPart(TOfficePackage& package);

// The local name of the root element of `part`; empty when it cannot be read.
std::string RootElement(TOfficePackage& package, const std::string& part);

void ReadWordText(TOfficePackage& package, const std::string& mainPart, TTextOut& out);
void ReadSheetText(TOfficePackage& package, const std::string& mainPart, TTextOut& out);
void ReadSlideText(TOfficePackage& package, const std::string& mainPart, TTextOut& out);
void ReadOpenDocumentText(TOfficePackage& package, TTextOut& out);

// Whether the package is an OpenDocument package (content.xml, no content
// types of Office Open XML).
bool IsOpenDocument(const TOfficePackage& package);

// The folder part of a part name with its '/' ("word/" of "word/document.xml").
std::string FolderOf(std::string_view part);

}  // namespace tessaly::extract
