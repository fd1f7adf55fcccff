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
// Dates with a time zone are converted to local time; dates without one
// are taken as local time, as office programs write them.
#pragma once

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
TSummaryValues PackageSummaryValues(TOfficePackage& package);

}  // namespace tessaly::extract
