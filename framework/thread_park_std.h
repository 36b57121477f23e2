// The standard library's lock and condition inside the park objects' state:
// the native build's, and the Windows build's where the system has no slim
// locks (before Windows Vista).
#pragma once
#include <condition_variable>
#include <mutex>
#include <new>

#include "framework/thread_park.h"

namespace park_std {

static_assert(sizeof(std::mutex) <= PARK_STATE_BYTES && sizeof(std::condition_variable) <= PARK_STATE_BYTES);

inline std::mutex& mutex_in(void* state) { return *std::launder(static_cast<std::mutex*>(state)); }
inline std::condition_variable& condition_in(void* state) {
  return *std::launder(static_cast<std::condition_variable*>(state));
}

inline void make_lock(void* state) { new (state) std::mutex; }
inline void end_lock(void* state) { mutex_in(state).~mutex(); }
inline void make_condition(void* state) { new (state) std::condition_variable; }
inline void end_condition(void* state) { condition_in(state).~condition_variable(); }

// The caller's lock is handed to the standard condition and taken back.
inline bool wait(void* condition, void* lock, uint32_t ms, bool timed) {
  std::unique_lock<std::mutex> held(mutex_in(lock), std::adopt_lock);
  bool woken = true;
  if (timed) woken = condition_in(condition).wait_for(held, std::chrono::milliseconds(ms)) == std::cv_status::no_timeout;
  else condition_in(condition).wait(held);
  held.release();
  return woken;
}

}  // namespace park_std
