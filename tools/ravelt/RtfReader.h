// The RTF interpreter: turns an RTF byte stream into the text a reader sees.
//
// TRtfReader takes the document in chunks of any size (a state machine, so a
// control word or escape may be split between chunks) and appends UTF-8 text
// to a string: the visible text in reading order, CR LF after each paragraph
// (`\par`, `\sect`, `\line`, `\page`, `\row`), TAB between table cells
// (`\cell`) and for `\tab`. List labels (`\listtext`, `\pntext`) are shown
// unless they hold only blanks. Footnotes follow the body text. Left out: the
// font, colour, style and list tables, document information, pictures and
// object data, headers and footers, field instructions (field results stay),
// hidden text (`\v`), and every `\*` destination not known to carry text.
// Text bytes are read in the code page of the font (`\fcharset`, `\cpg`) or
// of the document (`\ansicpg`, default 1252); `\uN` gives a Unicode
// character and skips the `\ucN` fallback characters after it.
//
// Limits, so that any bytes are safe: groups nested deeper than
// kMaxGroupDepth share the state of the deepest one kept; at most
// kMaxFonts font entries are remembered; the text stops growing at
// kMaxTextBytes (what follows is dropped, the read still succeeds).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/ravelt/CodePage.h"

namespace tessaly::ravelt {

class TRtfReader {
 public:
  static constexpr std::size_t kMaxGroupDepth = 1024;
  static constexpr std::size_t kMaxFonts = 4096;
  static constexpr std::size_t kMaxTextBytes = std::size_t{256} << 20;
  static constexpr std::size_t kMaxWordLength = 32;  // longer words are unknown
  static constexpr std::size_t kMaxLabelBytes = 1024;  // of one list label

  enum class Status {
    kReading,      // more input is welcome
    kDone,         // the document's outer group has closed
    kNotRtf,       // the input does not begin with "{\rtf"
    kUnterminated  // the input ended inside a group (set by Finish)
  };

  TRtfReader();

  // Interprets the next `length` bytes. Returns the status afterwards; once
  // it is not kReading, further bytes are ignored.
  Status Feed(const unsigned char* data, std::size_t length);
  // Ends the input: a document whose outer group is still open becomes
  // kUnterminated. Returns the final status.
  Status Finish();

  Status status() const { return status_; }
  // The text so far (complete after Finish).
  const std::string& text() const { return text_; }
  std::string TakeText() { return std::move(text_); }

 private:
  // Where the text of a group goes.
  enum class Destination : std::uint8_t {
    kText,        // shown
    kSkip,        // left out with everything inside
    kFontTable,   // left out, but \f, \fcharset and \cpg are noted
    kShapeInst    // left out, except a \shptxt group inside (text boxes)
  };
  struct GroupState {
    Destination destination = Destination::kText;
    bool footnote = false;  // text goes to the footnote text
    bool listLabel = false; // text goes to the list label (\listtext, \pntext)
    bool hidden = false;    // \v
    bool inTable = false;   // \intbl: the paragraph is inside a table cell
    std::uint8_t unicodeSkip = 1;  // \uc
    long font = -1;         // \f; -1: the default font (\deff)
  };
  // Separators wait until text follows them, so that a cell's closing \par
  // and the tab after a row's last cell can be dropped.
  struct Sink {
    std::string* out = nullptr;
    std::size_t pendingBreaks = 0;
    std::size_t pendingTabs = 0;
    bool lastBreakInTable = false;  // the last pending break ended a paragraph in a cell
    bool lineHasText = false;
  };
  enum class Lex : std::uint8_t {
    kSignature, kText, kBackslash, kWord, kParamSign, kParam, kHex1, kHex2, kBinary, kStopped
  };

  void Run(const unsigned char*& p, const unsigned char* end);
  void OpenGroup();
  void CloseGroup();
  void ControlWord();
  void ControlSymbol(unsigned char c);
  void TextByte(unsigned char c);
  void TextRun(const unsigned char* p, const unsigned char* end);
  bool SkipFallback();
  void Unicode(long value);
  void EmitCodePoint(char32_t c);
  void EmitUtf8(const char* s, std::size_t n);
  void ParagraphBreak();
  void CellBreak();
  void RowBreak();
  void Tab();
  void FlushDecoder();
  bool Visible() const { return state_.destination == Destination::kText && !state_.hidden; }
  Sink& CurrentSink() { return state_.listLabel ? label_ : state_.footnote ? notes_ : body_; }
  void EndListLabel();
  // Writes the separators waiting in `sink` before new text; false when
  // the text has reached kMaxTextBytes.
  bool Prepare(Sink& sink);
  int CodePage() const;
  void EndSink(Sink& sink);

  Status status_ = Status::kReading;
  Lex lex_ = Lex::kSignature;
  std::size_t signatureMatched_ = 0;
  bool expectRtfWord_ = false;  // the first token inside "{" must be \rtf

  // The control word being read.
  char word_[kMaxWordLength + 1] = {};
  std::size_t wordLength_ = 0;
  bool wordTooLong_ = false;
  bool paramNegative_ = false;
  bool hasParam_ = false;
  long long param_ = 0;
  int hexHigh_ = 0;
  long long binaryLeft_ = 0;
  bool ignorable_ = false;  // "\*" seen: an unknown destination is skipped

  GroupState state_;
  std::vector<GroupState> stack_;
  std::size_t overflowDepth_ = 0;  // groups beyond kMaxGroupDepth
  std::size_t depth_ = 0;
  long fallbackLeft_ = 0;          // \uc characters still to skip
  char32_t highSurrogate_ = 0;

  int documentCodePage_ = kCodePageAnsiLatin;
  long defaultFont_ = -1;
  long fontEntry_ = -1;  // the font table entry being read
  std::unordered_map<long, int> fontCodePages_;
  TCodePageDecoder decoder_;

  std::string text_, notes_text_, labelText_;
  Sink body_, notes_, label_;
  std::size_t textBytes_ = 0;
};

}  // namespace tessaly::ravelt
