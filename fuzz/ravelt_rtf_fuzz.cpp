// Fuzz target for ravelt's RTF engine: the input is read whole and again in
// chunks whose size comes from the first byte; both reads must agree (a
// document reads the same however the control's chunks fall), and the
// text must stream out unchanged through the control.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/ravelt/RichEdit.h"
#include "tools/ravelt/RtfReader.h"

namespace {

constexpr std::size_t kMaxInput = 1 << 16;

struct Memory {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at;
};

std::int32_t Read(std::uintptr_t cookie, unsigned char* buffer, std::int32_t count, std::int32_t* done) {
  auto* m = reinterpret_cast<Memory*>(cookie);
  std::size_t n = m->size - m->at;
  if (n > static_cast<std::size_t>(count)) n = static_cast<std::size_t>(count);
  if (n > 0) std::memcpy(buffer, m->data + m->at, n);
  m->at += n;
  *done = static_cast<std::int32_t>(n);
  return 0;
}

std::int32_t Write(std::uintptr_t cookie, unsigned char* buffer, std::int32_t count, std::int32_t* done) {
  reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(count));
  *done = count;
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessaly::ravelt::TRtfReader;
  if (size > kMaxInput) return 0;
  if (size == 0) data = reinterpret_cast<const std::uint8_t*>("");

  TRtfReader whole;
  whole.Feed(data, size);
  const TRtfReader::Status wholeStatus = whole.Finish();

  const std::size_t chunk = size > 0 ? (data[0] % 61) + 1 : 1;
  TRtfReader pieces;
  for (std::size_t at = 0; at < size; at += chunk) pieces.Feed(data + at, size - at < chunk ? size - at : chunk);
  if (pieces.Finish() != wholeStatus || pieces.text() != whole.text()) std::abort();

  tessaly::ravelt::TRichEdit control;
  Memory memory{data, size, 0};
  tessaly::ravelt::EditStream in{reinterpret_cast<std::uintptr_t>(&memory), 0, Read};
  control.StreamIn(tessaly::ravelt::SF_RTF, in);
  std::string out;
  tessaly::ravelt::EditStream streamOut{reinterpret_cast<std::uintptr_t>(&out), 0, Write};
  control.StreamOut(tessaly::ravelt::SF_TEXT, streamOut);
  if (out != control.text()) std::abort();
  if ((in.dwError == 0) != (wholeStatus == TRtfReader::Status::kDone)) std::abort();
  return 0;
}
