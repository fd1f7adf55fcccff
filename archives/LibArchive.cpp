// The libarchive wrapper: our byte source behind libarchive's read, skip
// and seek callbacks, the formats of each family, and the listing.
#include "archives/LibArchive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <clocale>
#include <locale.h>
#include <cstring>
#include <vector>

#include "archives/ArchiveLimits.h"

namespace tessaly::archives {

struct TLibArchive::Callbacks {
  static constexpr std::size_t kPiece = 64 * 1024;
  // After a seek reads start small and double: a seekable format jumping
  // from header to header of small members would otherwise read a whole
  // piece for each.
  static constexpr std::size_t kFirstPiece = 4 * 1024;
  std::size_t next = kPiece;
  TByteSource* source = nullptr;
  const std::atomic<bool>* stop = nullptr;
  std::uint64_t position = 0;
  bool stopped = false;
  std::vector<char> buffer = std::vector<char>(kPiece);

  bool StopAsked() {
    if (stop && stop->load(std::memory_order_relaxed)) stopped = true;
    return stopped;
  }

  static la_ssize_t Read(::archive* a, void* data, const void** out) {
    auto* self = static_cast<Callbacks*>(data);
    if (self->StopAsked()) {
      archive_set_error(a, ECANCELED, "stopped");
      return -1;
    }
    const std::size_t n = self->source->ReadAt(self->position, self->buffer.data(), self->next);
    self->next = std::min(self->next * 2, kPiece);
    self->position += n;
    *out = self->buffer.data();
    return static_cast<la_ssize_t>(n);
  }

  static la_int64_t Skip(::archive*, void* data, la_int64_t request) {
    auto* self = static_cast<Callbacks*>(data);
    const std::uint64_t size = self->source->Size();
    if (request <= 0 || self->position >= size) return 0;
    const std::uint64_t step = std::min<std::uint64_t>(static_cast<std::uint64_t>(request), size - self->position);
    self->position += step;
    return static_cast<la_int64_t>(step);
  }

  static la_int64_t Seek(::archive*, void* data, la_int64_t offset, int whence) {
    auto* self = static_cast<Callbacks*>(data);
    const auto size = static_cast<la_int64_t>(self->source->Size());
    la_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<la_int64_t>(self->position) : size;
    if ((offset > 0 && base > INT64_MAX - offset)) return ARCHIVE_FATAL;
    const la_int64_t target = base + offset;
    if (target < 0) return ARCHIVE_FATAL;
    self->position = static_cast<std::uint64_t>(std::min(target, size));
    self->next = kFirstPiece;
    return static_cast<la_int64_t>(self->position);
  }
};

namespace {

void EnableCompressions(::archive* a) {
  archive_read_support_filter_gzip(a);
  archive_read_support_filter_bzip2(a);
  archive_read_support_filter_xz(a);
  archive_read_support_filter_lzma(a);
  archive_read_support_filter_lzip(a);
  archive_read_support_filter_zstd(a);
  archive_read_support_filter_compress(a);
}

void EnableFamily(::archive* a, LibFamily family) {
  switch (family) {
    case LibFamily::Tarball:
      EnableCompressions(a);
      archive_read_support_format_tar(a);
      archive_read_support_format_gnutar(a);
      break;
    case LibFamily::SevenZip:
      archive_read_support_format_7zip(a);
      break;
    case LibFamily::Iso:
      archive_read_support_format_iso9660(a);
      break;
    case LibFamily::Cpio:
      EnableCompressions(a);
      archive_read_support_format_cpio(a);
      break;
    case LibFamily::Single:
      EnableCompressions(a);
      archive_read_support_format_tar(a);
      archive_read_support_format_gnutar(a);
      archive_read_support_format_cpio(a);
      archive_read_support_format_raw(a);
      break;
    case LibFamily::Members:
      EnableCompressions(a);
      archive_read_support_format_tar(a);
      archive_read_support_format_gnutar(a);
      archive_read_support_format_cpio(a);
      archive_read_support_format_7zip(a);
      archive_read_support_format_iso9660(a);
      archive_read_support_format_zip(a);
      archive_read_support_format_rar(a);
      archive_read_support_format_rar5(a);
      archive_read_support_format_cab(a);
      archive_read_support_format_lha(a);
      break;
  }
}

bool Contains(const char* text, const char* part) { return text && std::strstr(text, part); }

// libarchive converts names to the thread's character set: in the C locale
// a 7-Zip or ISO name beyond ASCII converts to nothing. Every call into it
// runs with a UTF-8 character set on this thread, whatever the process's
// locale, and the thread's own locale comes back afterwards.
class Utf8Names {
 public:
  Utf8Names() {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (utf8) previous_ = uselocale(utf8);
  }
  ~Utf8Names() {
    if (previous_) uselocale(previous_);
  }
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;

 private:
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

}  // namespace

TLibArchive::TLibArchive(TByteSource& source, LibFamily family, const std::atomic<bool>* stop)
    : state_(std::make_unique<Callbacks>()) {
  const Utf8Names names;
  state_->source = &source;
  state_->stop = stop;
  archive_ = archive_read_new();
  if (!archive_) {
    fault_ = LibFault::Damaged;
    return;
  }
  EnableFamily(archive_, family);
  archive_read_set_read_callback(archive_, &Callbacks::Read);
  archive_read_set_skip_callback(archive_, &Callbacks::Skip);
  archive_read_set_seek_callback(archive_, &Callbacks::Seek);
  archive_read_set_callback_data(archive_, state_.get());
  // No "hdrcharset" option: a cpio name that does not convert makes
  // libarchive 3.6 copy a null name. Names come as stored and are decoded
  // by MemberNameText (UTF-8 where valid, else Windows-1252).
  if (archive_read_open1(archive_) != ARCHIVE_OK) {
    fault_ = FaultOfError();
    return;
  }
  opened_ = true;
}

TLibArchive::~TLibArchive() {
  const Utf8Names names;
  if (archive_) archive_read_free(archive_);
}

LibFault TLibArchive::FaultOfError() const {
  if (state_->stopped) return LibFault::Stopped;
  const char* text = archive_error_string(archive_);
  if (Contains(text, "ncrypt") || Contains(text, "assword") || Contains(text, "passphrase"))
    return LibFault::PasswordRequired;
  if (Contains(text, "nsupported") || Contains(text, "not supported")) return LibFault::NotSupported;
  return LibFault::Damaged;
}

bool TLibArchive::Uncompressed() const {
  if (!opened_) return true;
  const int count = archive_filter_count(archive_);
  for (int i = 0; i < count; ++i)
    if (archive_filter_code(archive_, i) != ARCHIVE_FILTER_NONE) return false;
  return true;
}

bool TLibArchive::Raw() const { return opened_ && archive_format(archive_) == ARCHIVE_FORMAT_RAW; }

bool TLibArchive::Next(LibEntry& entry) {
  if (!opened_ || fault_ != LibFault::None) return false;
  const Utf8Names names;
  ::archive_entry* e = nullptr;
  int r = archive_read_next_header(archive_, &e);
  if (r == ARCHIVE_EOF) return false;
  if (r == ARCHIVE_RETRY) r = archive_read_next_header(archive_, &e);
  if (r < ARCHIVE_WARN || !e) {
    fault_ = FaultOfError();
    return false;
  }
  const char* raw = archive_entry_pathname(e);
  if (!raw) raw = archive_entry_pathname_utf8(e);
  entry.name = MemberNameText(raw ? raw : "");
  entry.folder = archive_entry_filetype(e) == AE_IFDIR;
  if (entry.folder && !entry.name.empty() && entry.name.back() != '/') entry.name += '/';
  entry.size.reset();
  if (!entry.folder && archive_entry_size_is_set(e) && archive_entry_size(e) >= 0)
    entry.size = static_cast<std::uint64_t>(archive_entry_size(e));
  entry.encrypted = archive_entry_is_data_encrypted(e) != 0;
  return true;
}

LibFault TLibArchive::ReadData(std::string& out, std::uint64_t limit) {
  out.clear();
  if (!opened_) return LibFault::Damaged;
  const Utf8Names names;
  const std::uint64_t start = state_->position;
  char piece[Callbacks::kPiece];
  while (true) {
    const la_ssize_t n = archive_read_data(archive_, piece, sizeof piece);
    if (n == 0) return LibFault::None;
    if (n < 0) {
      if (n == ARCHIVE_RETRY) continue;
      const LibFault fault = FaultOfError();
      // A read past a damaged member leaves the archive unusable.
      if (n < ARCHIVE_WARN) fault_ = fault;
      return fault;
    }
    dataRead_ += static_cast<std::uint64_t>(n);
    if (out.size() + static_cast<std::size_t>(n) > limit) return LibFault::TooLarge;
    out.append(piece, static_cast<std::size_t>(n));
    const std::uint64_t packed = std::max<std::uint64_t>(state_->position - start, 1);
    if (out.size() > kBombFloor && out.size() / packed > kBombRatio) return LibFault::TooLarge;
    if (state_->StopAsked()) return LibFault::Stopped;
  }
}

std::optional<std::uint64_t> TLibArchive::CountData() {
  if (!opened_) return std::nullopt;
  const Utf8Names names;
  std::uint64_t total = 0;
  char piece[Callbacks::kPiece];
  while (true) {
    const la_ssize_t n = archive_read_data(archive_, piece, sizeof piece);
    if (n == 0) return total;
    if (n == ARCHIVE_RETRY) continue;
    if (n < 0) {
      fault_ = FaultOfError();
      return std::nullopt;
    }
    total += static_cast<std::uint64_t>(n);
  }
}

std::optional<std::string> GzipStoredName(TByteSource& source) {
  unsigned char h[10];
  if (source.ReadAt(0, h, sizeof h) != sizeof h || h[0] != 0x1F || h[1] != 0x8B) return std::nullopt;
  const unsigned flags = h[3];
  if (!(flags & 0x08)) return std::nullopt;
  TByteCursor c(source, 10);
  if (flags & 0x04) {
    std::uint16_t extra = 0;
    if (!c.U16(extra)) return std::nullopt;
    c.Skip(extra);
  }
  std::string name;
  std::uint8_t b = 0;
  while (c.U8(b) && b != 0) {
    if (name.size() >= 4096) return std::nullopt;
    name += static_cast<char>(b);
  }
  if (b != 0 || name.empty()) return std::nullopt;
  // Only the last part: a stored name is a file name, never a path to follow.
  std::string shown = MemberNameText(name);
  const std::size_t slash = shown.find_last_of('/');
  if (slash != std::string::npos) shown = shown.substr(slash + 1);
  if (shown.empty()) return std::nullopt;
  return shown;
}

std::optional<std::uint64_t> StatedSingleSize(TByteSource& source) {
  const std::uint64_t size = source.Size();
  unsigned char head[18] = {};
  const std::size_t got = source.ReadAt(0, head, sizeof head);
  if (got >= 2 && head[0] == 0x1F && head[1] == 0x8B && size >= 18) {
    unsigned char tail[4];
    if (source.ReadAt(size - 4, tail, 4) == 4) return Le32(tail);
  }
  if (got >= 6 && Le32(head) == 0xFD2FB528u) {
    // zstd frame header: descriptor, optional window byte, dictionary id, content size.
    const unsigned d = head[4];
    const unsigned sizeField = d >> 6, single = (d >> 5) & 1, dictField = d & 3;
    const std::size_t at = 5 + (single ? 0 : 1) + (dictField == 3 ? 4 : dictField);
    const std::size_t width = sizeField == 0 ? (single ? 1 : 0) : sizeField == 1 ? 2 : sizeField == 2 ? 4 : 8;
    if (width == 0 || at + width > got) return std::nullopt;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i) v |= static_cast<std::uint64_t>(head[at + i]) << (8 * i);
    return width == 2 ? v + 256 : v;
  }
  if (got >= 6 && std::memcmp(head, "LZIP", 4) == 0 && size >= 26) {
    unsigned char trailer[8];
    if (source.ReadAt(size - 16, trailer, 8) == 8) return Le64(trailer);
  }
  if (got >= 13 && head[0] == 0x5D && head[1] == 0 && head[2] == 0) {
    const std::uint64_t v = Le64(head + 5);
    if (v != UINT64_MAX) return v;
  }
  return std::nullopt;
}

namespace {

// The source's file name without its directory and its last suffix.
std::string NameWithoutSuffix(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return MemberNameText(name);
}

}  // namespace

void ListLibArchive(const engine::SearchCriteria& criteria, TByteSource& source, LibFamily family,
                    TMemberSink& sink) {
  if (source.Size() == 0) return;
  TLibArchive archive(source, family);
  LibEntry entry;
  bool any = false;
  while (archive.Next(entry)) {
    any = true;
    if (archive.Raw()) {
      // A single compressed file: one member, named and sized as the format allows.
      if (archive.Uncompressed()) return source.NoteNotOfFormat();
      const std::string name = GzipStoredName(source).value_or(NameWithoutSuffix(source.Name()));
      std::optional<std::uint64_t> size = StatedSingleSize(source);
      if (!size) size = archive.CountData();
      if (!size) break;
      sink.Member(name, MemberSizeText(*size));
      return;
    }
    if (entry.name.empty() || entry.name == "./") continue;
    if (entry.folder) {
      if (criteria.listFolders) sink.Member(entry.name, kFolderSizeText);
    } else {
      sink.Member(entry.name, MemberSizeText(entry.size.value_or(0)));
    }
  }
  switch (archive.Fault()) {
    case LibFault::None:
    case LibFault::Stopped:
      return;
    case LibFault::PasswordRequired:
      return source.NotePasswordRequired();
    default:
      return any ? source.NoteCutShort() : source.NoteNotOfFormat();
  }
}

}  // namespace tessaly::archives
