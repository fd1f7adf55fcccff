// The RTF interpreter: a byte-level lexer state machine, the group stack
// with the character state of each group, the keyword table, and the text
// sinks that place paragraph, cell and row separators.
#include "tools/ravelt/RtfReader.h"

#include <algorithm>
#include <climits>
#include <string_view>

namespace tessaly::ravelt {

namespace {

enum class Kw : std::uint8_t {
  kSkipDest, kFontTable, kShapeInst, kShapeText, kFootnote, kTextDest, kListLabel,
  kPar, kBreak, kTab, kCell, kRow, kNestCell, kNestRow,
  kChar,  // a special character: its text is in the table
  kNothing,
  kHidden, kPlain, kFont, kDefaultFont, kUnicodeSkip, kUnicode, kAnsiCpg, kAnsi, kMac, kPc, kPca,
  kCharset, kCodePage, kBin, kPard, kInTable,
};

struct Keyword {
  std::string_view name;
  Kw kind;
  const char* text = nullptr;  // for kChar
};

// Destinations that hold no text a reader sees. Any other destination
// marked with "\*" is left out too; the list names those that come without
// the mark as well as marked ones that must not be mistaken for text.
constexpr std::string_view kSkippedDestinations[] = {
    "aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atndate", "atnicn", "atnid",
    "atnparent", "atnref", "atntime", "atrfend", "atrfstart", "author", "background", "bkmkend",
    "bkmkstart", "blipuid", "buptim", "category", "colorschememapping", "colortbl", "comment",
    "company", "creatim", "datafield", "datastore", "defchp", "defpap", "do", "doccomm", "docvar",
    "dptxbxtext", "falt", "fchars", "ffdeftext", "ffentrymcr", "ffexitmcr", "ffformat",
    "ffhelptext", "ffl", "ffname", "ffstattext", "file", "filetbl", "fldinst", "fldtype", "fname",
    "fontemb", "fontfile", "footer", "footerf", "footerl", "footerr", "formfield", "ftncn",
    "ftnsep", "ftnsepc", "generator", "gridtbl", "header", "headerf", "headerl", "headerr",
    "hlinkbase", "htmltag", "info", "keywords", "latentstyles", "lchars", "levelnumbers",
    "leveltext", "lfolevel", "list", "listlevel", "listname", "listoverride", "listoverridetable",
    "listpicture", "liststylename", "listtable", "lsdlockedexcept", "manager", "mhtmltag",
    "mmath", "mmathPict", "mmathPr", "moMath", "moMathPara", "nesttableprops", "nextfile",
    "nonshppict", "objalias", "objclass", "objdata", "objname", "objsect", "objtime", "oldcprops",
    "oldpprops", "oldsprops", "oldtprops", "oleclsid", "operator", "panose", "password",
    "passwordhash", "pgdsctbl", "pgp", "pgptbl", "picprop", "pict", "pn", "pnseclvl", "pntxta",
    "pntxtb", "printim", "private", "propname", "protend", "protstart", "protusertbl", "pxe",
    "revtbl", "revtim", "rsidtbl", "rxe", "shppict", "shprslt", "sn", "sp", "staticval",
    "stylesheet", "subject", "sv", "tc", "tcn", "template", "themedata", "title", "txe", "ud",
    "userprops", "wgrffmtfilter", "windowcaption", "writereservation", "writereservhash", "xe",
    "xform", "xmlattrname", "xmlattrvalue", "xmlclose", "xmlname", "xmlnstbl", "xmlopen",
};

std::vector<Keyword> MakeKeywords() {
  std::vector<Keyword> k;
  for (std::string_view name : kSkippedDestinations) k.push_back({name, Kw::kSkipDest});
  const Keyword others[] = {
      {"fonttbl", Kw::kFontTable},
      {"shpinst", Kw::kShapeInst},
      {"shptxt", Kw::kShapeText},
      {"footnote", Kw::kFootnote},
      // Destinations whose text is shown even behind "\*".
      {"field", Kw::kTextDest}, {"fldrslt", Kw::kTextDest}, {"listtext", Kw::kListLabel},
      {"pntext", Kw::kListLabel}, {"result", Kw::kTextDest},
      {"par", Kw::kPar}, {"sect", Kw::kPar},
      {"line", Kw::kBreak}, {"page", Kw::kBreak}, {"column", Kw::kBreak},
      {"tab", Kw::kTab}, {"cell", Kw::kCell}, {"row", Kw::kRow},
      {"nestcell", Kw::kNestCell}, {"nestrow", Kw::kNestRow},
      {"emdash", Kw::kChar, "\xE2\x80\x94"}, {"endash", Kw::kChar, "\xE2\x80\x93"},
      {"bullet", Kw::kChar, "\xE2\x80\xA2"}, {"lquote", Kw::kChar, "\xE2\x80\x98"},
      {"rquote", Kw::kChar, "\xE2\x80\x99"}, {"ldblquote", Kw::kChar, "\xE2\x80\x9C"},
      {"rdblquote", Kw::kChar, "\xE2\x80\x9D"}, {"emspace", Kw::kChar, " "},
      {"enspace", Kw::kChar, " "}, {"qmspace", Kw::kChar, " "},
      // Zero-width marks: nothing a reader sees.
      {"zwj", Kw::kNothing}, {"zwnj", Kw::kNothing}, {"ltrmark", Kw::kNothing},
      {"rtlmark", Kw::kNothing}, {"zwbo", Kw::kNothing}, {"zwnbo", Kw::kNothing},
      {"v", Kw::kHidden}, {"plain", Kw::kPlain}, {"f", Kw::kFont}, {"deff", Kw::kDefaultFont},
      {"uc", Kw::kUnicodeSkip}, {"u", Kw::kUnicode}, {"ansicpg", Kw::kAnsiCpg},
      {"ansi", Kw::kAnsi}, {"mac", Kw::kMac}, {"pc", Kw::kPc}, {"pca", Kw::kPca},
      {"fcharset", Kw::kCharset}, {"cpg", Kw::kCodePage}, {"bin", Kw::kBin},
      {"pard", Kw::kPard}, {"intbl", Kw::kInTable},
  };
  k.insert(k.end(), std::begin(others), std::end(others));
  std::sort(k.begin(), k.end(), [](const Keyword& a, const Keyword& b) { return a.name < b.name; });
  return k;
}

const Keyword* FindKeyword(std::string_view name) {
  static const std::vector<Keyword> keywords = MakeKeywords();
  auto it = std::lower_bound(keywords.begin(), keywords.end(), name,
                             [](const Keyword& k, std::string_view n) { return k.name < n; });
  return it != keywords.end() && it->name == name ? &*it : nullptr;
}

bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Bytes that end a run of plain text.
bool IsSpecial(unsigned char c) { return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n'; }

constexpr const char* kReplacement = "\xEF\xBF\xBD";

// Cuts `text` to at most `limit` bytes without splitting a UTF-8 sequence.
// The limits are checked before each run of text is added, so a text may
// pass its limit by one run; cutting at the end gives the same result
// however the input was chunked.
void CutAtCharacter(std::string& text, std::size_t limit) {
  if (text.size() <= limit) return;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
}

constexpr long long kParamLimit = 1LL << 40;  // digits beyond this only clamp

}  // namespace

TRtfReader::TRtfReader() {
  body_.out = &text_;
  notes_.out = &notes_text_;
  label_.out = &labelText_;
}

TRtfReader::Status TRtfReader::Feed(const unsigned char* data, std::size_t length) {
  if (status_ != Status::kReading || data == nullptr) return status_;
  const unsigned char* p = data;
  Run(p, data + length);
  return status_;
}

TRtfReader::Status TRtfReader::Finish() {
  if (status_ == Status::kReading) {
    // Nothing but white space, or a document still inside its outer group.
    status_ = lex_ == Lex::kSignature ? Status::kNotRtf : Status::kUnterminated;
  }
  FlushDecoder();
  EndSink(body_);
  EndSink(notes_);
  text_ += notes_text_;
  notes_text_.clear();
  CutAtCharacter(text_, kMaxTextBytes);
  return status_;
}

void TRtfReader::Run(const unsigned char*& p, const unsigned char* end) {
  while (p < end && status_ == Status::kReading) {
    switch (lex_) {
      case Lex::kSignature: {
        const unsigned char c = *p++;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') break;
        if (c != '{') {
          status_ = Status::kNotRtf;
          break;
        }
        lex_ = Lex::kText;
        expectRtfWord_ = true;
        ++depth_;  // the outer group keeps the initial state
        break;
      }
      case Lex::kText: {
        const unsigned char c = *p;
        if (c == '\\') {
          ++p;
          lex_ = Lex::kBackslash;
        } else if (c == '{') {
          ++p;
          OpenGroup();
        } else if (c == '}') {
          ++p;
          CloseGroup();
        } else if (c == '\r' || c == '\n') {
          ++p;
        } else {
          const unsigned char* q = p + 1;
          while (q < end && !IsSpecial(*q)) ++q;
          TextRun(p, q);
          p = q;
        }
        break;
      }
      case Lex::kBackslash: {
        const unsigned char c = *p++;
        if (IsLetter(c)) {
          word_[0] = static_cast<char>(c);
          wordLength_ = 1;
          wordTooLong_ = false;
          hasParam_ = false;
          paramNegative_ = false;
          param_ = 0;
          lex_ = Lex::kWord;
        } else {
          lex_ = Lex::kText;
          ControlSymbol(c);
        }
        break;
      }
      case Lex::kWord: {
        while (p < end && IsLetter(*p)) {
          if (wordLength_ < kMaxWordLength) word_[wordLength_++] = static_cast<char>(*p);
          else wordTooLong_ = true;
          ++p;
        }
        if (p == end) break;
        if (*p == '-') {
          ++p;
          paramNegative_ = true;
          lex_ = Lex::kParamSign;
        } else if (IsDigit(*p)) {
          hasParam_ = true;
          lex_ = Lex::kParam;
        } else {
          if (*p == ' ') ++p;
          lex_ = Lex::kText;
          ControlWord();
        }
        break;
      }
      case Lex::kParamSign:
        if (IsDigit(*p)) {
          hasParam_ = true;
          lex_ = Lex::kParam;
        } else {
          // "\word-" without digits: the word without a parameter.
          paramNegative_ = false;
          lex_ = Lex::kText;
          ControlWord();
        }
        break;
      case Lex::kParam: {
        while (p < end && IsDigit(*p)) {
          if (param_ < kParamLimit) param_ = param_ * 10 + (*p - '0');
          ++p;
        }
        if (p == end) break;
        if (*p == ' ') ++p;
        lex_ = Lex::kText;
        ControlWord();
        break;
      }
      case Lex::kHex1: {
        const int v = HexValue(*p);
        if (v < 0) {
          // "\'" without hex digits is dropped; the byte is read as text.
          lex_ = Lex::kText;
          break;
        }
        ++p;
        hexHigh_ = v;
        lex_ = Lex::kHex2;
        break;
      }
      case Lex::kHex2: {
        const int v = HexValue(*p);
        lex_ = Lex::kText;
        if (v < 0) break;  // one digit only: dropped
        ++p;
        TextByte(static_cast<unsigned char>(hexHigh_ * 16 + v));
        break;
      }
      case Lex::kBinary: {
        const auto left = static_cast<std::size_t>(end - p);
        const std::size_t n = binaryLeft_ < static_cast<long long>(left) ? static_cast<std::size_t>(binaryLeft_) : left;
        p += n;
        binaryLeft_ -= static_cast<long long>(n);
        if (binaryLeft_ == 0) lex_ = Lex::kText;
        break;
      }
      case Lex::kStopped:
        p = end;
        break;
    }
  }
  if (status_ != Status::kReading) lex_ = Lex::kStopped;
}

void TRtfReader::OpenGroup() {
  if (expectRtfWord_) {
    status_ = Status::kNotRtf;
    return;
  }
  FlushDecoder();
  ignorable_ = false;
  fallbackLeft_ = 0;
  if (depth_ >= kMaxGroupDepth) ++overflowDepth_;
  else stack_.push_back(state_);
  ++depth_;
}

void TRtfReader::CloseGroup() {
  if (expectRtfWord_) {
    status_ = Status::kNotRtf;
    return;
  }
  FlushDecoder();
  ignorable_ = false;
  fallbackLeft_ = 0;
  --depth_;
  const bool wasLabel = state_.listLabel;
  if (overflowDepth_ > 0) {
    --overflowDepth_;
  } else if (!stack_.empty()) {
    state_ = stack_.back();
    stack_.pop_back();
  }
  if (wasLabel && !state_.listLabel) EndListLabel();
  if (depth_ == 0) status_ = Status::kDone;
}

void TRtfReader::EndListLabel() {
  CutAtCharacter(labelText_, kMaxLabelBytes);
  // A label of blanks and tabs only (an outline level without numbering)
  // shows nothing, so it is dropped rather than indenting the line.
  const bool visible = labelText_.find_first_not_of(" \t") != std::string::npos;
  if (visible && Visible()) {
    Sink& sink = CurrentSink();
    if (Prepare(sink)) sink.out->append(labelText_);
  }
  labelText_.clear();
  label_.pendingBreaks = label_.pendingTabs = 0;
  label_.lineHasText = false;
}

void TRtfReader::ControlWord() {
  const std::string_view name(word_, wordLength_);
  if (expectRtfWord_) {
    if (name == "rtf" && !wordTooLong_) expectRtfWord_ = false;
    else status_ = Status::kNotRtf;
    return;
  }
  long param = 0;
  if (hasParam_) {
    const long long v = paramNegative_ ? -param_ : param_;
    param = static_cast<long>(std::clamp<long long>(v, INT_MIN, INT_MAX));
  }
  // Inside a left-out destination only \bin matters (its data may hold
  // braces and backslashes), so the keyword table is not even consulted.
  if (state_.destination == Destination::kSkip) {
    if (name == "bin" && !wordTooLong_) {
      binaryLeft_ = std::max(0L, param);
      if (binaryLeft_ > 0) lex_ = Lex::kBinary;
    }
    ignorable_ = false;
    return;
  }
  const Keyword* keyword = wordTooLong_ ? nullptr : FindKeyword(name);
  const bool wasIgnorable = ignorable_;
  ignorable_ = false;
  if (keyword != nullptr && keyword->kind == Kw::kBin) {
    binaryLeft_ = std::max(0L, param);
    if (binaryLeft_ > 0) lex_ = Lex::kBinary;
    if (fallbackLeft_ > 0) --fallbackLeft_;
    return;
  }
  if (wasIgnorable) {
    const bool destination = keyword != nullptr &&
        (keyword->kind == Kw::kSkipDest || keyword->kind == Kw::kFontTable || keyword->kind == Kw::kShapeInst ||
         keyword->kind == Kw::kShapeText || keyword->kind == Kw::kFootnote || keyword->kind == Kw::kTextDest ||
         keyword->kind == Kw::kListLabel);
    if (!destination) {
      state_.destination = Destination::kSkip;
      return;
    }
  }
  if (keyword == nullptr) {
    if (fallbackLeft_ > 0) --fallbackLeft_;
    return;
  }
  if (state_.destination == Destination::kFontTable) {
    switch (keyword->kind) {
      case Kw::kFont: fontEntry_ = param; break;
      case Kw::kCharset:
      case Kw::kCodePage:
        if (fontEntry_ >= 0 && (fontCodePages_.size() < kMaxFonts || fontCodePages_.count(fontEntry_) != 0))
          fontCodePages_[fontEntry_] = keyword->kind == Kw::kCharset ? CodePageOfCharset(param) : std::max(0L, param);
        break;
      case Kw::kSkipDest: state_.destination = Destination::kSkip; break;
      default: break;
    }
    return;
  }
  if (state_.destination == Destination::kShapeInst) {
    if (keyword->kind == Kw::kShapeText) state_.destination = Destination::kText;
    else if (keyword->kind == Kw::kSkipDest) state_.destination = Destination::kSkip;
    return;
  }
  // \uN and the control words after it: the fallback characters of \uN
  // count a control word as one character.
  if (keyword->kind == Kw::kUnicode) {
    Unicode(param);
    fallbackLeft_ = state_.unicodeSkip;
    return;
  }
  if (fallbackLeft_ > 0) {
    --fallbackLeft_;
    return;
  }
  switch (keyword->kind) {
    case Kw::kSkipDest: state_.destination = Destination::kSkip; break;
    case Kw::kFontTable: state_.destination = Destination::kFontTable; break;
    case Kw::kShapeInst: state_.destination = Destination::kShapeInst; break;
    case Kw::kFootnote: state_.footnote = true; break;
    case Kw::kListLabel:
      if (!state_.listLabel) {
        FlushDecoder();
        state_.listLabel = true;
        labelText_.clear();
      }
      break;
    case Kw::kShapeText: case Kw::kTextDest: case Kw::kNothing: break;
    case Kw::kPar: ParagraphBreak(); break;
    case Kw::kBreak: ParagraphBreak(); break;
    case Kw::kTab: Tab(); break;
    case Kw::kCell: case Kw::kNestCell: case Kw::kNestRow: CellBreak(); break;
    case Kw::kRow: RowBreak(); break;
    case Kw::kChar:
      if (Visible()) EmitUtf8(keyword->text, std::char_traits<char>::length(keyword->text));
      break;
    case Kw::kHidden: state_.hidden = !hasParam_ || param != 0; break;
    case Kw::kPlain:
      state_.hidden = false;
      state_.font = -1;
      break;
    case Kw::kFont: state_.font = std::max(0L, param); break;
    case Kw::kDefaultFont: defaultFont_ = param; break;
    case Kw::kUnicodeSkip: state_.unicodeSkip = static_cast<std::uint8_t>(std::clamp(hasParam_ ? param : 1L, 0L, 255L)); break;
    case Kw::kAnsiCpg: if (param > 0) documentCodePage_ = static_cast<int>(param); break;
    case Kw::kAnsi: documentCodePage_ = kCodePageAnsiLatin; break;
    case Kw::kMac: documentCodePage_ = 10000; break;
    case Kw::kPc: documentCodePage_ = 437; break;
    case Kw::kPca: documentCodePage_ = 850; break;
    case Kw::kPard: state_.inTable = false; break;
    case Kw::kInTable: state_.inTable = true; break;
    case Kw::kUnicode: case Kw::kBin: case Kw::kCharset: case Kw::kCodePage: break;
  }
}

void TRtfReader::ControlSymbol(unsigned char c) {
  if (expectRtfWord_) {
    status_ = Status::kNotRtf;
    return;
  }
  if (c == '\'') {
    lex_ = Lex::kHex1;
    return;
  }
  if (c == '*') {
    ignorable_ = true;
    return;
  }
  ignorable_ = false;
  if (c == '\\' || c == '{' || c == '}') {
    TextByte(c);
    return;
  }
  if (fallbackLeft_ > 0) {
    --fallbackLeft_;
    return;
  }
  switch (c) {
    case '~': EmitCodePoint(0xA0); break;   // no-break space
    case '_': EmitCodePoint('-'); break;    // non-breaking hyphen
    case '\r': case '\n': ParagraphBreak(); break;  // "\" at a line end is \par
    case '\t': Tab(); break;
    default: break;  // \- optional hyphen, \: index, \| formula: nothing shown
  }
}

void TRtfReader::TextByte(unsigned char c) {
  if (fallbackLeft_ > 0) {
    --fallbackLeft_;
    return;
  }
  if (!Visible()) return;
  if (c == '\t') {
    Tab();
    return;
  }
  Sink& sink = CurrentSink();
  if (c < 0x20 && !decoder_.HasPending()) return;
  if (!Prepare(sink)) return;
  decoder_.Put(CodePage(), c, *sink.out);
}

void TRtfReader::TextRun(const unsigned char* p, const unsigned char* end) {
  if (expectRtfWord_) {
    status_ = Status::kNotRtf;
    return;
  }
  ignorable_ = false;
  while (p < end && fallbackLeft_ > 0) {
    --fallbackLeft_;
    ++p;
  }
  if (p == end || !Visible()) return;
  Sink& sink = CurrentSink();
  if (!Prepare(sink)) return;
  const int codePage = CodePage();
  while (p < end) {
    if (!decoder_.HasPending()) {
      const unsigned char* q = p;
      while (q < end && *q >= 0x20 && *q < 0x80) ++q;
      if (q > p) {
        sink.out->append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
        p = q;
        continue;
      }
    }
    const unsigned char c = *p++;
    if (c == '\t') {
      FlushDecoder();
      sink.out->push_back('\t');
    } else if (c >= 0x20 || decoder_.HasPending()) {
      decoder_.Put(codePage, c, *sink.out);
    }
  }
}

void TRtfReader::Unicode(long value) {
  long v = value;
  if (v < 0) v += 65536;
  if (v < 0 || v > 0x10FFFF) v = 0xFFFD;
  const auto c = static_cast<char32_t>(v);
  if (c >= 0xD800 && c <= 0xDBFF) {
    if (highSurrogate_ != 0) EmitCodePoint(0xFFFD);
    highSurrogate_ = c;
    return;
  }
  if (c >= 0xDC00 && c <= 0xDFFF) {
    if (highSurrogate_ == 0) {
      EmitCodePoint(0xFFFD);
      return;
    }
    const char32_t full = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (c - 0xDC00);
    highSurrogate_ = 0;
    EmitCodePoint(full);
    return;
  }
  EmitCodePoint(c);
}

void TRtfReader::EmitCodePoint(char32_t c) {
  if (!Visible()) return;
  if (c == '\t') {
    Tab();
    return;
  }
  if (c < 0x20) return;
  char buffer[4];
  std::size_t n = 0;
  if (c < 0x80) {
    buffer[n++] = static_cast<char>(c);
  } else if (c < 0x800) {
    buffer[n++] = static_cast<char>(0xC0 | (c >> 6));
    buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    buffer[n++] = static_cast<char>(0xE0 | (c >> 12));
    buffer[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    buffer[n++] = static_cast<char>(0xF0 | (c >> 18));
    buffer[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    buffer[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    buffer[n++] = static_cast<char>(0x80 | (c & 0x3F));
  }
  EmitUtf8(buffer, n);
}

void TRtfReader::EmitUtf8(const char* s, std::size_t n) {
  FlushDecoder();
  Sink& sink = CurrentSink();
  if (Prepare(sink)) sink.out->append(s, n);
}

void TRtfReader::FlushDecoder() {
  if (decoder_.HasPending()) decoder_.Flush(*CurrentSink().out);
}

bool TRtfReader::Prepare(Sink& sink) {
  if (text_.size() + notes_text_.size() >= kMaxTextBytes) return false;
  if (&sink == &label_) {
    // Labels are short; breaks inside one are not lines of the document.
    sink.pendingBreaks = sink.pendingTabs = 0;
    return labelText_.size() <= kMaxLabelBytes;
  }
  if (highSurrogate_ != 0) {
    // A high surrogate that no low one followed.
    highSurrogate_ = 0;
    sink.out->append(kReplacement);
  }
  for (; sink.pendingBreaks > 0; --sink.pendingBreaks) sink.out->append("\r\n");
  sink.out->append(sink.pendingTabs, '\t');
  sink.pendingTabs = 0;
  sink.lastBreakInTable = false;
  sink.lineHasText = true;
  return true;
}

void TRtfReader::ParagraphBreak() {
  if (!Visible()) return;
  FlushDecoder();
  Sink& sink = CurrentSink();
  if (sink.pendingTabs > 0) {
    // Tabs before the break are text of the line that ends here.
    if (!Prepare(sink)) return;
  }
  ++sink.pendingBreaks;
  sink.lastBreakInTable = state_.inTable;
  sink.lineHasText = false;
}

void TRtfReader::CellBreak() {
  if (!Visible()) return;
  FlushDecoder();
  Sink& sink = CurrentSink();
  // The \par that closes a cell's last paragraph is not a line of its own.
  if (sink.pendingBreaks > 0 && sink.lastBreakInTable) --sink.pendingBreaks;
  sink.lastBreakInTable = false;
  ++sink.pendingTabs;
}

void TRtfReader::RowBreak() {
  if (!Visible()) return;
  FlushDecoder();
  Sink& sink = CurrentSink();
  if (sink.pendingBreaks > 0 && sink.lastBreakInTable) --sink.pendingBreaks;
  sink.lastBreakInTable = false;
  // Cells are separated, not ended, by TAB: the row's last cell has none.
  if (sink.pendingTabs > 0) --sink.pendingTabs;
  if (sink.pendingTabs > 0 && !Prepare(sink)) return;
  ++sink.pendingBreaks;
  sink.lineHasText = false;
}

void TRtfReader::Tab() {
  if (!Visible()) return;
  FlushDecoder();
  Sink& sink = CurrentSink();
  if (Prepare(sink)) sink.out->push_back('\t');
}

int TRtfReader::CodePage() const {
  const long font = state_.font >= 0 ? state_.font : defaultFont_;
  if (font >= 0 && !fontCodePages_.empty()) {
    auto found = fontCodePages_.find(font);
    if (found != fontCodePages_.end() && found->second != 0) return found->second;
  }
  return documentCodePage_;
}

void TRtfReader::EndSink(Sink& sink) {
  if (sink.pendingBreaks > 0) {
    sink.pendingTabs = 0;
    Prepare(sink);
    sink.lineHasText = false;
  } else if (sink.lineHasText && text_.size() + notes_text_.size() < kMaxTextBytes) {
    // The last paragraph ends with CR LF like every other.
    sink.out->append("\r\n");
    sink.lineHasText = false;
  }
  sink.pendingTabs = 0;
}

}  // namespace tessaly::ravelt
