#include "framework/worker_pool.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

struct WorkerPoolAccess {
  static void run(WorkerTeam& team, int worker) { team.job_(worker); }
  static void finished(WorkerTeam& team) { team.finished_one(); }
};

namespace {

// A parked thread waits on a condition of its own, so that a start wakes
// only the threads it hands work to.
struct alignas(CACHE_LINE_BYTES) Slot {
  ParkCondition wake;
  WorkerTeam* team = nullptr;  // set while the slot has work
  int worker = 0;
};

struct Pool {
  ParkLock mutex;
  std::vector<std::unique_ptr<Slot>> slots;
  std::vector<Slot*> parked;
};

// Never destroyed: parked threads still wait on it while the process ends.
Pool& pool() {
  static Pool* const p = new Pool;
  return *p;
}

// The slot parks again before its team hears that the job is done, so that
// a team starting right after finds every thread of the last one parked.
void serve(Slot& slot) {
  Pool& p = pool();
  std::unique_lock<ParkLock> lock(p.mutex);
  for (;;) {
    slot.wake.wait(lock, [&] { return slot.team != nullptr; });
    WorkerTeam& team = *slot.team;
    int worker = slot.worker;
    lock.unlock();
    WorkerPoolAccess::run(team, worker);
    lock.lock();
    slot.team = nullptr;
    p.parked.push_back(&slot);
    lock.unlock();
    WorkerPoolAccess::finished(team);
    lock.lock();
  }
}

// A parked slot, or a new one with its thread; null when no thread starts.
Slot* take_slot(Pool& p) {
  if (!p.parked.empty()) {
    Slot* s = p.parked.back();
    p.parked.pop_back();
    return s;
  }
  try {
    p.slots.push_back(std::make_unique<Slot>());
    p.parked.reserve(p.slots.size());  // parking again never allocates
  } catch (...) {
    return nullptr;
  }
  Slot* s = p.slots.back().get();
  try {
    std::thread(serve, std::ref(*s)).detach();
  } catch (...) {
    p.slots.pop_back();
    return nullptr;
  }
  return s;
}

}  // namespace

int WorkerTeam::start(int count, std::function<void(int)> job) {
  job_ = std::move(job);
  Pool& p = pool();
  std::lock_guard<ParkLock> lock(p.mutex);
  int handed = 0;
  for (; handed < count; ++handed) {
    Slot* s = take_slot(p);
    if (!s) break;
    {
      std::lock_guard<ParkLock> own(mutex_);
      running_ += 1;
    }
    s->team = this;
    s->worker = handed;
    s->wake.notify_one();
  }
  return handed;
}

// Under the lock: the team may be gone as soon as it is released.
void WorkerTeam::finished_one() {
  std::lock_guard<ParkLock> lock(mutex_);
  if (--running_ == 0) all_done_.notify_all();
}

bool WorkerTeam::wait_for(uint32_t ms) {
  std::unique_lock<ParkLock> lock(mutex_);
  return all_done_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return running_ == 0; });
}

void WorkerTeam::join() {
  std::unique_lock<ParkLock> lock(mutex_);
  all_done_.wait(lock, [&] { return running_ == 0; });
}

void worker_pool_run(int count, const std::function<void(int)>& job) {
  if (count <= 0) return;
  WorkerTeam team;
  int handed = count > 1 ? team.start(count - 1, [&](int w) { job(w + 1); }) : 0;
  job(0);
  for (int w = handed + 1; w < count; ++w) job(w);
  team.join();
}

int worker_pool_processors() { return std::max(1, int(std::thread::hardware_concurrency())); }

int worker_pool_threads() {
  Pool& p = pool();
  std::lock_guard<ParkLock> lock(p.mutex);
  return int(p.slots.size());
}
