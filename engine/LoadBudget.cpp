// The shared budget of whole-file loads.
#include "engine/LoadBudget.h"

#include <chrono>

namespace tessaly::engine {

LoadBudget::Lease LoadBudget::Take(std::uint64_t bytes, const std::function<bool()>& stopped) {
  std::unique_lock<std::mutex> hold(lock_);
  while (held_ != 0 && bytes > budget_ - std::min(held_, budget_)) {
    if (stopped && stopped()) return Lease(nullptr, 0);
    freed_.wait_for(hold, std::chrono::milliseconds(50));
  }
  held_ += bytes;
  return Lease(this, bytes);
}

void LoadBudget::Release(std::uint64_t bytes) {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    held_ -= bytes;
  }
  freed_.notify_all();
}

std::uint64_t LoadBudget::Held() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return held_;
}

LoadBudget& LoadBudget::ForWholeFiles() {
  static LoadBudget budget(std::uint64_t{512} << 20);
  return budget;
}

}  // namespace tessaly::engine
