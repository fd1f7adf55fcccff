// The cache of extracted text as one search holds it: the store, and the
// identity of each converter, found once per search (a converter installed
// or upgraded in between counts from the next search on).
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cache/TextCache.h"
#include "engine/DocumentKind.h"

namespace tessaly::engine {

class TSearchTextCache {
 public:
  // `pdfHelper`: the PDF text helper program the search uses (empty when
  // it reads PDF text through pdftotext only).
  explicit TSearchTextCache(cache::TCacheOptions options = {}, std::string pdfHelper = {});

  cache::TTextCache& Store() { return store_; }

  // The identity of the converter that reads documents of `kind`: its
  // program's path and file identity (device, inode, size and both times
  // to the nanosecond, so an upgraded or rebuilt program is another
  // converter) and its options. Empty for kinds read in-process, and when
  // the program cannot be found: such documents are not cached.
  const std::string& ConverterIdentity(DocumentKind kind);

 private:
  cache::TTextCache store_;
  std::mutex mutex_;
  std::array<std::optional<std::string>, 16> identities_;
  std::string helperProgram_;
};

// ConverterIdentity's text for a program `name` with `options`, looked up
// as the converter runner looks it up (next to the running program, then on
// PATH); empty when it cannot be found.
std::string ProgramIdentity(const std::string& name, const std::string& options);

}  // namespace tessaly::engine
