// What a member reader hands on: one listed member's name and size text, and
// the texts shared by all readers (size text, member-name decoding).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Unicode.h"

namespace tessaly::archives {

// Receives the members of one archive in archive order. A reader calls
// Member only for members that get a row: directory members are already
// left out when "Include subfolders" is off.
class TMemberSink {
 public:
  virtual ~TMemberSink() = default;
  // `name` is UTF-8 with `/` separators; `sizeText` is MemberSizeText of the
  // member's size, or "[folder]".
  virtual void Member(const std::string& name, const std::string& sizeText) = 0;
};

// A sink that keeps everything (tests, tools).
struct TMemberCollector : TMemberSink {
  struct Entry {
    std::string name;
    std::string sizeText;
    bool operator==(const Entry&) const = default;
  };
  std::vector<Entry> members;
  void Member(const std::string& name, const std::string& sizeText) override {
    members.push_back({name, sizeText});
  }
};

inline constexpr const char* kFolderSizeText = "[folder]";

// Decimal units, truncating, no "Gb": 1000 gives "1000 b", 1001 "1 Kb",
// 1000001 "1 Mb", 5000000000 "5000 Mb".
std::string MemberSizeText(std::uint64_t size);

// A stored member name as shown: every `\` and `/` becomes `/`; a name that
// is valid UTF-8 stays as it is, any other is read as Windows-1252 and
// written as UTF-8 (`caf` E9 gives "café"). Bytes after a NUL are dropped.
std::string MemberNameText(std::string_view stored);

// True when `text` is well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view text);

// UTF-16 code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units);

// Appends a code point as UTF-8 (U+FFFD for surrogates and values beyond U+10FFFF).
using platform::AppendUtf8;

}  // namespace tessaly::archives
