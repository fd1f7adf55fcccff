// Memory and file byte sources and the bounds-checked cursor.
#include "archives/ByteSource.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tessaly::archives {

std::size_t TMemorySource::ReadAt(std::uint64_t offset, void* out, std::size_t count) {
  if (offset >= size_) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
  std::memcpy(out, data_ + offset, n);
  return n;
}

TSliceSource::~TSliceSource() {
  if (CutShort()) base_.NoteCutShort();
  if (NotOfFormat()) base_.NoteNotOfFormat();
  if (PasswordRequired()) base_.NotePasswordRequired();
}

std::unique_ptr<TFileSource> TFileSource::Open(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  try {
    auto file = std::make_unique<platform::ReadOnlyFile>(path);
    const std::uint64_t size = file->Size();
    return std::unique_ptr<TFileSource>(new TFileSource(std::move(file), size));
  } catch (const std::system_error&) {
    return nullptr;  // missing, no access: the archive lists nothing
  }
}

TFileSource::TFileSource(std::unique_ptr<platform::ReadOnlyFile> file, std::uint64_t size)
    : file_(std::move(file)), size_(size), window_(kWindow) {}

TFileSource::~TFileSource() = default;

bool TFileSource::LoadWindow(std::uint64_t start) {
  windowValid_ = false;
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, size_ - start));
  try {
    windowLength_ = file_->ReadAt(start, reinterpret_cast<char*>(window_.data()), want);
  } catch (const std::system_error&) {
    return false;
  }
  bytesRead_ += windowLength_;
  windowStart_ = start;
  windowValid_ = windowLength_ > 0;
  return windowValid_;
}

std::size_t TFileSource::ReadAt(std::uint64_t offset, void* out, std::size_t count) {
  auto* dst = static_cast<unsigned char*>(out);
  std::size_t done = 0;
  while (done < count && offset < size_) {
    const bool inWindow = windowValid_ && offset >= windowStart_ && offset < windowStart_ + windowLength_;
    if (!inWindow && count - done >= kWindow) {
      std::size_t n = 0;
      try {
        n = file_->ReadAt(offset, reinterpret_cast<char*>(dst) + done, count - done);
      } catch (const std::system_error&) {
      }
      bytesRead_ += n;
      return done + n;
    }
    if (!inWindow) {
      if (!LoadWindow(offset - offset % kWindow)) break;
      if (offset >= windowStart_ + windowLength_) break;  // the file shrank
    }
    const std::size_t at = static_cast<std::size_t>(offset - windowStart_);
    const std::size_t n = std::min(count - done, windowLength_ - at);
    std::memcpy(dst + done, window_.data() + at, n);
    done += n;
    offset += n;
  }
  return done;
}

bool TByteCursor::Read(void* out, std::size_t count) {
  if (count > Remaining()) {
    pos_ = std::max(pos_, size_);
    return false;
  }
  if (count == 0) return true;
  if (source_.ReadAt(pos_, out, count) != count) {
    pos_ = std::max(pos_, size_);
    return false;
  }
  pos_ += count;
  return true;
}

bool TByteCursor::U8(std::uint8_t& v) { return Read(&v, 1); }

bool TByteCursor::U16(std::uint16_t& v) {
  unsigned char b[2];
  if (!Read(b, 2)) return false;
  v = Le16(b);
  return true;
}

bool TByteCursor::U32(std::uint32_t& v) {
  unsigned char b[4];
  if (!Read(b, 4)) return false;
  v = Le32(b);
  return true;
}

bool TByteCursor::U64(std::uint64_t& v) {
  unsigned char b[8];
  if (!Read(b, 8)) return false;
  v = Le64(b);
  return true;
}

std::optional<std::string> TByteCursor::Bytes(std::size_t count) {
  if (count > Remaining()) {
    pos_ = std::max(pos_, size_);
    return std::nullopt;
  }
  std::string s(count, '\0');
  if (!Read(s.data(), count)) return std::nullopt;
  return s;
}

}  // namespace tessaly::archives
