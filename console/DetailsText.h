// The details text of a result row: the four file lines, the PDF details
// and the summary properties of Word documents.
//
// One builder serves the window's tooltip (lines joined by CR LF) and
// `tessaly --details` (LF). It holds no Qt and no state: the caller keeps
// the PDF toolkit across calls, since what a failed load shows depends on
// the toolkit's state.
#pragma once

#include <string>
#include <string_view>

namespace tessaly::pdf {
class TPdfToolkit;
}

namespace tessaly::console {

// The three texts of a result row.
struct TDetailsRow {
  std::string name;  // entry name (or member path inside an archive)
  std::string size;  // as the result list shows it
  std::string path;  // the folder, or the archive's full path
};

struct TDetailsText {
  std::string text;
  // False when a step failed (the summary of a ".doc" name that is
  // neither a compound document nor a package, a damaged PDF page tree): `text` then holds what
  // was built before that step, and `failure` says why.
  bool complete = true;
  std::string failure;
  // Whether everything named was found: the file's date could be read,
  // and for a PDF name the direct-access open and the load succeeded.
  bool read = true;
};

// True when `type` (".pdf", ".doc") occurs in the ASCII-lower-cased `name`
// at its second character or later: "notes.PDF" and "x.pdf.bak" have the
// type, ".pdf" does not.
bool NameHasType(std::string_view name, std::string_view type);

// The row's file: path and name joined by one '/'.
std::string RowFile(const TDetailsRow& row);

// "FileName: ", "FileSize: ", "FilePath: ", "FileDate: " lines joined by
// `lineBreak`, without one at the end. The date is the last-write time of
// the row's file in the locale's short date and long time (the time left
// out at exactly midnight); nothing after "FileDate: " when the row names
// no file.
std::string FileLines(const TDetailsRow& row, std::string_view lineBreak);

// The nine PDF lines of `file`, each ended by `lineBreak`. Page count and
// the size of page 1 come from a direct-access link (0 page and 0 x 0
// without one); then the file is loaded into `toolkit`, and encryption and
// the six fields describe it. When the load fails they describe nothing:
// "Encryption: " and empty fields. `read` is set false when the link or the
// load failed. Errors of the page-tree walk propagate; the link is closed
// on every path.
std::string PdfDetails(pdf::TPdfToolkit& toolkit, const std::string& file, std::string_view lineBreak,
                       bool* read = nullptr);

// The whole text of a row: the file lines; then, after a line break, the
// PDF details for a ".pdf" name; then, after a line break, the summary
// properties for a ".doc", ".xls" or ".ppt" name (from the summary
// information of a compound document, or the document properties of an
// office package such as report.docx), for an ".odt", ".ods" or ".odp"
// name, and for an ".epub" name (title, author, subject, description,
// publisher, date, language), their CR line ends written as `lineBreak`.
// A failing step ends the text there (see TDetailsText); nothing throws
// for a failure of the file's own content.
TDetailsText BuildDetailsText(pdf::TPdfToolkit& toolkit, const TDetailsRow& row, std::string_view lineBreak);

}  // namespace tessaly::console
