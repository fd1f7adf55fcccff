// The converter programs that turn documents into text, and their command
// lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "extract/ConverterRunner.h"

namespace tessaly::extract {

enum class ConverterKind { PdfText, Word, Rtf, Excel, PowerPoint };

struct ConverterInfo {
  ConverterKind kind;
  std::string_view typeName;  // the document type it serves: "PDF", "DOC", ...
  std::string_view program;   // looked up next to the executable, then on PATH
  std::vector<std::string_view> options;  // before the document path
  std::string_view package;   // the Debian package that brings the program
  // When the converter failed (ConverterRun::Failed): an exit status that
  // means "the document could not be opened" (0: none), and texts of its
  // error output that mean the document needs a password, or is damaged or
  // not of the type it reads.
  int openFailureStatus = 0;
  std::vector<std::string_view> passwordMarkers;
  std::vector<std::string_view> damageMarkers;
};

// Why a converter failed on a document, as far as its exit status and its
// error output tell.
enum class ConverterFailure { PasswordRequired, Damaged, Other };

// The reading of a failed run of the converter of `kind` on `file`: a
// password marker in `errors` gives PasswordRequired; a damage marker or the
// converter's open-failure status gives Damaged; anything else Other. The
// document's path and name are taken out of `errors` first, so a file
// named after a marker does not change the reading.
ConverterFailure ClassifyConverterFailure(ConverterKind kind, const std::string& file, int exitStatus,
                                          std::string errors);

// The table row of `kind`.
const ConverterInfo& ConverterFor(ConverterKind kind);

// The capturing run's command line: program, options, the quoted document path.
CommandLine CaptureCommandLine(ConverterKind kind, const std::string& file);

// The PDF converter's command line: program, options, the quoted document
// path and the quoted output file.
CommandLine PdfTextCommandLine(const std::string& file, const std::string& outputFile);

}  // namespace tessaly::extract
