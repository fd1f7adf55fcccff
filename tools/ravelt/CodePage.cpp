// Code-page decoding: the Windows-1252 table, iconv-made tables for other
// single-byte pages, and pair-wise decoding of double-byte pages.
#include "tools/ravelt/CodePage.h"

#include <iconv.h>

#include <cstdio>
#include <cstring>

#include "platform/Unicode.h"

namespace tessaly::ravelt {

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The iconv name of a Windows code page.
std::string IconvName(int codePage) {
  switch (codePage) {
    case 10000: return "MACINTOSH";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 1361: return "JOHAB";
    default: break;
  }
  if (codePage >= 28591 && codePage <= 28599) return "ISO-8859-" + std::to_string(codePage - 28590);
  return "CP" + std::to_string(codePage);
}

// Converts `bytes` as one whole with `cd`; false when they are not a
// complete, valid sequence of the page.
bool Convert(iconv_t cd, const char* bytes, std::size_t length, std::string& out) {
  char input[4];
  std::memcpy(input, bytes, length);
  char output[32];
  char* in = input;
  char* o = output;
  std::size_t inLeft = length, outLeft = sizeof output;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return false;
  // Flush pages with shift states (Windows-1258 combines letters).
  iconv(cd, nullptr, nullptr, &o, &outLeft);
  out.append(output, static_cast<std::size_t>(o - output));
  return o != output;
}

const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

// The pages this decoder takes; any other number is read as Windows-1252.
// The list also bounds the tables a hostile document can make us build.
bool IsKnownPage(int codePage) {
  switch (codePage) {
    case kCodePageSymbol: case 437: case 850: case 852: case 855: case 857: case 860: case 861:
    case 862: case 863: case 864: case 865: case 866: case 869: case 874: case 932: case 936:
    case 949: case 950: case 1250: case 1251: case 1252: case 1253: case 1254: case 1255:
    case 1256: case 1257: case 1258: case 1361: case 10000: case 20127: case 20866: case 21866:
    case 65001:
      return true;
    default:
      return codePage >= 28591 && codePage <= 28599;
  }
}

bool IsDoubleBytePage(int codePage) {
  return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

bool IsLeadByte(int codePage, unsigned char b) {
  switch (codePage) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 1361: return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    default: return b >= 0x81 && b <= 0xFE;
  }
}

}  // namespace

int CodePageOfCharset(int charset) {
  switch (charset) {
    case 2: return kCodePageSymbol;
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
  }
}

TCodePageDecoder::~TCodePageDecoder() {
  for (auto& [page, cd] : converters_)
    if (static_cast<iconv_t>(cd) != kNoIconv) iconv_close(static_cast<iconv_t>(cd));
}

void* TCodePageDecoder::Converter(int codePage) {
  auto found = converters_.find(codePage);
  if (found != converters_.end()) return found->second;
  iconv_t cd = iconv_open("UTF-8", IconvName(codePage).c_str());
  converters_[codePage] = cd;
  return cd;
}

const TCodePageDecoder::Table& TCodePageDecoder::SingleByteTable(int codePage) {
  auto found = tables_.find(codePage);
  if (found != tables_.end()) return found->second;
  Table& table = tables_[codePage];
  for (int b = 0; b < 0x80; ++b) table[b] = std::string(1, static_cast<char>(b));
  bool made = false;
  if (codePage != kCodePageAnsiLatin && codePage != kCodePageSymbol) {
    iconv_t cd = static_cast<iconv_t>(Converter(codePage));
    if (cd != kNoIconv) {
      made = true;
      for (int b = 0x80; b < 0x100; ++b) {
        const char byte = static_cast<char>(b);
        if (!Convert(cd, &byte, 1, table[b])) table[b].clear();
      }
    }
  }
  if (!made) {
    // Windows-1252, also for pages iconv does not know.
    for (int b = 0x80; b < 0x100; ++b) {
      const auto byte = static_cast<unsigned char>(b);
      if (!platform::IsUndefinedInWindows1252(byte))
        platform::AppendUtf8(table[b], platform::Windows1252ToCodePoint(byte));
    }
    // Symbol fonts carry list bullets as byte B7.
    if (codePage == kCodePageSymbol) {
      table[0xB7].clear();
      platform::AppendUtf8(table[0xB7], 0x2022);
    }
  }
  return table;
}

void TCodePageDecoder::PutPair(int codePage, unsigned char lead, unsigned char trail, std::string& out) {
  const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  iconv_t cd = static_cast<iconv_t>(Converter(codePage));
  if (cd == kNoIconv || !Convert(cd, pair, 2, out)) out += kReplacement;
}

void TCodePageDecoder::PutUtf8(unsigned char byte, std::string& out) {
  if (utf8Need_ > 0) {
    // The second byte of a sequence has a narrower range for some leads
    // (no overlong forms, no surrogates, nothing above U+10FFFF).
    unsigned char low = 0x80, high = 0xBF;
    if (utf8_.size() == 1) {
      const auto first = static_cast<unsigned char>(utf8_[0]);
      if (first == 0xE0) low = 0xA0;
      else if (first == 0xED) high = 0x9F;
      else if (first == 0xF0) low = 0x90;
      else if (first == 0xF4) high = 0x8F;
    }
    if (byte >= low && byte <= high) {
      utf8_.push_back(static_cast<char>(byte));
      if (--utf8Need_ == 0) {
        out += utf8_;
        utf8_.clear();
      }
      return;
    }
    utf8_.clear();
    utf8Need_ = 0;
    out += kReplacement;
  }
  if (byte < 0x80) {
    out.push_back(static_cast<char>(byte));
  } else if (byte >= 0xC2 && byte <= 0xF4) {
    utf8_.assign(1, static_cast<char>(byte));
    utf8Need_ = byte < 0xE0 ? 1 : byte < 0xF0 ? 2 : 3;
  } else {
    out += kReplacement;
  }
}

void TCodePageDecoder::Put(int codePage, unsigned char byte, std::string& out) {
  if (!IsKnownPage(codePage)) codePage = kCodePageAnsiLatin;
  if (utf8Need_ > 0 && codePage != 65001) Flush(out);
  if (lead_ != 0) {
    const unsigned char lead = lead_;
    lead_ = 0;
    if (codePage == leadPage_) {
      PutPair(codePage, lead, byte, out);
      return;
    }
    out += kReplacement;
  }
  if (codePage == 65001) {
    PutUtf8(byte, out);
    return;
  }
  if (IsDoubleBytePage(codePage) && byte >= 0x80) {
    if (IsLeadByte(codePage, byte)) {
      lead_ = byte;
      leadPage_ = codePage;
      return;
    }
    // Single-byte half-width forms (Shift-JIS katakana) and the like.
    const char one = static_cast<char>(byte);
    iconv_t cd = static_cast<iconv_t>(Converter(codePage));
    if (cd == kNoIconv || !Convert(cd, &one, 1, out)) out += kReplacement;
    return;
  }
  const std::string& text = SingleByteTable(codePage)[byte];
  if (text.empty()) out += kReplacement;
  else out += text;
}

void TCodePageDecoder::Flush(std::string& out) {
  if (utf8Need_ > 0) {
    utf8_.clear();
    utf8Need_ = 0;
    out += kReplacement;
  }
  if (lead_ != 0) {
    lead_ = 0;
    out += kReplacement;
  }
}

}  // namespace tessaly::ravelt
