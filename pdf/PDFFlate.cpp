// FlateDecode through zlib: one inflate pass over the whole input into an
// output that grows in steps of the input length rounded up to 256 bytes.
#include "pdf/PDFFlate.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace tessaly::pdf {
namespace {

// Ends the inflate state on every path.
class InflateStream {
 public:
  InflateStream() { ok_ = inflateInit(&z_) == Z_OK; }
  ~InflateStream() {
    if (ok_) inflateEnd(&z_);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  bool ok() const { return ok_; }
  z_stream& z() { return z_; }

 private:
  z_stream z_{};
  bool ok_ = false;
};

}  // namespace

std::string FlateDecode(std::string_view data, std::size_t limit) {
  if (data.empty()) return {};
  // zlib counts input in 32-bit units; nothing this large reaches here from
  // a real file, and a partial pass would misreport "cut short".
  if (data.size() > std::numeric_limits<uInt>::max()) return {};
  InflateStream stream;
  if (!stream.ok()) return {};
  z_stream& z = stream.z();
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());

  const std::size_t step = std::max<std::size_t>(256, (data.size() + 255) / 256 * 256);
  std::string out;
  std::size_t produced = 0;
  for (;;) {
    if (produced == out.size()) {
      if (out.size() >= limit) return {};  // a decompression bomb: undecodable
      out.resize(std::min(out.size() + step, limit));
    }
    const std::size_t room = std::min<std::size_t>(out.size() - produced,
                                                   std::numeric_limits<uInt>::max());
    z.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
    z.avail_out = static_cast<uInt>(room);
    const int rc = inflate(&z, Z_NO_FLUSH);
    produced += room - z.avail_out;
    if (rc == Z_STREAM_END || rc == Z_DATA_ERROR) {
      // The end of the stream, or damage: keep what came before it.
      out.resize(produced);
      return out;
    }
    if (rc == Z_OK) continue;
    if (rc == Z_BUF_ERROR && z.avail_out == 0) continue;  // only the output was full
    // The input ended before the stream did, or zlib failed otherwise.
    return {};
  }
}

}  // namespace tessaly::pdf
