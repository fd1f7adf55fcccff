// Text-mode translation of the files htmltext reads and writes.
//
// The input and output files are text files in the CR LF convention, on
// Linux too: a CR LF pair read from a file arrives as one line end ('\n'),
// and each line end written becomes CR LF. A CR that is not followed by LF,
// and an LF alone, arrive as they are (an LF alone is a line end).
#pragma once

#include <string>
#include <string_view>

namespace tessaly::htmltext {

// Reads one file's bytes chunk by chunk; a CR at the end of one chunk is held
// back until the next chunk shows whether an LF follows it.
class TTextModeReader {
 public:
  // Appends the logical characters of `bytes` to `out`.
  void Translate(std::string_view bytes, std::string& out);
  // End of the file: appends a CR still held back.
  void Finish(std::string& out);

 private:
  bool pendingCr_ = false;
};

// Appends `text` to `out` with each '\n' written as CR LF.
void AppendTextModeOutput(std::string_view text, std::string& out);

}  // namespace tessaly::htmltext
