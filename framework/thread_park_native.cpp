#include "framework/thread_park.h"

#include "framework/thread_park_std.h"

ParkLock::ParkLock() { park_std::make_lock(state_); }
ParkLock::~ParkLock() { park_std::end_lock(state_); }
void ParkLock::lock() { park_std::mutex_in(state_).lock(); }
void ParkLock::unlock() { park_std::mutex_in(state_).unlock(); }

ParkCondition::ParkCondition() { park_std::make_condition(state_); }
ParkCondition::~ParkCondition() { park_std::end_condition(state_); }

bool ParkCondition::wait_ms(std::unique_lock<ParkLock>& lock, uint32_t ms) {
  return park_std::wait(state_, lock.mutex()->state_, ms, true);
}
void ParkCondition::wait(std::unique_lock<ParkLock>& lock) { park_std::wait(state_, lock.mutex()->state_, 0, false); }
void ParkCondition::notify_one() { park_std::condition_in(state_).notify_one(); }
void ParkCondition::notify_all() { park_std::condition_in(state_).notify_all(); }
