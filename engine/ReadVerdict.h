// What the test of one document (or the listing of one archive or folder)
// found: whether it is a hit, and, when it could not be read, why.
//
// A plain value, so that whoever runs the tests (one thread today, a pool
// later) can hand each file's verdict back in walk order.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "engine/TextMatch.h"

namespace tessaly::engine {

// Why a document or folder could not be read. The order is the order of the
// counts in the summary line.
enum class UnreadableCause {
  PasswordRequired,  // encrypted, and the empty password opens nothing
  Damaged,           // damaged, cut short, or not of the type its name says
  ConverterFailed,   // the converter ended with a failure or wrote only errors
  TimedOut,          // the converter was ended after its time-out
  PermissionDenied,  // the user may not read it
  TooLarge,          // a reader's size cap was hit
  PathTooLong,       // its path is past the system's length limit
  NotSupported,      // an archive whose format or method nothing here decodes
};

inline constexpr int kUnreadableCauseCount = 8;

// The cause as the user reads it: "password required", "damaged",
// "converter failed", "timed out", "permission denied", "too large",
// "path too long", "not supported".
std::string_view CauseText(UnreadableCause cause);

struct ReadVerdict {
  bool match = false;
  std::optional<UnreadableCause> cause;  // set: could not be read (never a match)
  // A hit's matching lines, first match first, when its text was searched.
  std::vector<TextMatch> matches{};

  static ReadVerdict Hit() { return {true, std::nullopt}; }
  static ReadVerdict Miss() { return {false, std::nullopt}; }
  static ReadVerdict Unreadable(UnreadableCause c) { return {false, c}; }
  // The decision and its cause; the lines are what was found, not part of it.
  bool operator==(const ReadVerdict& other) const { return match == other.match && cause == other.cause; }
};

}  // namespace tessaly::engine
