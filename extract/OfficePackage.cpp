// The package opener: libzip for the container, the member table, and the
// inflated-bytes budget and ratio guard applied while a part streams into
// the XML reader.
#include "extract/OfficePackage.h"

#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "extract/XmlReader.h"

namespace tessaly::extract {
namespace {

constexpr std::size_t kReadPiece = 64 * 1024;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return lower;
}

std::string ZipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

// Closes a descriptor unless libzip took it.
class TDescriptor {
 public:
  explicit TDescriptor(int fd) : fd_(fd) {}
  ~TDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  TDescriptor(const TDescriptor&) = delete;
  TDescriptor& operator=(const TDescriptor&) = delete;
  int get() const { return fd_; }
  void release() { fd_ = -1; }

 private:
  int fd_;
};

// One member opened for reading, closed on every path.
class TMember {
 public:
  TMember(zip* archive, std::uint64_t index) : file_(zip_fopen_index(archive, index, 0)) {}
  ~TMember() {
    if (file_) zip_fclose(file_);
  }
  TMember(const TMember&) = delete;
  TMember& operator=(const TMember&) = delete;
  zip_file_t* get() const { return file_; }

 private:
  zip_file_t* file_;
};

}  // namespace

bool StartsLikePackage(std::string_view bytes) { return bytes.substr(0, 4) == std::string_view("PK\3\4", 4); }

bool LooksLikePackage(const std::string& path) {
  TDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw std::system_error(errno, std::generic_category(), "Cannot open file \"" + path + "\"");
  char head[4];
  std::size_t got = 0;
  while (got < sizeof head) {
    const ssize_t n = ::read(fd.get(), head + got, sizeof head - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw std::system_error(errno, std::generic_category(), "Cannot read file \"" + path + "\"");
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return StartsLikePackage(std::string_view(head, got));
}

TOfficePackage::TOfficePackage(const std::string& path) {
  TDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw std::system_error(errno, std::generic_category(), "Cannot open file \"" + path + "\"");
  int error = 0;
  // zip_fdopen closes the descriptor with the archive once it succeeds.
  zip* archive = zip_fdopen(fd.get(), ZIP_RDONLY, &error);
  if (archive) fd.release();
  Open(archive, error);
}

TOfficePackage::TOfficePackage(std::string_view bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip* archive = nullptr;
  if (zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error)) {
    archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive) zip_source_free(source);
  }
  const int code = zip_error_code_zip(&error);
  zip_error_fini(&error);
  Open(archive, code);
}

TOfficePackage::~TOfficePackage() {
  if (archive_) zip_discard(archive_);
}

void TOfficePackage::Open(zip* archive, int error) {
  archive_ = archive;
  if (!archive_) {
    outcome_.Note(PackageStatus::Damaged, "not a readable ZIP package (" + ZipErrorText(error) + ")");
    return;
  }
  const zip_int64_t count = zip_get_num_entries(archive_, 0);
  if (count < 0 || static_cast<std::uint64_t>(count) > kMaxPackageMembers) {
    outcome_.Note(PackageStatus::TooLarge, "more than " + std::to_string(kMaxPackageMembers) + " members");
    zip_discard(archive_);
    archive_ = nullptr;
    return;
  }
  names_.reserve(static_cast<std::size_t>(count));
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (!name) continue;
    names_.emplace_back(name);
    index_.emplace(Lower(name), static_cast<std::uint64_t>(i));  // the first of equal names wins
  }
  buffer_.reset(new char[kReadPiece]);
}

bool TOfficePackage::Has(std::string_view name) const { return index_.count(Lower(name)) != 0; }

bool TOfficePackage::ReadXml(std::string_view name, TXmlHandler& handler) {
  if (exhausted_ || !archive_) return false;
  const auto found = index_.find(Lower(name));
  if (found == index_.end()) return false;
  const std::string part(name);
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive_, found->second, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_COMP_SIZE)) {
    outcome_.Note(PackageStatus::Damaged, part + ": " + zip_strerror(archive_));
    return true;
  }
  TMember member(archive_, found->second);
  if (!member.get()) {
    outcome_.Note(PackageStatus::Damaged, part + ": " + zip_strerror(archive_));
    return true;
  }
  // The ratio is taken over the larger of the declared size and what has
  // inflated so far: a bomb that states its size ends before any work, one
  // that understates it once it has inflated past the floor.
  const std::uint64_t packed = stat.comp_size > 0 ? stat.comp_size : 1;
  const std::uint64_t declared = (stat.valid & ZIP_STAT_SIZE) ? stat.size : 0;
  auto bomb = [&](std::uint64_t inflated) {
    const std::uint64_t size = inflated > declared ? inflated : declared;
    return size > kRatioCheckFloor && size / packed > kMaxCompressionRatio;
  };
  TXmlReader reader(handler, part);
  std::uint64_t inflated = 0;
  while (true) {
    if (bomb(inflated)) {
      outcome_.Note(PackageStatus::TooLarge, part + ": inflates to more than " +
                                                 std::to_string(kMaxCompressionRatio) +
                                                 " times its compressed size (a package bomb)");
      break;
    }
    const zip_int64_t got = zip_fread(member.get(), buffer_.get(), kReadPiece);
    if (got < 0) {
      outcome_.Note(PackageStatus::Damaged, part + ": " + zip_file_strerror(member.get()));
      break;
    }
    if (got == 0) {
      reader.Finish();
      break;
    }
    std::size_t size = static_cast<std::size_t>(got);
    inflated += size;
    const bool overBudget = xmlBytes_ + size > kMaxPackageXmlBytes;
    if (overBudget) size = static_cast<std::size_t>(kMaxPackageXmlBytes - xmlBytes_);
    xmlBytes_ += size;
    if (!reader.Feed(buffer_.get(), size)) break;
    if (overBudget) {
      exhausted_ = true;
      outcome_.Note(PackageStatus::TooLarge,
                    part + ": the document holds more than " + std::to_string(kMaxPackageXmlBytes >> 20) +
                        " MiB of XML");
      break;
    }
  }
  outcome_.Note(reader.Outcome().status, reader.Outcome().fault);
  return true;
}

}  // namespace tessaly::extract
