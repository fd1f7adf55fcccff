// The unreadable documents of a search and their texts.
#include "engine/UnreadableList.h"

namespace tessaly::engine {

std::string_view CauseText(UnreadableCause cause) {
  switch (cause) {
    case UnreadableCause::PasswordRequired: return "password required";
    case UnreadableCause::Damaged: return "damaged";
    case UnreadableCause::ConverterFailed: return "converter failed";
    case UnreadableCause::TimedOut: return "timed out";
    case UnreadableCause::PermissionDenied: return "permission denied";
    case UnreadableCause::TooLarge: return "too large";
    case UnreadableCause::NotSupported: return "not supported";
    case UnreadableCause::PathTooLong: return "path too long";
  }
  return "unreadable";
}

void UnreadableList::Add(std::string path, UnreadableCause cause) {
  ++total_;
  ++counts_[static_cast<std::size_t>(cause)];
  if (kept_.size() < kMaxKept) kept_.push_back(UnreadableEntry{std::move(path), cause});
}

std::string UnreadableList::SummaryLine() const {
  if (total_ == 0) return {};
  std::string line = "Could not read " + std::to_string(total_) + (total_ == 1 ? " document: " : " documents: ");
  bool first = true;
  for (int i = 0; i < kUnreadableCauseCount; ++i) {
    if (counts_[static_cast<std::size_t>(i)] == 0) continue;
    if (!first) line += ", ";
    first = false;
    line += std::to_string(counts_[static_cast<std::size_t>(i)]) + " ";
    line += CauseText(static_cast<UnreadableCause>(i));
  }
  return line;
}

std::string UnreadableList::ListText() const {
  std::string text;
  for (const UnreadableEntry& e : kept_) {
    text += CauseText(e.cause);
    text += '\t';
    text += e.path;
    text += '\n';
  }
  if (NotKept() > 0) text += "... and " + std::to_string(NotKept()) + " more\n";
  return text;
}

}  // namespace tessaly::engine
