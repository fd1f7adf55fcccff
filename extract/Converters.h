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
};

// The table row of `kind`.
const ConverterInfo& ConverterFor(ConverterKind kind);

// The capturing run's command line: program, options, the quoted document path.
CommandLine CaptureCommandLine(ConverterKind kind, const std::string& file);

// The PDF converter's command line: program, options, the quoted document
// path and the quoted output file.
CommandLine PdfTextCommandLine(const std::string& file, const std::string& outputFile);

}  // namespace tessaly::extract
