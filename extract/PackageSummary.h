// The document properties of office packages as summary lines, with the
// labels and forms of the summary information of compound documents
// (SummaryInfo.h): "Title: ", "Author: ", dates in the locale's short date
// and long time, the editing time in seconds, and so on.
//
// Office Open XML: docProps/core.xml (title, subject, creator as author,
// keywords, description as comments, lastModifiedBy as last saved by,
// revision, created, modified as last saved, lastPrinted) and
// docProps/app.xml (Template, TotalTime in minutes, Pages, Words,
// Characters, Application, DocSecurity as security).
// OpenDocument: meta.xml (title, subject, initial-creator as author,
// keywords, description as comments, creator as last saved by,
// editing-cycles as revision, creation-date, date as last saved,
// print-date, editing-duration, template, the page, word and character
// counts of document-statistic, generator as creating application).
// EPUB books: the metadata of the package document (EpubPackage.h) as
// their own lines: "Title: ", "Author: " (dc:creator), "Subject: ",
// "Description: ", "Publisher: ", "Date: " and "Language: ".
// Dates with a time zone are converted to local time; dates without one
// are taken as local time, as office programs write them. An EPUB date
// that is no full date ("2024") is shown as written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "extract/SummaryInfo.h"

namespace tessaly::extract {

class TOfficePackage;

// A property value longer than this is cut: a property is one line of a
// tooltip.
inline constexpr std::size_t kMaxPropertyBytes = 64 * 1024;

// The summary lines of the package at `path`, each followed by a CR; the
// empty text when the package has no document properties. Throws
// std::system_error when the file cannot be opened and TSummaryError
// ("'<path>' is not an office package: <fault>") when it is no ZIP package.
// Damaged property parts give the lines read before the damage.
std::string ReadPackageSummary(const std::string& path);

// The values of a package already open (for tests and the fuzz target).
// An EPUB book gives title, subject (its dc:subject entries), author
// (dc:creator), keywords (the dc:subject entries again: books keep their
// tags there) and comments (dc:description).
TSummaryValues PackageSummaryValues(TOfficePackage& package);

// The information field `field` ("Author", "Title", "Subject" or
// "Keywords") of a package of any kind (Office Open XML, OpenDocument,
// EPUB), as its details show it: Author is the creator (OpenDocument: the
// initial creator), Keywords the keywords (EPUB: the subjects). Nothing
// when the package lacks the field or the name is no such field. The
// package's faults are in its Outcome(). The path form throws
// std::system_error when the file cannot be opened. (Compound documents:
// ReadSummaryField of SummaryInfo.h.)
std::optional<std::string> PackageField(TOfficePackage& package, std::string_view field);
std::optional<std::string> PackageFieldOf(const std::string& path, std::string_view field);

}  // namespace tessaly::extract
