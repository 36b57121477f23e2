#include "framework/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

// Every worker index once, each on a thread of its own other than the
// caller's, and join returns only after the last job.
TEST(WorkerPool, EachWorkerRunsOnceOnAThreadOfItsOwn) {
  for (int count : {1, 3, 8}) {
    std::vector<int> runs(size_t(count), 0);
    std::vector<std::thread::id> ids(static_cast<size_t>(count));
    std::atomic<int> inside{0}, most{0};
    WorkerTeam team;
    ASSERT_EQ(team.start(count, [&](int w) {
      int now = ++inside;
      for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
      }
      // Held until all are in: the jobs must run side by side.
      while (most < count) std::this_thread::yield();
      runs[size_t(w)] += 1;
      ids[size_t(w)] = std::this_thread::get_id();
      --inside;
    }), count);
    team.join();
    EXPECT_EQ(runs, std::vector<int>(size_t(count), 1)) << count;
    std::set<std::thread::id> distinct(ids.begin(), ids.end());
    EXPECT_EQ(distinct.size(), size_t(count));
    EXPECT_EQ(distinct.count(std::this_thread::get_id()), 0u);
  }
}

// Threads park between runs: runs one after the other start none anew.
TEST(WorkerPool, RunsAfterEachOtherReuseTheParkedThreads) {
  {
    WorkerTeam warm;
    warm.start(6, [](int) {});
  }
  int threads = worker_pool_threads();
  ASSERT_GE(threads, 6);
  std::atomic<int> total{0};
  for (int run = 0; run < 200; ++run) {
    WorkerTeam team;
    ASSERT_EQ(team.start(6, [&](int w) { total += w + 1; }), 6);
  }
  EXPECT_EQ(total, 200 * 21);
  EXPECT_EQ(worker_pool_threads(), threads);
}

// wait_for answers false while a job still runs and true once it returned;
// the destructor waits as join does.
TEST(WorkerPool, WaitForTellsWhetherTheJobsHaveReturned) {
  std::atomic<bool> release{false};
  std::atomic<int> finished{0};
  {
    WorkerTeam team;
    team.start(2, [&](int w) {
      while (w == 1 && !release) std::this_thread::yield();
      ++finished;
    });
    EXPECT_FALSE(team.wait_for(20));
    release = true;
    while (!team.wait_for(1000)) {
    }
    EXPECT_EQ(finished, 2);
    release = false;
  }
  {
    WorkerTeam team;
    team.start(1, [&](int) {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      ++finished;
    });
  }
  EXPECT_EQ(finished, 3);
}

// A job may start a run of its own, and runs from two threads may overlap:
// every job of both levels runs and nothing waits on a parked thread.
TEST(WorkerPool, NestedAndOverlappingRunsAllComplete) {
  std::atomic<int> inner_jobs{0};
  auto outer = [&](int) {
    WorkerTeam inner;
    int handed = inner.start(3, [&](int) { ++inner_jobs; });
    for (int w = handed; w < 3; ++w) ++inner_jobs;  // the caller's share
    inner.join();
  };
  std::thread other([&] {
    WorkerTeam team;
    team.start(4, outer);
  });
  {
    WorkerTeam team;
    team.start(4, outer);
  }
  other.join();
  EXPECT_EQ(inner_jobs, 2 * 4 * 3);
}

// A run side by side: every job once, the first on the calling thread, and
// the call returns only after the last has.
TEST(WorkerPool, RunSideBySideTakesTheCallerAlong) {
  for (int count : {1, 2, 8}) {
    std::vector<std::atomic<int>> runs(static_cast<size_t>(count));
    std::thread::id first;
    worker_pool_run(count, [&](int w) {
      if (w == 0) first = std::this_thread::get_id();
      std::this_thread::sleep_for(std::chrono::milliseconds(w == count - 1 ? 20 : 0));
      runs[size_t(w)] += 1;
    });
    for (int w = 0; w < count; ++w) EXPECT_EQ(runs[size_t(w)], 1) << count << " " << w;
    EXPECT_EQ(first, std::this_thread::get_id());
  }
}

}  // namespace
