// The rich edit control's two streaming requests over the RTF engine.
#include "tools/ravelt/RichEdit.h"

#include <algorithm>
#include <vector>

#include "tools/ravelt/RtfReader.h"

namespace tessaly::ravelt {

long TRichEdit::StreamIn(std::uint32_t format, EditStream& stream) {
  stream.dwError = 0;
  if (stream.pfnCallback == nullptr || (format & (SF_RTF | SF_TEXT)) == 0) {
    stream.dwError = kStreamErrorBadFormat;
    return 0;
  }
  const bool rtf = (format & SF_RTF) != 0;
  TRtfReader reader;
  std::string plain;
  std::vector<unsigned char> buffer(kReadChunk);
  long total = 0;
  for (;;) {
    std::int32_t got = 0;
    const std::int32_t result = stream.pfnCallback(stream.dwCookie, buffer.data(), kReadChunk, &got);
    if (result != 0) {
      stream.dwError = result;
      break;
    }
    got = std::clamp(got, 0, kReadChunk);
    if (got == 0) break;
    total += got;
    if (!rtf) {
      plain.append(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(got));
      continue;
    }
    // Once the outer group has closed (or the input proved not to be
    // RTF) the rest of the input is not read.
    if (reader.Feed(buffer.data(), static_cast<std::size_t>(got)) != TRtfReader::Status::kReading) break;
  }
  if (!rtf) {
    text_ = std::move(plain);
    return total;
  }
  const TRtfReader::Status status = reader.Finish();
  if (stream.dwError == 0) {
    if (status == TRtfReader::Status::kNotRtf) stream.dwError = kStreamErrorNotRtf;
    else if (status == TRtfReader::Status::kUnterminated) stream.dwError = kStreamErrorUnterminated;
  }
  text_ = reader.TakeText();
  return total;
}

long TRichEdit::StreamOut(std::uint32_t format, EditStream& stream) {
  stream.dwError = 0;
  if (stream.pfnCallback == nullptr || (format & SF_TEXT) == 0) {
    stream.dwError = kStreamErrorBadFormat;
    return 0;
  }
  std::vector<unsigned char> buffer(kWriteChunk);
  std::size_t offset = 0;
  while (offset < text_.size()) {
    const auto count = static_cast<std::int32_t>(std::min<std::size_t>(kWriteChunk, text_.size() - offset));
    std::copy_n(text_.data() + offset, count, buffer.data());
    std::int32_t done = 0;
    const std::int32_t result = stream.pfnCallback(stream.dwCookie, buffer.data(), count, &done);
    if (result != 0) {
      stream.dwError = result;
      break;
    }
    if (done <= 0) {
      stream.dwError = kStreamErrorShortWrite;
      break;
    }
    offset += static_cast<std::size_t>(std::min(done, count));
  }
  return static_cast<long>(offset);
}

LRESULT TRichEdit::HandleMessage(TWindowSystem& system, HWND hwnd, std::uint32_t message, WPARAM wParam,
                                 LPARAM lParam) {
  auto* stream = reinterpret_cast<EditStream*>(lParam);
  switch (message) {
    case EM_STREAMIN:
      return stream != nullptr ? StreamIn(static_cast<std::uint32_t>(wParam), *stream) : 0;
    case EM_STREAMOUT:
      return stream != nullptr ? StreamOut(static_cast<std::uint32_t>(wParam), *stream) : 0;
    default:
      (void)system;
      return TWindowSystem::DefWindowProc(hwnd, message, wParam, lParam);
  }
}

}  // namespace tessaly::ravelt
