// Turns a text file's bytes into UTF-8 as they stream, by the encoding the
// kind decision found: UTF-8 passes through (a byte that starts no valid
// sequence is read as Windows-1252, so a stray accented letter of an older
// editor is still found), single-byte text is read as Windows-1252, UTF-16
// of either byte order is converted (an unpaired surrogate becomes U+FFFD).
// Sequences cut between two pieces are carried to the next.
#pragma once

#include <string>
#include <string_view>

#include "engine/DocumentKind.h"

namespace tessaly::engine {

// Length of the valid UTF-8 sequence at `at` of `b`: 0 when the bytes there
// start none, kUtf8Cut when they may but `b` ends first.
inline constexpr std::size_t kUtf8Cut = static_cast<std::size_t>(-1);
std::size_t Utf8SequenceAt(std::string_view b, std::size_t at);

class TTextDecoder {
 public:
  explicit TTextDecoder(TextEncoding encoding) : encoding_(encoding) {}

  // The UTF-8 text of `piece` after what came before. The view stays valid
  // until the next call; it may point into `piece` itself when nothing needs
  // converting.
  std::string_view Decode(std::string_view piece);
  // What is left over at the end of the text (a cut sequence), as UTF-8.
  std::string_view Finish();

 private:
  std::string_view DecodeUtf8(std::string_view piece);
  std::string_view DecodeUtf16(std::string_view piece);

  TextEncoding encoding_;
  std::string out_;
  std::string carry_;           // bytes of a sequence cut at a piece's end
  char16_t highSurrogate_ = 0;  // UTF-16: a high surrogate waiting for its low half
};

}  // namespace tessaly::engine
