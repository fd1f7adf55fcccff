// What one running search carries through its walk: its settings, the result
// store, the front end, the stop flag and the archive step.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/ItemData.h"
#include "engine/ReadVerdict.h"
#include "engine/ResultStore.h"
#include "engine/SearchCriteria.h"
#include "engine/SearchHost.h"
#include "engine/UnreadableList.h"

namespace tessaly::pdf {
class TPdfToolkit;
}

namespace tessaly::engine {

struct SearchContext;

// The archive step of the walk: called for every archive file of a walked
// folder with its full path and the search's pattern text; returns why the
// archive could not be read, if it could not. The archive library supplies
// it (DispatchArchive); a search without one lists no members.
using ArchiveDispatch = std::function<std::optional<UnreadableCause>(
    SearchContext& context, const std::string& archivePath, const std::string& patternText)>;

struct SearchContext {
  const SearchCriteria& criteria;
  ResultStore& store;
  SearchHost& host;
  const std::atomic<bool>& stopRequested;
  ArchiveDispatch dispatchArchive;
  // The search's own PDF toolkit, made by the PDF field test on first need
  // and released with the context when the search ends.
  std::shared_ptr<pdf::TPdfToolkit> pdfToolkit = nullptr;
  // Folders listed so far by the walk (reported through the host).
  std::size_t foldersWalked = 0;
  // The documents and folders this search could not read.
  UnreadableList unreadable{};

  bool Stopped() const { return stopRequested.load(std::memory_order_relaxed); }
  // AddHit as the walk and the archive readers use it: nothing once the stop
  // was requested; otherwise appends unless a repeat and tells the host.
  void AddHit(const ItemData& row);
  // Notes a document or folder that could not be read; nothing once the
  // stop was requested.
  void NoteUnreadable(const std::string& path, UnreadableCause cause);
};

}  // namespace tessaly::engine
