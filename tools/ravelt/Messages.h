// ravelt's messages: its own message table, the system's error texts, the
// error report and the debug trace.
//
// Message ids with (id AND 0x1FFF0000) = 0x0FFF0000 come from the program's
// table, whose texts end every line with CR LF and take the inserts %1 to
// %9 ("%%" is a percent sign). Any other id is a system error number whose
// English text is given as it is.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tessaly::ravelt {

inline constexpr std::uint32_t kMessageUsage = 0x4FFF0001;  // %1: program name
inline constexpr std::uint32_t kMessageHelp = 0x4FFF0002;   // %1 revision, %2 notice, %3 usage

inline constexpr const char* kRevision = "$Revision: 1.1 $";
inline constexpr const char* kNoticeLine = "Part of Tessaly; converts RTF files to plain text with its own RTF engine.";
inline constexpr const char* kVersionLine = "ravelt revision 1.1, the RTF-to-text converter of Tessaly";

// The message's text with its inserts filled in, or nothing when there is no
// such message.
std::optional<std::string> FormatModuleMessage(std::uint32_t id, const std::vector<std::string>& inserts = {});

// The console streams of one run and the debug switch.
class TConsole {
 public:
  TConsole(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

  std::FILE* out() const { return out_; }
  std::FILE* err() const { return err_; }
  bool debug() const { return debug_; }
  void SetDebug(bool on) { debug_ = on; }

  // In debug mode writes one trace line to standard output: a line end the
  // format begins with, then "ravelt(debug): ", the rest of the format
  // filled with the values, and a line end. Otherwise nothing.
  void DebugLog(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Writes "Error %d: " and the system's English text for the error number
  // (with a line end) to standard error.
  void ReportSystemError(int code);

 private:
  std::FILE* out_;
  std::FILE* err_;
  bool debug_ = false;
};

}  // namespace tessaly::ravelt
