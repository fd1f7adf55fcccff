// TPDFStopCheck: the question a long load asks between pieces of work (each
// piece of the file read, each mebibyte of a rebuild scan, each object
// stream indexed). True means the caller no longer wants the result: the
// load ends at once and fails, so a stopped search does not wait for a
// large file to be read whole. Empty: never asked.
#pragma once

#include <functional>

namespace tessaly::pdf {

using TPDFStopCheck = std::function<bool()>;

// Thrown inside a load when its stop check says so; the load's own catch
// turns it into a failed load.
struct TPDFLoadStopped {};

}  // namespace tessaly::pdf
