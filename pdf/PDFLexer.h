// TPDFLexer: the cursor over one object's text and the token readers the
// object parser uses.
//
// Positions are 0-based; reading at or past the end gives NUL. Every reader
// either consumes its token and reports success, or leaves the cursor where
// it was; none reads past the text, and each consumes at least one byte on
// success, so a caller looping over tokens always ends.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaly::pdf {

// NUL, TAB, LF, FF, CR and space.
bool IsPDFWhiteSpace(unsigned char c);
// ( ) < > [ ] { } / %
bool IsPDFDelimiter(unsigned char c);

class TPDFLexer {
 public:
  explicit TPDFLexer(std::string_view text) : text_(text) {}

  std::size_t Pos() const { return pos_; }
  void SetPos(std::size_t pos) { pos_ = pos; }
  std::size_t Size() const { return text_.size(); }
  // Bytes from the cursor to the end, the cursor's own byte included.
  std::size_t Remaining() const { return pos_ < text_.size() ? text_.size() - pos_ : 0; }
  bool AtEnd() const { return pos_ >= text_.size(); }
  // The byte at cursor + offset, NUL past the end.
  unsigned char Peek(std::size_t offset = 0) const;
  void Advance(std::size_t count) { pos_ += count; }

  // Skips any run of white space and comments while the cursor is before
  // the last byte; a comment goes with its line end (CR LF counting as one).
  void SkipSpace();

  // A keyword ("true", "false", "null") at the cursor: it is the whole rest
  // of the text, or is followed by white space or a delimiter. Consumes it.
  bool ReadKeyword(std::string_view word);
  // A number token: "-", "." or a digit, then digits and at most one ".".
  // `token` gets the normalised text ("0" put before a leading "." and after
  // a trailing one); `hasPoint` tells whether it holds a ".".
  bool ReadNumberToken(std::string& token, bool& hasPoint);
  // A literal string "(...)" with balanced parentheses; `value` gets the
  // bytes with escapes resolved. False (cursor unchanged) when unbalanced.
  bool ReadLiteralString(std::string& value);
  // A hex string "<...>": hex digits of either case, other bytes dropped, an
  // odd count padded with "0". Without ">" the content runs up to the last
  // byte of the text and the cursor moves past the end.
  bool ReadHexString(std::string& value);
  // A name "/..." up to white space, a delimiter or the end, with "#xx"
  // resolved; a "#" without two hex digits stays.
  bool ReadName(std::string& value);

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Resolves the escapes of a literal string's raw content (the bytes between
// its parentheses).
std::string UnescapeLiteral(std::string_view raw);

}  // namespace tessaly::pdf
