// The rich edit control of ravelt: a window object holding one document,
// filled by the stream-in request from RTF and read by the stream-out
// request as plain text.
//
// EM_STREAMIN (format SF_RTF) pulls the whole input through the caller's
// read callback in chunks of kReadChunk bytes, interprets it with
// TRtfReader and replaces the document with the result; SF_TEXT takes the
// bytes as UTF-8 text. EM_STREAMOUT (format SF_TEXT) pushes the document's
// UTF-8 text, paragraphs ended by CR LF, through the write callback in
// chunks of at most kWriteChunk bytes.
//
// Errors land in the stream's dwError: a callback's non-zero result is
// stored as it is and ends the request; the control's own failures are the
// kStreamError values below. The requests return the number of bytes
// taken in or given out.
#pragma once

#include <cstdint>
#include <string>

#include "tools/ravelt/WindowSystem.h"

namespace tessaly::ravelt {

inline constexpr std::uint32_t EM_STREAMIN = 0x449;
inline constexpr std::uint32_t EM_STREAMOUT = 0x44A;
inline constexpr std::uint32_t SF_TEXT = 1;
inline constexpr std::uint32_t SF_RTF = 2;

// The control's own error values in dwError.
inline constexpr std::int32_t kStreamErrorNotRtf = -2;         // input does not begin with "{\rtf"
inline constexpr std::int32_t kStreamErrorUnterminated = -3;   // input ended inside a group
inline constexpr std::int32_t kStreamErrorBadFormat = -4;      // format flags not supported
inline constexpr std::int32_t kStreamErrorShortWrite = -5;     // write callback took nothing

// The callback: fills or takes `buffer` (`count` bytes offered), stores the
// number of bytes done in `*done` and returns 0, or returns non-zero to fail.
using EditStreamCallback = std::int32_t (*)(std::uintptr_t cookie, unsigned char* buffer, std::int32_t count,
                                            std::int32_t* done);

struct EditStream {
  std::uintptr_t dwCookie = 0;
  std::int32_t dwError = 0;
  EditStreamCallback pfnCallback = nullptr;
};

class TRichEdit : public TWindowObject {
 public:
  static constexpr std::int32_t kReadChunk = 4096;
  static constexpr std::int32_t kWriteChunk = 4096;

  // Both requests; the stream is the EditStream* in lParam.
  long StreamIn(std::uint32_t format, EditStream& stream);
  long StreamOut(std::uint32_t format, EditStream& stream);

  const std::string& text() const { return text_; }

  LRESULT HandleMessage(TWindowSystem& system, HWND hwnd, std::uint32_t message, WPARAM wParam,
                        LPARAM lParam) override;

 private:
  std::string text_;
};

}  // namespace tessaly::ravelt
