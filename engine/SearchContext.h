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
class TTextMatcher;
class ContentPool;
struct TestOutput;

// A content test of the walk (a file's conditions, an archive's listing),
// run with the context it is given: the search's own, or a worker's.
using SearchTest = std::function<void(SearchContext& context)>;

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
  // The matcher of the content text, made once per search and shared by
  // the workers (made on first need when the search did not set it).
  std::shared_ptr<const TTextMatcher> matcher = nullptr;
  // Folders listed so far by the walk (reported through the host).
  std::size_t foldersWalked = 0;
  // The documents and folders this search could not read (the search's own
  // context holds them; a worker's keeps its test's in `output`).
  UnreadableList unreadable{};

  // The pool that runs this search's content tests, when it has one.
  ContentPool* pool = nullptr;
  // In a worker's context: where the test it runs now keeps what it finds.
  TestOutput* output = nullptr;

  bool Stopped() const { return stopRequested.load(std::memory_order_relaxed); }
  // AddHit as the walk and the archive readers use it: nothing once the stop
  // was requested; otherwise the row goes to the store in its turn (kept
  // with its test on a worker, queued behind the running tests on the walk's
  // side, at once without a pool).
  void AddHit(const ItemData& row);
  // Notes a document or folder that could not be read; nothing once the
  // stop was requested. Like a row, it reaches `unreadable` in its turn.
  void NoteUnreadable(const std::string& path, UnreadableCause cause);
  // Appends to the store unless a repeat (or stopped) and tells the host.
  void CommitHit(const ItemData& row);
  // Runs `test` on the pool, or at once with this context without one.
  void RunTest(SearchTest test);
};

}  // namespace tessaly::engine
