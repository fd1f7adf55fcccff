// Streaming conversion of text files to UTF-8.
#include "engine/TextDecoder.h"

#include <cstdint>
#include <cstring>

#include "platform/Unicode.h"

namespace tessaly::engine {
namespace {

// True when every byte of `s` is ASCII: 8 bytes at a time.
bool AllAscii(std::string_view s) {
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    if (word & 0x8080808080808080ull) return false;
  }
  for (; i < s.size(); ++i)
    if (static_cast<unsigned char>(s[i]) & 0x80) return false;
  return true;
}

}  // namespace

std::size_t Utf8SequenceAt(std::string_view b, std::size_t at) {
  const auto c = static_cast<unsigned char>(b[at]);
  if (c < 0x80) return 1;
  std::size_t length;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) length = 2;
  else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if (at + k >= b.size()) return kUtf8Cut;
    const auto t = static_cast<unsigned char>(b[at + k]);
    if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF)) return 0;
  }
  return length;
}

namespace {

void Append1252(std::string& out, unsigned char byte) {
  platform::AppendUtf8(out, platform::Windows1252ToCodePoint(byte));
}

}  // namespace

std::string_view TTextDecoder::Decode(std::string_view piece) {
  if (encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE) return DecodeUtf16(piece);
  if (encoding_ == TextEncoding::SingleByte) {
    if (AllAscii(piece)) return piece;
    out_.clear();
    out_.reserve(piece.size() + piece.size() / 4);
    for (const char c : piece) {
      const auto b = static_cast<unsigned char>(c);
      if (b < 0x80) out_.push_back(c);
      else Append1252(out_, b);
    }
    return out_;
  }
  return DecodeUtf8(piece);
}

std::string_view TTextDecoder::DecodeUtf8(std::string_view piece) {
  std::string joined;
  std::string_view text = piece;
  if (!carry_.empty()) {
    // A sequence cut at the last piece's end: decode it with this piece.
    joined = carry_ + std::string(piece);
    carry_.clear();
    text = joined;
  } else if (AllAscii(piece)) {
    return piece;
  }
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length = Utf8SequenceAt(text, i);
    if (length == 0 || length == kUtf8Cut) break;
    i += length;
  }
  if (i == text.size() && joined.empty()) return piece;  // valid UTF-8: as it is
  out_.assign(text.substr(0, i));
  while (i < text.size()) {
    const std::size_t length = Utf8SequenceAt(text, i);
    if (length == kUtf8Cut) {
      carry_.assign(text.substr(i));
      break;
    }
    if (length == 0) {
      Append1252(out_, static_cast<unsigned char>(text[i]));
      ++i;
      continue;
    }
    out_.append(text.substr(i, length));
    i += length;
  }
  return out_;
}

std::string_view TTextDecoder::DecodeUtf16(std::string_view piece) {
  out_.clear();
  out_.reserve(piece.size() + piece.size() / 2);
  const bool little = encoding_ == TextEncoding::Utf16LE;
  std::size_t i = 0;
  auto unit = [&](unsigned char a, unsigned char b) {
    return static_cast<char16_t>(little ? (a | b << 8) : (a << 8 | b));
  };
  auto put = [&](char16_t u) {
    if (highSurrogate_) {
      if (u >= 0xDC00 && u <= 0xDFFF) {
        platform::AppendUtf8(out_, 0x10000 + ((static_cast<char32_t>(highSurrogate_) - 0xD800) << 10) + (u - 0xDC00));
        highSurrogate_ = 0;
        return;
      }
      platform::AppendUtf8(out_, 0xFFFD);
      highSurrogate_ = 0;
    }
    if (u >= 0xD800 && u <= 0xDBFF) highSurrogate_ = u;
    else if (u >= 0xDC00 && u <= 0xDFFF) platform::AppendUtf8(out_, 0xFFFD);
    else if (u < 0x80) out_.push_back(static_cast<char>(u));
    else platform::AppendUtf8(out_, u);
  };
  if (!carry_.empty() && !piece.empty()) {
    put(unit(static_cast<unsigned char>(carry_[0]), static_cast<unsigned char>(piece[0])));
    carry_.clear();
    i = 1;
  }
  for (; i + 1 < piece.size(); i += 2)
    put(unit(static_cast<unsigned char>(piece[i]), static_cast<unsigned char>(piece[i + 1])));
  if (i < piece.size()) carry_.assign(1, piece[i]);
  return out_;
}

std::string_view TTextDecoder::Finish() {
  out_.clear();
  if (encoding_ == TextEncoding::Utf16LE || encoding_ == TextEncoding::Utf16BE) {
    if (highSurrogate_ || !carry_.empty()) platform::AppendUtf8(out_, 0xFFFD);
  } else {
    for (const char c : carry_) Append1252(out_, static_cast<unsigned char>(c));
  }
  carry_.clear();
  highSurrogate_ = 0;
  return out_;
}

}  // namespace tessaly::engine
