// The message table, message formatting, DebugLog and ReportSystemError.
#include "tools/ravelt/Messages.h"

#include <cstdarg>
#include <cstring>

namespace tessaly::ravelt {

namespace {

struct TableEntry {
  std::uint32_t id;
  const char* text;
};

// The program's message table. The leading blanks of the option lines
// (9 and 18) are part of the texts.
constexpr TableEntry kMessageTable[] = {
    {kMessageUsage, "Usage: %1 [-vh?] [-e[ext]] [-w] [-12] [-d] file [...]\r\n"},
    {kMessageHelp,
     "ravelt %1\r\n"
     "%2\r\n"
     "This program requires RICHED32.DLL (or RICHED20.DLL) installed.\r\n"
     "\r\n"
     "%3\r\n"
     "Options: -v       Displays the version.\r\n"
     "         -h|-?    Shows this help.\r\n"
     "         -e[ext]  Extension for output files. default is \"txt\".\r\n"
     "         -w       Overwrites output files.\r\n"
     "         -1|-2    Forces to use the specified version of Rich Edit Control.\r\n"
     "                  -1: Uses RICHED32.DLL and RICHEDIT window class.\r\n"
     "                  -2: Uses RICHED20.DLL and RichEdit20A window class.\r\n"
     "         -d       Debug mode. Gives verbose output, but no conversion will be\r\n"
     "                  actually done.\r\n"},
};

// Fills %1 to %9 with the inserts (a missing insert gives nothing) and
// turns "%%" into "%"; any other "%" stays as it is.
std::string FillInserts(const char* text, const std::vector<std::string>& inserts) {
  std::string result;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '%' && p[1] >= '1' && p[1] <= '9') {
      const auto index = static_cast<std::size_t>(p[1] - '1');
      if (index < inserts.size()) result += inserts[index];
      ++p;
    } else if (*p == '%' && p[1] == '%') {
      result += '%';
      ++p;
    } else {
      result += *p;
    }
  }
  return result;
}

}  // namespace

std::optional<std::string> FormatModuleMessage(std::uint32_t id, const std::vector<std::string>& inserts) {
  if ((id & 0x1FFF0000u) == 0x0FFF0000u) {
    for (const TableEntry& entry : kMessageTable)
      if (entry.id == id) return FillInserts(entry.text, inserts);
    return std::nullopt;
  }
  if (id > 0x7FFFFFFFu) return std::nullopt;
  // The English description whatever the locale (glibc).
  const char* text = strerrordesc_np(static_cast<int>(id));
  if (text == nullptr) return std::nullopt;
  return std::string(text) + "\n";
}

void TConsole::DebugLog(const char* format, ...) {
  if (!debug_) return;
  if (*format == '\n') {
    std::fputc('\n', out_);
    ++format;
  }
  std::fputs("ravelt(debug): ", out_);
  va_list args;
  va_start(args, format);
  std::vfprintf(out_, format, args);
  va_end(args);
  std::fputc('\n', out_);
}

void TConsole::ReportSystemError(int code) {
  std::fprintf(err_, "Error %d: ", code);
  if (code < 0) return;
  if (auto text = FormatModuleMessage(static_cast<std::uint32_t>(code))) std::fputs(text->c_str(), err_);
}

}  // namespace tessaly::ravelt
