// The converter programs a search could not start, and the message that
// tells the user which documents went unsearched because of them.
//
// Each thread has a record of its own: a search notes its failures on its
// own thread and takes the message there at its end, so parallel searches
// (console runs, tests) never mix their records. A worker thread running
// one content test of a search binds itself to a record kept with that
// test, which the search merges into its own in walk order.
#pragma once

#include <string>
#include <vector>

namespace tessaly::engine {

class MissingConverterRecord {
 public:
  // Notes that `program` (from the Debian package `package`) could not be
  // started for a document of type `typeName` ("PDF", "DOC", ...). Repeats
  // of a program and type are noted once.
  void Note(const std::string& program, const std::string& typeName, const std::string& package);
  // Notes everything `other` holds, in its order, after what this holds.
  void Merge(const MissingConverterRecord& other);
  bool empty() const { return missing_.empty(); }
  void clear() { missing_.clear(); }
  // The message naming each program with its package and the document
  // types that went unsearched, one line each (LF), in the order first
  // noted; empty when nothing was noted.
  std::string Message() const;

 private:
  struct Missing {
    std::string program;
    std::string package;
    std::vector<std::string> types;
  };
  std::vector<Missing> missing_;
};

// The calling thread's record: its own, or the one it is bound to.
MissingConverterRecord& CurrentMissingConverters();

// Binds the calling thread to `record` until destroyed.
class BindMissingConverters {
 public:
  explicit BindMissingConverters(MissingConverterRecord& record);
  ~BindMissingConverters();
  BindMissingConverters(const BindMissingConverters&) = delete;
  BindMissingConverters& operator=(const BindMissingConverters&) = delete;

 private:
  MissingConverterRecord* previous_;
};

// MissingConverterRecord::Note on the calling thread's record.
void NoteMissingConverter(const std::string& program, const std::string& typeName, const std::string& package);

// Empties the calling thread's record (at the start of a search).
void ClearMissingConverters();

// The calling thread's record as a message (see Message()); empties the
// record.
std::string TakeMissingConvertersMessage();

}  // namespace tessaly::engine
