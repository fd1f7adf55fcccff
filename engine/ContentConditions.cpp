// The content test: kind, reader, matcher; or the information field.
#include "engine/ContentConditions.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

#include "engine/DocumentReader.h"
#include "engine/DocumentSource.h"
#include "engine/PatternMatcher.h"
#include "engine/PdfFieldTest.h"
#include "engine/TextMatcher.h"
#include "extract/CompoundFile.h"
#include "extract/OfficePackage.h"
#include "extract/PackageSummary.h"
#include "extract/PropertySet.h"
#include "extract/SummaryInfo.h"

namespace tessaly::engine {
namespace {

constexpr const char* kFullText = "Full-Text";

// The summary property of each field that documents other than PDF files
// carry: title, subject, author (the creator) and keywords.
std::optional<std::uint32_t> SummaryPropertyOf(const std::string& field) {
  if (field == "Title") return 2;
  if (field == "Subject") return 3;
  if (field == "Author") return 4;
  if (field == "Keywords") return 5;
  return std::nullopt;
}

// The property `id` of a compound document's summary information; nothing
// when it has none. Damage is the document's cause.
ReadVerdict CompoundFieldHolds(SearchContext& context, TDocumentSource& source, std::uint32_t id) {
  std::optional<std::string> stream;
  try {
    const extract::TCompoundFile file(source.ToolPath());
    stream = file.ReadStream(extract::kSummaryStreamName, extract::TPropertySet::kMaxStreamBytes);
  } catch (const extract::TStorageError&) {
    return ReadVerdict::Unreadable(UnreadableCause::Damaged);
  }
  if (!stream) return ReadVerdict::Miss();
  try {
    const extract::TPropertySet set(*stream, extract::kSummaryInformationFormat);
    const std::optional<extract::TPropertyValue> value = set.Read(id);
    if (value && value->text && context.matcher->MatchesField(*value->text)) return ReadVerdict::Hit();
    return ReadVerdict::Miss();
  } catch (const extract::TPropertySetError&) {
    return ReadVerdict::Unreadable(UnreadableCause::Damaged);
  }
}

// The property `id` of an office package, OpenDocument file or book.
ReadVerdict PackageFieldHolds(SearchContext& context, TDocumentSource& source, std::uint32_t id) {
  std::unique_ptr<extract::TOfficePackage> package;
  try {
    package = source.InMemory() ? std::make_unique<extract::TOfficePackage>(source.Bytes())
                                : std::make_unique<extract::TOfficePackage>(source.Name());
  } catch (const std::system_error& e) {
    return {false, CauseOfErrno(e.code().value())};
  }
  if (package->Names().empty()) return ReadVerdict::Unreadable(UnreadableCause::Damaged);
  const extract::TSummaryValues values = extract::PackageSummaryValues(*package);
  const std::optional<extract::TPropertyValue>& value = values.at(id);
  if (value && value->text && context.matcher->MatchesField(*value->text)) return ReadVerdict::Hit();
  return ReadVerdict::Miss();
}

// The text of `source` through a match sink: a hit in the text read
// before a fault is a hit all the same.
ReadVerdict TextHolds(SearchContext& context, TDocumentSource& source, const KindDecision& kind) {
  if (kind.kind == DocumentKind::Binary) return ReadVerdict::Miss();
  if (kind.kind == DocumentKind::Pdf && !context.criteria.searchPdfs) return ReadVerdict::Miss();
  const std::unique_ptr<TMatchSink> sink = context.matcher->NewSink();
  const ReadOutcome outcome = ReadDocumentText(context, source, kind, *sink);
  if (context.Stopped()) return ReadVerdict::Miss();
  // Finish first when the read ran to its end: the last line, without a
  // line end, is searched and kept too.
  if ((!outcome.stopped && sink->Finish()) || sink->Matched()) {
    ReadVerdict hit = ReadVerdict::Hit();
    if (const std::vector<TextMatch>* lines = MatchesOf(*sink)) hit.matches = *lines;
    return hit;
  }
  if (outcome.cause) return ReadVerdict::Unreadable(*outcome.cause);
  return ReadVerdict::Miss();
}

}  // namespace

std::optional<UnreadableCause> CauseOfErrno(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return UnreadableCause::PermissionDenied;
    case ENAMETOOLONG: return UnreadableCause::PathTooLong;
    case EFBIG:
    case EOVERFLOW: return UnreadableCause::TooLarge;
    case ENOENT:
    case ENOTDIR:
    case ELOOP: return std::nullopt;
    default: return UnreadableCause::Damaged;
  }
}

std::optional<UnreadableCause> OpenProblem(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    return std::nullopt;
  }
  const int error = errno;
  if (error == EACCES || error == EPERM || error == ENAMETOOLONG) return CauseOfErrno(error);
  return std::nullopt;
}

ReadVerdict DocumentFieldHolds(SearchContext& context, TDocumentSource& source, const KindDecision& kind) {
  const SearchCriteria& c = context.criteria;
  switch (kind.kind) {
    case DocumentKind::Pdf:
      if (!c.searchPdfs) return ReadVerdict::Miss();
      return PdfFieldVerdict(context, source.ToolPath(), c.contentField, c.containsText);
    case DocumentKind::WordBinary:
    case DocumentKind::ExcelBinary:
    case DocumentKind::PowerPointBinary:
      if (const std::optional<std::uint32_t> id = SummaryPropertyOf(c.contentField))
        return CompoundFieldHolds(context, source, *id);
      return ReadVerdict::Miss();
    case DocumentKind::OfficePackage:
    case DocumentKind::OpenDocument:
    case DocumentKind::Epub:
      if (const std::optional<std::uint32_t> id = SummaryPropertyOf(c.contentField))
        return PackageFieldHolds(context, source, *id);
      return ReadVerdict::Miss();
    default: return ReadVerdict::Miss();
  }
}

ReadVerdict DocumentPassesContent(SearchContext& context, TDocumentSource& source) {
  const SearchCriteria& c = context.criteria;
  if (c.containsText.empty()) return ReadVerdict::Hit();
  if (!context.matcher) context.matcher = MatcherFor(c);
  KindDecision kind;
  try {
    kind = DecideKind(source);
  } catch (const std::system_error& e) {
    return {false, CauseOfErrno(e.code().value())};
  }
  if (c.contentField != kFullText) return DocumentFieldHolds(context, source, kind);
  return TextHolds(context, source, kind);
}

ReadVerdict ContentConditionsPass(SearchContext& context, const std::string& path) {
  if (context.criteria.containsText.empty()) return ReadVerdict::Hit();
  // A file that the user may not read, or whose path is too long to open,
  // fails the kind decision's first read with its cause, said once.
  TDocumentSource source(path);
  return DocumentPassesContent(context, source);
}

}  // namespace tessaly::engine
