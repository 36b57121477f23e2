// The lock and condition the worker pool parks its threads with. Natively
// they are the standard library's; the Windows builds use the system's slim
// locks and condition variables, which Wine keeps inside the process, where
// the threads library's go through the Wine server at every wait and wake
// (a quarter of a millisecond each, so that the last of eight threads woke
// 4 ms after a run started).
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

constexpr size_t PARK_STATE_BYTES = 64;  // the largest of the implementations' objects

class ParkLock {
 public:
  ParkLock();
  ~ParkLock();
  ParkLock(const ParkLock&) = delete;
  ParkLock& operator=(const ParkLock&) = delete;
  void lock();
  void unlock();

 private:
  friend class ParkCondition;
  alignas(std::max_align_t) unsigned char state_[PARK_STATE_BYTES];
};

class ParkCondition {
 public:
  ParkCondition();
  ~ParkCondition();
  ParkCondition(const ParkCondition&) = delete;
  ParkCondition& operator=(const ParkCondition&) = delete;

  // Both may return early, without a wake; false once `ms` have passed.
  bool wait_ms(std::unique_lock<ParkLock>& lock, uint32_t ms);
  void wait(std::unique_lock<ParkLock>& lock);
  void notify_one();
  void notify_all();

  template <typename Done>
  void wait(std::unique_lock<ParkLock>& lock, Done done) {
    while (!done()) wait(lock);
  }
  // True once done holds; false when `ms` passed first.
  template <typename Done>
  bool wait_for(std::unique_lock<ParkLock>& lock, std::chrono::milliseconds ms, Done done) {
    auto end = std::chrono::steady_clock::now() + ms;
    while (!done()) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
      if (left <= 0) return done();
      wait_ms(lock, uint32_t(left));
    }
    return true;
  }

 private:
  alignas(std::max_align_t) unsigned char state_[PARK_STATE_BYTES];
};
