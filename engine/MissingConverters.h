// The converter programs a search could not start, and the message that
// tells the user which documents went unsearched because of them.
//
// The record belongs to the calling thread: a search notes its failures on
// its own thread and takes the message there at its end, so parallel
// searches (console runs, tests) never mix their records.
#pragma once

#include <string>

namespace tessaly::engine {

// Notes that `program` (from the Debian package `package`) could not be
// started for a document of type `typeName` ("PDF", "DOC", ...). Repeats of
// a program and type are noted once.
void NoteMissingConverter(const std::string& program, const std::string& typeName, const std::string& package);

// Empties this thread's record (at the start of a search).
void ClearMissingConverters();

// The message naming each program that could not be started, with its
// package and the document types that went unsearched, one line each (LF),
// in the order first noted; empty when nothing was noted. Empties the
// record.
std::string TakeMissingConvertersMessage();

}  // namespace tessaly::engine
