// The summary properties of compound documents as lines of text.
//
// A Word document (and any other compound document) carries a summary
// information property set: title, author, dates, counts. ReadSummaryInfo
// turns the properties 2 to 19 of that set into up to 18 labelled lines,
// each followed by a carriage return. Nothing is cached.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "extract/PropertySet.h"

namespace tessaly::extract {

class TPropertySet;

// A compound document without summary information, or with a damaged one;
// what() names the file and the fault.
class TSummaryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The name of the summary information stream in a compound file.
extern const char* const kSummaryStreamName;

// The lines of `path`'s summary information, each followed by a CR (no
// LF); the empty text when the set holds none of the properties 2 to 19.
// Throws TStorageError (CompoundFile.h) when the file cannot be opened or
// is no compound document, and TSummaryError with "'<path>' has no summary
// information" when it has no summary stream, or "The summary information
// of '<path>' is damaged: <fault>" when the stream's header is broken.
std::string ReadSummaryInfo(const std::string& path);

// The summary identifier of an information field name (Title 2, Subject
// 3, Author 4, Keywords 5), or 0 for any other name.
int SummaryFieldId(std::string_view field);

// The information field `field` ("Author", "Title", "Subject", "Keywords")
// of the compound document at `path`; nothing when the document has no
// summary information, lacks the field, or the name is no such field.
// Throws as ReadSummaryInfo does, except for a missing summary stream.
std::optional<std::string> ReadSummaryField(const std::string& path, std::string_view field);

// The lines of a set already read (the part of ReadSummaryInfo after the
// storage calls).
std::string SummaryInfoText(const TPropertySet& set);

// The values of the summary properties, indexed by their identifiers 2 to
// 19 (0 and 1 unused); an absent property is empty.
using TSummaryValues = std::array<std::optional<TPropertyValue>, 20>;

// The lines SummaryInfoText writes for these values: the empty text when
// none is present. Office packages give their document properties through
// it, so that both kinds of documents show the same lines.
std::string SummaryLinesText(const TSummaryValues& values);

// A 64-bit file time (100-nanosecond units since 1 January 1601, UTC) in
// local time as DateTimeText writes it (LocaleText.h); only the date when
// the local time of day is exactly midnight. "-" when all bits are zero,
// and also when the value is negative as a signed number (no calendar date
// exists for it).
std::string FileTimeText(std::uint64_t time);

}  // namespace tessaly::extract
