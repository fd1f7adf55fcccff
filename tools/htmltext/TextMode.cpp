// Text-mode translation: CR LF to line end on input, line end to CR LF on output.
#include "tools/htmltext/TextMode.h"

namespace tessaly::htmltext {

void TTextModeReader::Translate(std::string_view bytes, std::string& out) {
  for (char c : bytes) {
    if (pendingCr_) {
      pendingCr_ = false;
      if (c == '\n') {
        out += '\n';
        continue;
      }
      out += '\r';
    }
    if (c == '\r')
      pendingCr_ = true;
    else
      out += c;
  }
}

void TTextModeReader::Finish(std::string& out) {
  if (pendingCr_) out += '\r';
  pendingCr_ = false;
}

void AppendTextModeOutput(std::string_view text, std::string& out) {
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
}

}  // namespace tessaly::htmltext
