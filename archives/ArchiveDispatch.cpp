// The dispatcher. Each archive is read once per dispatch: while its reader
// walks the headers, every member is tested against all pattern entries and
// kept only when one matches; the kept members are then offered entry by
// entry, which gives the rows in the same order as walking the archive once
// per entry would, without reading it again for each entry.
#include "archives/ArchiveDispatch.h"

#include <exception>
#include <memory>
#include <optional>
#include <vector>

#include "archives/ArchiveKinds.h"
#include "archives/MemberMatch.h"
#include "archives/MemberText.h"
#include "engine/ContentConditions.h"

namespace tessaly::archives {

namespace {

// Thrown by the sink to end a walk once the search was stopped.
struct SearchStopped {};

// Tests each member against the valid pattern entries and keeps those that
// match one. `firstInvalid` is the error of the first invalid entry, which
// the first member raises when that entry is the first one.
class MatchingSink : public TMemberSink {
 public:
  struct Kept {
    std::string name;
    std::string sizeText;
    std::vector<std::uint32_t> entries;  // indices of the matching entries
  };

  MatchingSink(const engine::SearchContext& context, const std::vector<TMemberMask>& masks,
               std::exception_ptr firstInvalid)
      : context_(context), masks_(masks), firstInvalid_(std::move(firstInvalid)) {}

  void Member(const std::string& name, const std::string& sizeText) override {
    if (context_.Stopped()) throw SearchStopped{};
    ++count;
    if (masks_.empty() && firstInvalid_) std::rethrow_exception(firstInvalid_);
    Kept k;
    for (std::uint32_t i = 0; i < masks_.size(); ++i)
      if (masks_[i].Matches(name)) k.entries.push_back(i);
    if (k.entries.empty()) return;
    k.name = name;
    k.sizeText = sizeText;
    kept.push_back(std::move(k));
  }

  std::uint64_t count = 0;
  std::vector<Kept> kept;

 private:
  const engine::SearchContext& context_;
  const std::vector<TMemberMask>& masks_;
  std::exception_ptr firstInvalid_;
};

}  // namespace

TArchiveReader ReaderForPath(const std::string& archivePath) {
  const TArchiveKind* kind = ArchiveKindOf(archivePath);
  return kind ? kind->reader : nullptr;
}

std::optional<engine::UnreadableCause> DispatchArchive(engine::SearchContext& context, const std::string& archivePath,
                                                      const std::string& patternText) {
  const std::vector<std::string> entries = engine::SplitList(patternText);
  const TArchiveKind* reader = ArchiveKindOf(archivePath);
  if (!reader || entries.empty()) return std::nullopt;
  // A reader with its format off returns before opening anything.
  const engine::SearchCriteria& criteria = context.criteria;
  if (!criteria.formatEnabled(reader->format)) return std::nullopt;

  // Entries after an invalid one are never reached: the error ends the step.
  std::vector<TMemberMask> masks;
  std::exception_ptr invalid;
  for (const std::string& entry : entries) {
    try {
      masks.emplace_back(entry == "*.*" ? std::string("*") : LowerAsciiOnly(entry));
    } catch (const std::exception&) {
      invalid = std::current_exception();
      break;
    }
  }

  std::unique_ptr<TFileSource> file = TFileSource::Open(archivePath);
  if (!file) return engine::OpenProblem(archivePath);
  file->SetName(archivePath);

  // With a content text a member is listed only when its text holds it.
  if (!criteria.containsText.empty()) {
    if (masks.empty() && invalid) std::rethrow_exception(invalid);
    const std::optional<engine::UnreadableCause> cause = SearchMemberText(context, *file, *reader, archivePath, masks);
    if (invalid) std::rethrow_exception(invalid);
    if (cause) return cause;
    if (file->PasswordRequired()) return engine::UnreadableCause::PasswordRequired;
    if (file->Size() > 0 && (file->CutShort() || file->NotOfFormat())) return engine::UnreadableCause::Damaged;
    return std::nullopt;
  }

  MatchingSink sink(context, masks, invalid);
  std::exception_ptr readError;
  try {
    reader->reader(criteria, *file, sink);
  } catch (const SearchStopped&) {
    return std::nullopt;
  } catch (...) {
    readError = std::current_exception();
  }
  // An empty file holds nothing to miss.
  const bool damaged = file->Size() > 0 && (file->CutShort() || file->NotOfFormat());
  const bool locked = file->PasswordRequired();
  file.reset();
  if (readError) context.NoteUnreadable(archivePath, engine::UnreadableCause::Damaged);

  for (std::uint32_t i = 0; i < masks.size(); ++i) {
    for (const MatchingSink::Kept& k : sink.kept) {
      if (context.Stopped()) return std::nullopt;
      for (const std::uint32_t e : k.entries)
        if (e == i) {
          context.AddHit(engine::ItemData{k.name, k.sizeText, archivePath});
          break;
        }
    }
    // A reader's error struck while the first entry's members were offered.
    if (readError) std::rethrow_exception(readError);
  }
  if (readError) std::rethrow_exception(readError);
  if (invalid && sink.count > 0) std::rethrow_exception(invalid);
  if (locked) return engine::UnreadableCause::PasswordRequired;
  if (damaged) return engine::UnreadableCause::Damaged;
  return std::nullopt;
}

void OfferMember(engine::SearchContext& context, const std::string& name, const std::string& sizeText,
                 const std::string& archivePath, const std::string& pattern) {
  std::string shown = name;
  for (char& ch : shown)
    if (ch == '\\') ch = '/';
  if (!MemberNameMatches(LowerAsciiOnly(shown), LowerAsciiOnly(pattern))) return;
  context.AddHit(engine::ItemData{shown, sizeText, archivePath});
}

}  // namespace tessaly::archives
