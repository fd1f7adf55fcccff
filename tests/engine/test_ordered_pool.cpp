// Tests of the ordered worker pool: submission order kept whatever order
// the jobs end in, each worker's state used by one job at a time, the
// bounded queue, the inline form and stopping.
#include "engine/OrderedPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace tessaly::engine {
namespace {

struct State {
  std::atomic<bool> busy{false};
  int jobs = 0;
};

using Pool = OrderedPool<State, int>;

TEST(OrderedPool, CommitsInSubmissionOrderWithOneStateAtATime) {
  std::vector<State> states(3);
  std::vector<int> committed;
  std::atomic<int> committing{0};
  bool overlap = false;
  std::atomic<bool> shared{false};
  {
    Pool pool({&states[0], &states[1], &states[2]}, nullptr, 4, [&](int& v) {
      overlap = overlap || committing.fetch_add(1) != 0;
      committed.push_back(v);
      committing.fetch_sub(1);
    });
    for (int i = 0; i < 300; ++i) {
      if (i % 7 == 3) {
        pool.Add(i);  // the submitter's own result, between jobs
        continue;
      }
      pool.Submit([i, &shared](State& s) {
        if (s.busy.exchange(true)) shared.store(true);
        ++s.jobs;
        // Later jobs often end first.
        std::this_thread::sleep_for(std::chrono::microseconds((i * 37) % 5 * 200));
        s.busy.store(false);
        return i;
      });
    }
    pool.Drain();
    EXPECT_EQ(committed.size(), 300u);
  }
  for (int i = 0; i < 300; ++i) ASSERT_EQ(committed[static_cast<std::size_t>(i)], i);
  EXPECT_FALSE(overlap) << "two commits at once";
  EXPECT_FALSE(shared.load()) << "a worker's state used by two jobs at once";
  EXPECT_GT(states[0].jobs + states[1].jobs + states[2].jobs, 0);
}

TEST(OrderedPool, QueueStaysWithinItsCapacity) {
  std::vector<State> states(2);
  std::atomic<int> committed{0};
  const std::size_t capacity = 3;
  Pool pool({&states[0], &states[1]}, nullptr, capacity, [&](int&) { committed.fetch_add(1); });
  for (int i = 1; i <= 40; ++i) {
    pool.Submit([](State&) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return 0;
    });
    // Queued entries, and the one result being committed.
    EXPECT_LE(i - committed.load(), static_cast<int>(capacity) + 1) << "after submitting " << i;
  }
}

TEST(OrderedPool, WithoutWorkersRunsAndCommitsOnTheSubmittingThread) {
  State state;
  std::vector<int> committed;
  const auto self = std::this_thread::get_id();
  Pool pool({}, &state, 1, [&](int& v) { committed.push_back(v); });
  for (int i = 0; i < 3; ++i) {
    pool.Submit([&](State& s) {
      EXPECT_EQ(&s, &state);
      EXPECT_EQ(std::this_thread::get_id(), self);
      return i;
    });
    EXPECT_EQ(committed.size(), static_cast<std::size_t>(i + 1));
  }
  pool.Add(3);
  EXPECT_EQ(committed, (std::vector<int>{0, 1, 2, 3}));
}

TEST(OrderedPool, StopDropsUnstartedJobsAndCommitsNothingMore) {
  std::vector<State> states(2);
  std::atomic<bool> stop{false};
  std::atomic<int> started{0}, committed{0};
  {
    Pool pool({&states[0], &states[1]}, nullptr, 8, [&](int&) { committed.fetch_add(1); });
    for (int i = 0; i < 8; ++i)
      pool.Submit([&](State&) {
        started.fetch_add(1);
        while (!stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 0;
      });
    while (started.load() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    pool.Stop();
    stop.store(true);
    pool.Submit([&](State&) {
      started.fetch_add(1);
      return 0;
    });
  }  // joins
  EXPECT_EQ(started.load(), 2);
  EXPECT_EQ(committed.load(), 0);
}

}  // namespace
}  // namespace tessaly::engine
