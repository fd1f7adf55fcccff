// The HTML-to-text conversion of htmltext: one pass, one character at a time.
//
// Tags are dropped; <TR> and <BR> become line ends, </TD> and </TH> tabs, and
// every other tag a space. A tag is known by its name whatever follows it
// (<tr class=x>, <br/>). Outside PRE blocks a line end counts as a space and
// runs of spaces collapse. Inside PRE every space and line end is written.
// Character references, script and style text pass through; a comment is
// read as a tag that ends at its first `>`.
//
// The converter works on logical characters: a line end is '\n' both ways.
// Turning file bytes into that form and back (CR LF) is TextMode's job.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly::htmltext {

// A failure that ends the program: the message is the text after "Error: ".
class THtmlTextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a complete tag does to the output.
enum class TTagEffect {
  LineEnd,   // <TR>, <BR>: a line end
  Tab,       // </TD>, </TH>: a tab
  PreOn,     // <PRE>: line ends and spaces are kept from here on
  PreOff,    // </PRE>: back to collapsing
  Other,     // anything else: one space unless a space was just written
};

// Classifies the complete tag text `tag`, from its `<` to its `>` inclusive,
// by its name: the characters after `<` or `</` up to white space, `/` or
// `>`, compared without regard to ASCII case. The opening tags TR, BR and PRE
// and the closing tags TH, TD and PRE are known, whatever attributes or
// closing `/` follow the name (`<TR class=x>`, `<br/>`, `</PRE >`); every
// other tag, `<brx>` and `</br>` too, is unrecognised.
TTagEffect ClassifyTag(std::string_view tag);

// Conversion state, carried over from one input to the next: an input that
// ends inside a tag or a PRE block leaves that state to the following input.
class THtmlConverter {
 public:
  static constexpr std::size_t kTagBufferStart = 4096;
  static constexpr std::size_t kTagBufferStep = 1024;
  // The tag buffer keeps at most this many characters of one tag; the rest
  // of a longer tag is read and dropped. Only the tag's name decides its
  // effect, and no page has a tag anywhere near this long, so the cap only
  // bounds the memory a hostile input can claim.
  static constexpr std::size_t kTagBufferLimit = 1 << 20;

  // Allocates the tag buffer. Throws THtmlTextError("If you won't even give
  // me this little memory I can't work") when that fails.
  THtmlConverter();

  // Converts `text` (logical characters) and appends the result to `out`.
  // Throws THtmlTextError("realloc failed") when the tag buffer cannot grow;
  // what was converted before that is in `out`.
  void Convert(std::string_view text, std::string& out);

  bool insideTag() const { return insideTag_; }
  bool insidePre() const { return insidePre_; }
  // Current capacity of the tag buffer, in bytes.
  std::size_t tagBufferSize() const { return tagBufferSize_; }

 private:
  void Put(char c, std::string& out);
  void AppendToTag(char c);
  void ApplyTag(std::string& out);
  void WriteCollapsedSpace(std::string& out);

  bool insideTag_ = false;
  bool insidePre_ = false;
  bool lastWasSpace_ = false;
  std::unique_ptr<char[]> tagBuffer_;
  std::size_t tagBufferSize_ = 0;
  std::size_t tagLength_ = 0;
};

}  // namespace tessaly::htmltext
