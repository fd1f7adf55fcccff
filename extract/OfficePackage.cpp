// The package opener: libzip for the container, the member table, and the
// inflated-bytes budget and ratio guard applied while a part streams into
// the XML reader.
#include "extract/OfficePackage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <optional>
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

std::uint32_t At16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}
std::uint32_t At32(std::string_view bytes, std::size_t at) { return At16(bytes, at) | At16(bytes, at + 2) << 16; }
void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// The bytes of a ZIP file cut short (its directory, which comes last, is
// gone) followed by a directory rebuilt from the members' local headers:
// every member whose header is whole, the one cut last with the bytes that
// remain of it. Stops at a member whose size its header does not give (a
// data descriptor follows it) or that needs the 64-bit extension. Empty
// when no member is left.
std::string WithRebuiltDirectory(std::string_view bytes) {
  std::string directory;
  std::size_t at = 0, end = 0, count = 0;
  while (at + 30 <= bytes.size() && bytes.substr(at, 4) == std::string_view("PK\3\4", 4) &&
         count < kMaxPackageMembers) {
    const std::uint32_t flags = At16(bytes, at + 6);
    const std::uint32_t packed = At32(bytes, at + 18);
    const std::uint32_t nameSize = At16(bytes, at + 26);
    const std::size_t data = at + 30 + nameSize + At16(bytes, at + 28);
    if (data > bytes.size() || ((flags & 8) && packed == 0) || packed == 0xFFFFFFFF) break;
    const std::size_t left = bytes.size() - data;
    const std::uint32_t kept = packed <= left ? packed : static_cast<std::uint32_t>(left);
    Put32(directory, 0x02014b50);
    Put16(directory, 20);                        // made by
    directory.append(bytes.substr(at + 4, 14));  // version needed, flags, method, time, date, CRC
    Put32(directory, kept);
    Put32(directory, At32(bytes, at + 22));  // inflated size
    Put16(directory, nameSize);
    Put16(directory, 0);  // extra
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, 0);  // external attributes
    Put32(directory, static_cast<std::uint32_t>(at));
    directory.append(bytes.substr(at + 30, nameSize));
    ++count;
    end = data + kept;
    if (kept < packed) break;
    at = end;
  }
  if (count == 0) return {};
  std::string rebuilt(bytes.substr(0, end));
  const std::uint32_t offset = static_cast<std::uint32_t>(rebuilt.size());
  rebuilt += directory;
  Put32(rebuilt, 0x06054b50);
  Put16(rebuilt, 0);
  Put16(rebuilt, 0);
  Put16(rebuilt, static_cast<std::uint32_t>(count));
  Put16(rebuilt, static_cast<std::uint32_t>(count));
  Put32(rebuilt, static_cast<std::uint32_t>(directory.size()));
  Put32(rebuilt, offset);
  Put16(rebuilt, 0);
  return rebuilt;
}

// The file at `fd` whole, when it is at most kMaxRepairedPackageBytes.
std::optional<std::string> SmallFileBytes(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
      static_cast<std::uint64_t>(status.st_size) > kMaxRepairedPackageBytes)
    return std::nullopt;
  std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    got += static_cast<std::size_t>(n);
  }
  return bytes;
}

zip* OpenBuffer(std::string_view bytes, int* code) {
  zip_error_t error;
  zip_error_init(&error);
  zip* archive = nullptr;
  if (zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error)) {
    archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive) zip_source_free(source);
  }
  *code = zip_error_code_zip(&error);
  zip_error_fini(&error);
  return archive;
}

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
  if (archive) {
    fd.release();
  } else if (std::optional<std::string> bytes = SmallFileBytes(fd.get())) {
    archive = Repair(*bytes, error);
  }
  Open(archive, error);
}

TOfficePackage::TOfficePackage(std::string_view bytes) {
  int code = 0;
  zip* archive = OpenBuffer(bytes, &code);
  if (!archive) archive = Repair(bytes, code);
  Open(archive, code);
}

zip* TOfficePackage::Repair(std::string_view bytes, int error) {
  if (!StartsLikePackage(bytes)) return nullptr;
  repaired_ = WithRebuiltDirectory(bytes);
  if (repaired_.empty()) return nullptr;
  int code = 0;
  zip* archive = OpenBuffer(repaired_, &code);
  if (archive)
    outcome_.Note(PackageStatus::Damaged, "not a whole ZIP package (" + ZipErrorText(error) +
                                              "): read from the members' own headers");
  return archive;
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

std::optional<std::string> TOfficePackage::ReadSmall(std::string_view name, std::size_t limit) {
  if (exhausted_ || !archive_) return std::nullopt;
  const auto found = index_.find(Lower(name));
  if (found == index_.end()) return std::nullopt;
  TMember member(archive_, found->second);
  if (!member.get()) return std::nullopt;
  if (limit > kReadPiece) limit = kReadPiece;
  if (xmlBytes_ + limit > kMaxPackageXmlBytes) return std::nullopt;
  std::string bytes;
  while (bytes.size() < limit) {
    const zip_int64_t got = zip_fread(member.get(), buffer_.get(), limit - bytes.size());
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    bytes.append(buffer_.get(), static_cast<std::size_t>(got));
  }
  xmlBytes_ += bytes.size();
  return bytes;
}

bool TOfficePackage::ReadXml(std::string_view name, TXmlHandler& handler, XmlDialect dialect) {
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
  TXmlReader reader(handler, part, dialect);
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
