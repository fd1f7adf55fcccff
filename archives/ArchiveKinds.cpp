// The table of archive kinds by file name, and the readers of the formats
// listed through libarchive or found behind a program.
#include "archives/ArchiveKinds.h"

#include <cstring>
#include <string_view>

#include "archives/AceReader.h"
#include "archives/ArcReader.h"
#include "archives/ArjReader.h"
#include "archives/CabReader.h"
#include "archives/LzhReader.h"
#include "archives/MemberMatch.h"
#include "archives/RarReader.h"
#include "archives/SfxLocator.h"
#include "archives/TarReader.h"
#include "archives/ZipReader.h"
#include "archives/ZooReader.h"

namespace tessaly::archives {

namespace {

using engine::ArchiveFormat;

// Readers of the formats libarchive lists, by the flag that enables them.
template <ArchiveFormat F, LibFamily Family>
void ReadWithLibArchive(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (criteria.formatEnabled(F)) ListLibArchive(criteria, source, Family, sink);
}

// A `.tar` whose bytes are compressed is a compressed tarball; any other
// goes to our own TAR reader.
void ReadTarOrTarball(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(ArchiveFormat::Tar)) return;
  if (IsCompressedStream(source)) return ListLibArchive(criteria, source, LibFamily::Tarball, sink);
  ReadTarMembers(criteria, source, sink);
}

// A program with an archive appended: the archive's bytes go to its reader.
void ReadSfxMembers(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink) {
  if (!criteria.formatEnabled(ArchiveFormat::Sfx)) return;
  const std::optional<SfxArchive> found = FindAppendedArchive(source);
  if (!found) return;
  TSliceSource slice(source, found->offset);
  engine::SearchCriteria inner = criteria;
  inner.archiveFormats[static_cast<int>(ArchiveFormat::Zip)] = true;
  inner.archiveFormats[static_cast<int>(ArchiveFormat::Rar)] = true;
  switch (found->kind) {
    case SfxKind::Zip: return ReadZipMembers(inner, slice, sink);
    case SfxKind::Rar: return ReadRarMembers(inner, slice, sink);
    case SfxKind::SevenZip: return ListLibArchive(criteria, slice, LibFamily::SevenZip, sink);
  }
}

// Suffixes of two parts come before the single suffix they end with.
constexpr TArchiveKind kKinds[] = {
    {".zip", ArchiveFormat::Zip, ReadZipMembers, MemberData::Any},
    {".cab", ArchiveFormat::Cab, ReadCabMembers, MemberData::Any},
    {".tar", ArchiveFormat::Tar, ReadTarOrTarball, MemberData::Any},
    {".rar", ArchiveFormat::Rar, ReadRarMembers, MemberData::Any},
    {".ace", ArchiveFormat::Ace, ReadAceMembers, MemberData::None},
    {".arj", ArchiveFormat::Arj, ReadArjMembers, MemberData::None},
    {".lzh", ArchiveFormat::Lzh, ReadLzhMembers, MemberData::Any},
    {".zoo", ArchiveFormat::Zoo, ReadZooMembers, MemberData::None},
    {".arc", ArchiveFormat::Arc, ReadArcMembers, MemberData::None},
    {".tar.gz", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tar.bz2", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tar.xz", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tar.lzma", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tar.lz", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tar.zst", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tar.z", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tgz", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tbz", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tbz2", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".txz", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".tzst", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".taz", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Tarball>, MemberData::Any},
    {".cpio", ArchiveFormat::Tar, ReadWithLibArchive<ArchiveFormat::Tar, LibFamily::Cpio>, MemberData::Any},
    {".7z", ArchiveFormat::SevenZip, ReadWithLibArchive<ArchiveFormat::SevenZip, LibFamily::SevenZip>,
     MemberData::Any},
    {".iso", ArchiveFormat::Iso, ReadWithLibArchive<ArchiveFormat::Iso, LibFamily::Iso>, MemberData::Any},
    {".gz", ArchiveFormat::Gz, ReadWithLibArchive<ArchiveFormat::Gz, LibFamily::Single>, MemberData::Single},
    {".bz2", ArchiveFormat::Gz, ReadWithLibArchive<ArchiveFormat::Gz, LibFamily::Single>, MemberData::Single},
    {".xz", ArchiveFormat::Gz, ReadWithLibArchive<ArchiveFormat::Gz, LibFamily::Single>, MemberData::Single},
    {".lzma", ArchiveFormat::Gz, ReadWithLibArchive<ArchiveFormat::Gz, LibFamily::Single>, MemberData::Single},
    {".lz", ArchiveFormat::Gz, ReadWithLibArchive<ArchiveFormat::Gz, LibFamily::Single>, MemberData::Single},
    {".zst", ArchiveFormat::Gz, ReadWithLibArchive<ArchiveFormat::Gz, LibFamily::Single>, MemberData::Single},
    {".z", ArchiveFormat::Gz, ReadWithLibArchive<ArchiveFormat::Gz, LibFamily::Single>, MemberData::Single},
    {".exe", ArchiveFormat::Sfx, ReadSfxMembers, MemberData::Sfx},
};

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

const TArchiveKind* ArchiveKindOf(const std::string& archivePath) {
  // Only the name counts: a folder called `x.tar` holds no `.gz` archive.
  const std::string name = LowerAsciiOnly(archivePath.substr(archivePath.find_last_of('/') + 1));
  const TArchiveKind* best = nullptr;
  for (const auto& entry : kKinds)
    if (EndsWith(name, entry.extension) && (!best || std::strlen(entry.extension) > std::strlen(best->extension)))
      best = &entry;
  return best;
}

bool IsCompressedStream(TByteSource& source) {
  unsigned char h[6] = {};
  const std::size_t n = source.ReadAt(0, h, sizeof h);
  if (n >= 2 && h[0] == 0x1F && (h[1] == 0x8B || h[1] == 0x9D)) return true;  // gzip, compress
  if (n >= 3 && std::memcmp(h, "BZh", 3) == 0) return true;
  if (n >= 6 && std::memcmp(h, "\xFD" "7zXZ\0", 6) == 0) return true;
  if (n >= 4 && Le32(h) == 0xFD2FB528u) return true;  // zstd
  if (n >= 4 && std::memcmp(h, "LZIP", 4) == 0) return true;
  return n >= 3 && h[0] == 0x5D && h[1] == 0 && h[2] == 0;  // lzma
}


}  // namespace tessaly::archives
