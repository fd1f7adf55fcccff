// Look-ups in the cache file on per-thread connections, hand-over to the
// writer thread.
#include "cache/TextCache.h"

#include <cstdio>
#include <set>

#include "cache/CacheFolder.h"
#include "cache/Sqlite.h"

namespace tessaly::cache {

void SayOnStandardError(const std::string& text) {
  static std::mutex mutex;
  static std::set<std::string> said;
  std::lock_guard lock(mutex);
  if (!said.insert(text).second) return;
  std::fprintf(stderr, "tessaly: %s\n", text.c_str());
  std::fflush(stderr);
}

// A connection of its own for one looking thread at a time, with its
// prepared look-up.
struct TTextCache::Reader {
  Reader(const std::string& file, bool network)
      : db(ConnectCacheFile(file, network)),
        find(*db,
             "SELECT id, size, mtime, ctime, length, checksum, data FROM entries "
             "WHERE device=?1 AND inode=?2 AND converter=?3") {}
  std::unique_ptr<TSqlite> db;
  TStatement find;
};

TTextCache::TTextCache(TCacheOptions options) : options_(std::move(options)) {
  if (!options_.say) options_.say = SayOnStandardError;
  if (options_.folder.empty()) options_.folder = CacheFolderPath();
}

TTextCache::~TTextCache() {
  if (writer_) writer_->SetCounts(Counts());
  // Readers first: the writer's connection is the last one, so the log is
  // checkpointed and removed when it closes.
  readers_.clear();
  writer_.reset();
  if (broken_.load()) SetAsideCacheFile(file_);
}

bool TTextCache::Open() {
  std::call_once(once_, [this] {
    TOpenedCache opened = OpenCacheFile(options_.folder, options_.say);
    if (!opened.db) return;
    file_ = opened.file;
    network_ = opened.network;
    writer_ = std::make_unique<TCacheWriter>(std::move(opened.db), file_, options_.maxBytes, options_.say);
    usable_ = true;
  });
  return usable_ && !broken_.load(std::memory_order_relaxed);
}

bool TTextCache::Usable() { return Open(); }

TCacheCounts TTextCache::Counts() const { return {lookups_.load(), hits_.load()}; }

std::unique_ptr<TTextCache::Reader> TTextCache::Acquire() {
  {
    std::lock_guard lock(readersMutex_);
    if (!readers_.empty()) {
      auto reader = std::move(readers_.back());
      readers_.pop_back();
      return reader;
    }
  }
  return std::make_unique<Reader>(file_, network_);
}

void TTextCache::Release(std::unique_ptr<Reader> reader) {
  std::lock_guard lock(readersMutex_);
  readers_.push_back(std::move(reader));
}

void TTextCache::Broken(const std::string& why) {
  if (broken_.exchange(true)) return;
  options_.say("the text cache \"" + file_ + "\" " + why + "; it will be set aside, searching without it");
  writer_->GiveUp();
}

std::optional<TCachedText> TTextCache::Find(const TCacheKey& key) {
  if (!Open()) return std::nullopt;
  lookups_.fetch_add(1, std::memory_order_relaxed);
  std::unique_ptr<Reader> reader;
  try {
    reader = Acquire();
    TStatement& find = reader->find;
    find.Bind(1, static_cast<std::int64_t>(key.file.device))
        .Bind(2, static_cast<std::int64_t>(key.file.inode))
        .Bind(3, key.converter);
    std::optional<TCachedText> text;
    if (find.Step()) {
      const std::int64_t id = find.Integer(0);
      const bool same = find.Integer(1) == key.file.size && find.Integer(2) == key.file.modifiedNs &&
                        find.Integer(3) == key.file.changedNs;
      if (same)
        text = LoadText(find.Bytes(6), static_cast<std::uint64_t>(find.Integer(4)),
                        static_cast<std::uint32_t>(find.Integer(5)));
      // A changed file, or a text that does not read back whole (a torn
      // or altered entry), is dropped; a valid one moves to the front.
      if (text) writer_->Touch(id);
      else writer_->Drop(id);
    }
    find.Reset();
    Release(std::move(reader));
    if (text) hits_.fetch_add(1, std::memory_order_relaxed);
    return text;
  } catch (const TSqliteError& e) {
    if (e.Damaged()) Broken("is damaged");
    // A lock held past the busy time-out costs this look-up only.
    return std::nullopt;
  }
}

void TTextCache::Store(const TCacheKey& key, const std::string& path, TCachedText text) {
  if (!Open()) return;
  writer_->Put(key, path, std::move(text));
}

void TTextCache::Flush() {
  if (usable_ && writer_) writer_->Flush();
}

}  // namespace tessaly::cache
