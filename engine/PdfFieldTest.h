// The PDF information-field test of the per-file test: whether one of six
// document-information fields of a PDF file holds the search text.
#pragma once

#include <string>

#include "engine/ReadVerdict.h"
#include "engine/SearchContext.h"

namespace tessaly::engine {

// The information index of a field name ("Author" 1, "Title" 2, "Subject"
// 3, "Keywords" 4, "Creator" 5, "Producer" 6), or 0 for any other name.
int PdfFieldIndex(const std::string& contentField);

// The field's text (UTF-8) read through the search's toolkit, which is made
// on first need; empty when the file cannot be loaded, lacks the field, is
// encrypted without an empty password, or the name is not a field name.
std::string ReadPdfField(SearchContext& context, const std::string& path, const std::string& contentField);

// True when the field holds `containsText`: byte for byte when the search is
// case-sensitive, otherwise with the letters A to Z folded on both sides
// (accented letters compare as they are). An empty field holds no text.
bool PdfFieldContains(SearchContext& context, const std::string& path, const std::string& contentField,
                      const std::string& containsText);

// PdfFieldContains with the reason when the fields could not be read: a
// file that does not load is damaged (or not a PDF), an encrypted one whose
// empty password is not accepted, or with a handler other than the
// standard one, needs a password.
ReadVerdict PdfFieldVerdict(SearchContext& context, const std::string& path, const std::string& contentField,
                            const std::string& containsText);

}  // namespace tessaly::engine
