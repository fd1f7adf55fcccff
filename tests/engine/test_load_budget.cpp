// The budget of whole-file loads shared by the workers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/LoadBudget.h"

namespace tessaly::engine {
namespace {

TEST(LoadBudget, WaitsForRoomAndLetsAnOversizeFileAloneThrough) {
  LoadBudget budget(100);
  const auto never = [] { return false; };
  std::atomic<bool> stop{false};
  {
    LoadBudget::Lease a = budget.Take(60, never);
    ASSERT_TRUE(a);
    {
      LoadBudget::Lease b = budget.Take(40, never);  // fits exactly
      EXPECT_EQ(budget.Held(), 100u);
    }
    // 50 does not fit beside 60: the taker waits until the 60 are given back.
    std::atomic<bool> took{false};
    std::thread waiter([&] {
      LoadBudget::Lease c = budget.Take(50, never);
      took = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(took);  // (a slow start could only hide the fault, never fake one)
    { LoadBudget::Lease release = std::move(a); }
    waiter.join();
    EXPECT_TRUE(took);
  }
  EXPECT_EQ(budget.Held(), 0u);

  // Larger than the whole budget: through when nothing else is held, and
  // nothing else gets in beside it; a stop ends a wait with nothing held.
  LoadBudget::Lease huge = budget.Take(1000, never);
  ASSERT_TRUE(huge);
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
  });
  LoadBudget::Lease small = budget.Take(1, [&] { return stop.load(); });
  stopper.join();
  EXPECT_FALSE(small);
  EXPECT_EQ(budget.Held(), 1000u);
}

}  // namespace
}  // namespace tessaly::engine
