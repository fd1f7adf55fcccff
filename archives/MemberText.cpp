// Member text search: one libarchive walk over the archive's data, paired
// with the listing's rows, each wanted member read into memory (within the
// limits) and tested as a document, inner archives walked in turn.
#include "archives/MemberText.h"

#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "archives/ArchiveLimits.h"
#include "archives/LibArchive.h"
#include "archives/SfxLocator.h"
#include "engine/ContentConditions.h"
#include "engine/DocumentSource.h"

namespace tessaly::archives {

namespace {

using engine::UnreadableCause;

// The listing of one archive, looked up by name in archive order.
class ListingIndex : public TMemberSink {
 public:
  void Member(const std::string& name, const std::string& sizeText) override {
    byName_[name].push_back(rows_.size());
    rows_.push_back({name, sizeText});
  }
  // The row of the next listed member called `name` after the one paired
  // last; nothing when there is none.
  const TMemberCollector::Entry* Pair(const std::string& name) {
    auto it = byName_.find(name);
    if (it == byName_.end()) return nullptr;
    for (const std::size_t index : it->second)
      if (index >= next_) {
        next_ = index + 1;
        return &rows_[index];
      }
    return nullptr;
  }
  bool Empty() const { return rows_.empty(); }
  const std::string& First() const { return rows_.front().name; }

 private:
  std::vector<TMemberCollector::Entry> rows_;
  std::unordered_map<std::string, std::vector<std::size_t>> byName_;
  std::size_t next_ = 0;
};

std::optional<UnreadableCause> CauseOf(LibFault fault) {
  switch (fault) {
    case LibFault::None:
    case LibFault::Stopped: return std::nullopt;
    case LibFault::Damaged: return UnreadableCause::Damaged;
    case LibFault::PasswordRequired: return UnreadableCause::PasswordRequired;
    case LibFault::NotSupported: return UnreadableCause::NotSupported;
    case LibFault::TooLarge: return UnreadableCause::TooLarge;
  }
  return std::nullopt;
}

class MemberSearch {
 public:
  MemberSearch(engine::SearchContext& context, const std::string& archivePath, const std::vector<TMemberMask>& masks)
      : context_(context), archivePath_(archivePath), masks_(masks) {}

  // Walks one archive level; `prefix` is the path of the inner archive
  // ("" for the outer one, else ending in `/`), `depth` its level from 1.
  std::optional<UnreadableCause> Walk(TByteSource& source, const TArchiveKind& kind, const std::string& prefix,
                                      int depth) {
    if (kind.data == MemberData::None) return UnreadableCause::NotSupported;
    ListingIndex listing;
    {
      engine::SearchCriteria everything = context_.criteria;
      everything.listFolders = false;
      try {
        kind.reader(everything, source, listing);
      } catch (const std::runtime_error&) {
        // The TAR number error: the members before the bad header stay.
        source.NoteCutShort();
      }
    }
    std::optional<TSliceSource> slice;
    TByteSource* data = &source;
    if (kind.data == MemberData::Sfx) {
      const std::optional<SfxArchive> found = FindAppendedArchive(source);
      if (!found) return std::nullopt;
      data = &slice.emplace(source, found->offset);
    }
    if (listing.Empty()) return std::nullopt;

    TLibArchive archive(*data, kind.data == MemberData::Single ? LibFamily::Single : LibFamily::Members,
                        &context_.stopRequested);
    LibEntry entry;
    std::string bytes;
    while (!stopped_ && archive.Next(entry)) {
      if (context_.Stopped()) return std::nullopt;
      if (entry.folder) continue;
      // A single compressed file's one member is named by the listing.
      if (archive.Raw()) entry.name = listing.First();
      const std::string path = prefix + entry.name;
      const TArchiveKind* inner = ArchiveKindOf(entry.name);
      if (inner && !context_.criteria.formatEnabled(inner->format)) inner = nullptr;
      if (inner && depth >= kMaxNesting) {
        // Not opened: the search says so rather than miss its members silently.
        Note(path, UnreadableCause::TooLarge);
        continue;
      }
      if (!inner && !Wanted(path)) continue;
      const TMemberCollector::Entry* row = listing.Pair(entry.name);
      if (!row) {
        Note(path, UnreadableCause::Damaged);
        continue;
      }
      if (entry.encrypted) {
        Note(path, UnreadableCause::PasswordRequired);
        continue;
      }
      if (tested_ >= kMaxTestedMembers) {
        Stop(UnreadableCause::TooLarge);
        break;
      }
      ++tested_;
      if (entry.size && *entry.size > kMaxMemberBytes) {
        Note(path, UnreadableCause::TooLarge);
        continue;
      }
      const std::uint64_t left = kMaxArchiveBytes - used_;
      const std::uint64_t limit = std::min(kMaxMemberBytes, left);
      const std::uint64_t before = archive.DataRead();
      const LibFault fault = archive.ReadData(bytes, limit);
      used_ += archive.DataRead() - before;
      if (fault == LibFault::Stopped) return std::nullopt;
      // Past the archive's budget rather than the member's own limit.
      if (fault == LibFault::TooLarge && limit < kMaxMemberBytes) {
        Stop(UnreadableCause::TooLarge);
        break;
      }
      if (fault == LibFault::NotSupported) return UnreadableCause::NotSupported;
      if (fault != LibFault::None) {
        Note(path, *CauseOf(fault));
        if (archive.Fault() != LibFault::None) break;  // the archive cannot go on
        continue;
      }
      if (inner) {
        const std::string held = std::move(bytes);
        TMemorySource heldSource(held);
        heldSource.SetName(entry.name);
        if (const std::optional<UnreadableCause> cause = Walk(heldSource, *inner, path + "/", depth + 1))
          Note(path, *cause);
        if (!stopped_ && (heldSource.CutShort() || heldSource.NotOfFormat()))
          Note(path, UnreadableCause::Damaged);
        continue;
      }
      TestDocument(path, row->sizeText, std::move(bytes));
    }
    if (stopped_ || context_.Stopped()) return std::nullopt;
    switch (archive.Fault()) {
      case LibFault::None:
      case LibFault::Stopped:
      case LibFault::TooLarge:
        return std::nullopt;
      default:
        return CauseOf(archive.Fault());
    }
  }

  // The cause noted for the whole archive when a cap ended the walk.
  std::optional<UnreadableCause> capCause;

 private:
  bool Wanted(const std::string& path) const {
    for (const TMemberMask& mask : masks_)
      if (mask.Matches(path)) return true;
    return false;
  }

  void Note(const std::string& member, UnreadableCause cause) {
    context_.NoteUnreadable(archivePath_ + "/" + member, cause);
  }

  void Stop(UnreadableCause cause) {
    stopped_ = true;
    capCause = cause;
  }

  void TestDocument(const std::string& path, const std::string& sizeText, std::string bytes) {
    engine::TDocumentSource source(path, std::move(bytes));
    const engine::ReadVerdict verdict = engine::DocumentPassesContent(context_, source);
    if (verdict.match)
      context_.AddHit(engine::ItemData{path, sizeText, archivePath_});
    else if (verdict.cause)
      Note(path, *verdict.cause);
  }

  engine::SearchContext& context_;
  const std::string& archivePath_;
  const std::vector<TMemberMask>& masks_;
  std::uint64_t used_ = 0;    // member data read from this archive so far
  std::uint64_t tested_ = 0;  // members read so far
  bool stopped_ = false;      // a cap ended the walk
};

}  // namespace

std::optional<engine::UnreadableCause> SearchMemberText(engine::SearchContext& context, TByteSource& source,
                                                       const TArchiveKind& kind, const std::string& archivePath,
                                                       const std::vector<TMemberMask>& masks) {
  MemberSearch search(context, archivePath, masks);
  const std::optional<UnreadableCause> cause = search.Walk(source, kind, "", 1);
  if (search.capCause) return search.capCause;
  return cause;
}

}  // namespace tessaly::archives
