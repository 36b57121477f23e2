// Worker threads for the calculations, started once and parked between
// runs. Starting and ending threads for every run cost milliseconds under
// Wine (each start and end goes through the server and the loader), as much
// as a whole threaded coverage run should take.
#pragma once
#include <cstdint>
#include <functional>
#include <mutex>

#include "framework/cache_line.h"
#include "framework/thread_park.h"

// One run on the pool's threads: job(w) for w = 0 .. started - 1, each on a
// thread of its own, while the calling thread waits or works alongside.
// Runs may overlap and nest (a run's job may start a run of its own).
class WorkerTeam {
 public:
  WorkerTeam() = default;
  WorkerTeam(const WorkerTeam&) = delete;
  WorkerTeam& operator=(const WorkerTeam&) = delete;
  ~WorkerTeam() { join(); }

  // Hands job(0) .. job(count - 1) to parked threads, starting new ones
  // where none is parked. Returns how many were handed out: fewer than
  // count (even 0) when no more threads could be started; the caller then
  // does the rest itself. One start per team.
  int start(int count, std::function<void(int worker)> job);
  // True once every job handed out has returned; waits at most `ms`.
  bool wait_for(uint32_t ms);
  void join();

 private:
  friend struct WorkerPoolAccess;
  void finished_one();

  std::function<void(int)> job_;
  ParkLock mutex_;
  ParkCondition all_done_;
  int running_ = 0;
};

// job(0) .. job(count - 1) side by side, job(0) on the calling thread and
// the others on the pool's; any the pool could not take run here as well.
// Returns once every job has returned.
void worker_pool_run(int count, const std::function<void(int worker)>& job);

// One worker per processor: the runs' default.
int worker_pool_processors();

// Threads of the pool so far (parked or at work).
int worker_pool_threads();
