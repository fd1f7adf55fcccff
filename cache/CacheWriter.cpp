// The writer thread of the cache.
#include "cache/CacheWriter.h"

#include <sqlite3.h>

#include <algorithm>

namespace tessaly::cache {
namespace {

// Searches whose counts are kept for `tessaly --cache stats`.
constexpr int kSearchesKept = 10;

}  // namespace

TCacheWriter::TCacheWriter(std::unique_ptr<TSqlite> db, std::string file, std::int64_t maxBytes, CacheMessage say)
    : db_(std::move(db)), file_(std::move(file)), maxBytes_(maxBytes), say_(std::move(say)) {
  thread_ = std::thread([this] { Run(); });
}

TCacheWriter::~TCacheWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool TCacheWriter::Put(const TCacheKey& key, const std::string& path, TCachedText text) {
  const std::size_t bytes = text.text.size() + 256;
  {
    std::lock_guard lock(mutex_);
    // An entry that would take more than a quarter of the bound is not kept.
    if (gaveUp_ || stopping_ || pendingBytes_ + bytes > kMaxPendingBytes ||
        static_cast<std::int64_t>(bytes) > maxBytes_ / 4)
      return false;
    Job job;
    job.kind = Job::Kind::Put;
    job.key = key;
    job.path = path;
    job.text = std::move(text);
    job.at = WallClockNs();
    queue_.push_back(std::move(job));
    pendingBytes_ += bytes;
    ++handedIn_;
  }
  wake_.notify_one();
  return true;
}

void TCacheWriter::Touch(std::int64_t id) {
  {
    std::lock_guard lock(mutex_);
    if (gaveUp_ || stopping_) return;
    Job job;
    job.kind = Job::Kind::Touch;
    job.id = id;
    job.at = WallClockNs();
    queue_.push_back(std::move(job));
    ++handedIn_;
  }
  wake_.notify_one();
}

void TCacheWriter::Drop(std::int64_t id) {
  {
    std::lock_guard lock(mutex_);
    if (gaveUp_ || stopping_) return;
    Job job;
    job.kind = Job::Kind::Drop;
    job.id = id;
    queue_.push_back(std::move(job));
    ++handedIn_;
  }
  wake_.notify_one();
}

void TCacheWriter::Flush() {
  std::unique_lock lock(mutex_);
  const std::uint64_t target = handedIn_;
  done_.wait(lock, [&] { return finished_ >= target || gaveUp_; });
}

void TCacheWriter::SetCounts(const TCacheCounts& counts) {
  std::lock_guard lock(mutex_);
  counts_ = counts;
}

void TCacheWriter::GiveUp() {
  {
    std::lock_guard lock(mutex_);
    gaveUp_ = true;
    finished_ += queue_.size();
    queue_.clear();
    pendingBytes_ = 0;
  }
  done_.notify_all();
}

void TCacheWriter::Run() {
  for (;;) {
    std::vector<Job> batch;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty() && stopping_) break;
      std::size_t bytes = 0;
      while (!queue_.empty() && (batch.empty() || bytes < kBatchBytes)) {
        if (queue_.front().kind == Job::Kind::Put) bytes += queue_.front().text.text.size() + 256;
        batch.push_back(std::move(queue_.front()));
        queue_.pop_front();
      }
      pendingBytes_ -= std::min(pendingBytes_, bytes);
    }
    bool skip = false;
    {
      std::lock_guard lock(mutex_);
      skip = gaveUp_;
    }
    if (!skip) WriteBatch(batch);
    {
      std::lock_guard lock(mutex_);
      finished_ += batch.size();
    }
    done_.notify_all();
  }
  bool record = false;
  {
    std::lock_guard lock(mutex_);
    record = !gaveUp_ && counts_.lookups > 0;
  }
  if (record) RecordSearch();
}

void TCacheWriter::WriteBatch(std::vector<Job>& batch) {
  // Compressed before the transaction, so the write lock is held briefly.
  std::vector<TStoredText> stored(batch.size());
  for (std::size_t i = 0; i < batch.size(); ++i)
    if (batch[i].kind == Job::Kind::Put) stored[i] = StoreText(batch[i].text);
  try {
    TTransaction t(*db_);
    TStatement touch(*db_, "UPDATE entries SET used=?1 WHERE id=?2");
    TStatement drop(*db_, "DELETE FROM entries WHERE id=?1");
    // The same path with another file behind it: the old file is gone.
    TStatement replaced(*db_,
                        "DELETE FROM entries WHERE path=?1 AND converter=?2 AND NOT (device=?3 AND inode=?4)");
    TStatement put(*db_,
                   "INSERT INTO entries(device, inode, converter, size, mtime, ctime, path, length, checksum, used, "
                   "data) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11) "
                   "ON CONFLICT(device, inode, converter) DO UPDATE SET size=excluded.size, mtime=excluded.mtime, "
                   "ctime=excluded.ctime, path=excluded.path, length=excluded.length, checksum=excluded.checksum, "
                   "used=excluded.used, data=excluded.data");
    std::int64_t written = 0;
    for (std::size_t i = 0; i < batch.size(); ++i) {
      const Job& job = batch[i];
      switch (job.kind) {
        case Job::Kind::Touch: touch.Bind(1, job.at).Bind(2, job.id).Run(); break;
        case Job::Kind::Drop: drop.Bind(1, job.id).Run(); break;
        case Job::Kind::Put: {
          if (stored[i].data.empty()) break;
          const TFileIdentity& f = job.key.file;
          replaced.BindBlob(1, job.path)
              .Bind(2, job.key.converter)
              .Bind(3, static_cast<std::int64_t>(f.device))
              .Bind(4, static_cast<std::int64_t>(f.inode))
              .Run();
          put.Bind(1, static_cast<std::int64_t>(f.device))
              .Bind(2, static_cast<std::int64_t>(f.inode))
              .Bind(3, job.key.converter)
              .Bind(4, f.size)
              .Bind(5, f.modifiedNs)
              .Bind(6, f.changedNs)
              .BindBlob(7, job.path)
              .Bind(8, static_cast<std::int64_t>(stored[i].length))
              .Bind(9, static_cast<std::int64_t>(stored[i].checksum))
              .Bind(10, job.at)
              .BindBlob(11, stored[i].data)
              .Run();
          ++written;
          break;
        }
      }
    }
    KeepWithinBound();
    t.Commit();
    written_ += written;
    // Pages the bound freed go back to the file system.
    if (db_->Integer("PRAGMA freelist_count") > 0) db_->Exec("PRAGMA incremental_vacuum");
  } catch (const TSqliteError& e) {
    if (e.code() == SQLITE_BUSY || e.code() == SQLITE_LOCKED) return;  // another program held the lock: a lost batch
    if (e.Full()) say_("no room left on the disk of the text cache \"" + file_ + "\"; nothing more is kept");
    else if (e.Damaged()) say_("the text cache \"" + file_ + "\" is damaged; nothing more is kept");
    else say_("cannot write the text cache \"" + file_ + "\": " + e.what());
    GiveUp();
  }
}

void TCacheWriter::KeepWithinBound() {
  // The log stays within its size limit next to the file, so the file
  // itself keeps the rest of the bound; once over, it is cut to nine
  // tenths so that the next batches do not cut again at once.
  const std::int64_t logAllowance = std::min<std::int64_t>(maxBytes_ / 8, std::int64_t{4} << 20);
  const std::int64_t limit = maxBytes_ - logAllowance;
  if (LiveBytes(*db_) <= limit) return;
  const std::int64_t target = limit / 10 * 9;
  TStatement oldest(*db_, "DELETE FROM entries WHERE id IN (SELECT id FROM entries ORDER BY used LIMIT 16)");
  while (LiveBytes(*db_) > target) {
    oldest.Run();
    if (sqlite3_changes(db_->get()) == 0) break;
  }
}

void TCacheWriter::RecordSearch() {
  try {
    TTransaction t(*db_);
    TStatement add(*db_, "INSERT INTO searches(at, lookups, hits, stored) VALUES(?1, ?2, ?3, ?4)");
    add.Bind(1, WallClockNs()).Bind(2, counts_.lookups).Bind(3, counts_.hits).Bind(4, written_).Run();
    TStatement trim(*db_, "DELETE FROM searches WHERE id NOT IN (SELECT id FROM searches ORDER BY id DESC LIMIT ?1)");
    trim.Bind(1, kSearchesKept).Run();
    t.Commit();
  } catch (const TSqliteError&) {
    // The counts are for the user's information only.
  }
}

}  // namespace tessaly::cache
