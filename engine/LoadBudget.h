// LoadBudget: the bytes of whole files that the search's workers may hold in
// memory at once. A PDF's information fields are read from the whole file
// loaded into memory; with a worker per core, large files read side by side
// would otherwise hold the sum of their sizes. A worker takes a file's size
// from the budget before it reads the file and gives it back after, waiting
// while the others hold too much. A file larger than the whole budget is read
// when nothing else is held, so no file waits for ever, and the memory held
// stays below the larger of the budget and the largest file.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace tessaly::engine {

class LoadBudget {
 public:
  explicit LoadBudget(std::uint64_t bytes) : budget_(bytes) {}
  LoadBudget(const LoadBudget&) = delete;
  LoadBudget& operator=(const LoadBudget&) = delete;

  // Holds `bytes` of the budget while it lives.
  class Lease {
   public:
    Lease(Lease&& other) noexcept : owner_(other.owner_), bytes_(other.bytes_) { other.owner_ = nullptr; }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Lease& operator=(Lease&&) = delete;
    ~Lease() {
      if (owner_ != nullptr) owner_->Release(bytes_);
    }
    // False when the wait was ended by a stop: nothing is held then.
    explicit operator bool() const { return owner_ != nullptr; }

   private:
    friend class LoadBudget;
    Lease(LoadBudget* owner, std::uint64_t bytes) : owner_(owner), bytes_(bytes) {}
    LoadBudget* owner_;
    std::uint64_t bytes_;
  };

  // Waits until `bytes` fit beside what is held, or nothing is held; asks
  // `stopped` every 50 ms while it waits and gives up (an empty lease) once
  // it says true.
  Lease Take(std::uint64_t bytes, const std::function<bool()>& stopped);

  std::uint64_t Held() const;

  // The budget shared by every search of the program: 512 MiB.
  static LoadBudget& ForWholeFiles();

 private:
  void Release(std::uint64_t bytes);

  const std::uint64_t budget_;
  mutable std::mutex lock_;
  std::condition_variable freed_;
  std::uint64_t held_ = 0;
};

}  // namespace tessaly::engine
