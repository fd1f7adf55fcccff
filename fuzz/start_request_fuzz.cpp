// The single-instance request line: any bytes decode to a request or to
// nothing, and a request decoded is encoded and decoded again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ui/StartRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 16)) return 0;
  const QByteArray line(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const std::optional<tessaly::ui::TStartRequest> request = tessaly::ui::DecodeStartRequest(line);
  if (!request) return 0;
  const std::optional<tessaly::ui::TStartRequest> again =
      tessaly::ui::DecodeStartRequest(tessaly::ui::EncodeStartRequest(*request));
  if (!again || !(*again == *request)) std::abort();
  return 0;
}
