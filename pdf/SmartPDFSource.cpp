// TSmartPDFSource: bounded reads by offset over memory or a read-only file.
#include "pdf/SmartPDFSource.h"

#include <algorithm>

namespace tessaly::pdf {

std::string TSmartPDFSource::Read(std::int64_t offset, std::int64_t count) {
  if (offset < 0) offset = 0;
  const std::int64_t size = Size();
  if (count <= 0 || offset >= size) return {};
  count = std::min(count, size - offset);
  std::string bytes = ReadRange(offset, count);
  bytesRead_ += bytes.size();
  return bytes;
}

std::string TSmartPDFMemorySource::ReadRange(std::int64_t offset, std::int64_t count) {
  return bytes_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
}

TSmartPDFFileSource::TSmartPDFFileSource(const std::string& path) {
  // Unbuffered: every Read is one positioned read of just the bytes asked
  // for, so a direct-access open costs a few kilobytes, not buffer fills.
  file_.rdbuf()->pubsetbuf(nullptr, 0);
  file_.open(path, std::ios::in | std::ios::binary);
  if (!file_.is_open()) return;
  file_.seekg(0, std::ios::end);
  const std::streamoff end = file_.tellg();
  if (!file_ || end < 0) return;
  size_ = static_cast<std::int64_t>(end);
  open_ = true;
}

std::string TSmartPDFFileSource::ReadRange(std::int64_t offset, std::int64_t count) {
  if (!open_) return {};
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
  std::string bytes(static_cast<std::size_t>(count), '\0');
  file_.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(file_.gcount(), 0)));
  return bytes;
}

}  // namespace tessaly::pdf
