// Which archive a file is, by its name: the reader that lists it, the flag
// that enables it and whether its member data can be read.
#pragma once

#include <string>

#include "archives/ArchiveMember.h"
#include "archives/ByteSource.h"
#include "archives/LibArchive.h"
#include "engine/SearchCriteria.h"

namespace tessaly::archives {

// A member reader: walks one archive held in `source` and hands its members
// to `sink`; returns at once when its format flag in `criteria` is clear.
using TArchiveReader = void (*)(const engine::SearchCriteria& criteria, TByteSource& source, TMemberSink& sink);

// How a content search reaches the members' data.
enum class MemberData {
  None,  // nothing here decodes the format (ACE, ARJ, ZOO, ARC)
  Any,     // libarchive reads the data
  Single,  // a single compressed file (or a tarball behind the same suffix)
  Sfx,   // the archive appended to a program, then as its own kind
};

struct TArchiveKind {
  const char* extension;  // lower case, with its dot
  engine::ArchiveFormat format;
  TArchiveReader reader;
  MemberData data;
};

// The kind of `path` by the longest known suffix of its file name, lower-
// cased: the nine formats of our own readers (".zip", ".cab", ".tar" (whose
// compressed bytes go to libarchive), ".rar", ".ace", ".arj", ".lzh",
// ".zoo", ".arc"), compressed tarballs (".tar.gz", ".tgz", ".tar.bz2",
// ".tbz", ".tbz2", ".tar.xz", ".txz", ".tar.lzma", ".tar.lz", ".tar.zst",
// ".tzst", ".tar.z", ".taz") and ".cpio" under the Tar flag, ".7z", ".iso",
// single compressed files (".gz", ".bz2", ".xz", ".lzma", ".lz", ".zst",
// ".z") under Gz, and ".exe" under Sfx. Nothing for any other name, or a
// name that is its suffix alone.
const TArchiveKind* ArchiveKindOf(const std::string& path);

// True when `source` starts as a gzip, bzip2, xz, lzma, lzip, zstd or
// compress stream does.
bool IsCompressedStream(TByteSource& source);

}  // namespace tessaly::archives
