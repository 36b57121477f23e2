#include "framework/thread_park.h"

#include <windows.h>

#include <cstring>

#include "framework/thread_park_std.h"

namespace {

// The slim lock and condition functions, looked up once: the programs also
// start on Windows versions without them, and then park with the standard
// library's.
struct SlimApi {
  void(WINAPI* acquire)(void*) = nullptr;
  void(WINAPI* release)(void*) = nullptr;
  BOOL(WINAPI* sleep)(void*, void*, DWORD, ULONG) = nullptr;
  void(WINAPI* wake)(void*) = nullptr;
  void(WINAPI* wake_all)(void*) = nullptr;
  bool present() const { return acquire && release && sleep && wake && wake_all; }
};

template <typename F>
void look_up(HMODULE kernel, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

const SlimApi& slim() {
  static const SlimApi api = [] {
    SlimApi a;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return a;
    look_up(kernel, "AcquireSRWLockExclusive", a.acquire);
    look_up(kernel, "ReleaseSRWLockExclusive", a.release);
    look_up(kernel, "SleepConditionVariableSRW", a.sleep);
    look_up(kernel, "WakeConditionVariable", a.wake);
    look_up(kernel, "WakeAllConditionVariable", a.wake_all);
    if (!a.present()) a = SlimApi{};
    return a;
  }();
  return api;
}

// An unlocked slim lock and an unwoken condition are a zero pointer each.
void make_slim(unsigned char* state) { std::memset(state, 0, PARK_STATE_BYTES); }

}  // namespace

ParkLock::ParkLock() { slim().present() ? make_slim(state_) : park_std::make_lock(state_); }
ParkLock::~ParkLock() {
  if (!slim().present()) park_std::end_lock(state_);
}
void ParkLock::lock() { slim().present() ? slim().acquire(state_) : park_std::mutex_in(state_).lock(); }
void ParkLock::unlock() { slim().present() ? slim().release(state_) : park_std::mutex_in(state_).unlock(); }

ParkCondition::ParkCondition() { slim().present() ? make_slim(state_) : park_std::make_condition(state_); }
ParkCondition::~ParkCondition() {
  if (!slim().present()) park_std::end_condition(state_);
}

bool ParkCondition::wait_ms(std::unique_lock<ParkLock>& lock, uint32_t ms) {
  if (!slim().present()) return park_std::wait(state_, lock.mutex()->state_, ms, true);
  // INFINITE would wait for ever: the longest finite wait instead.
  return slim().sleep(state_, lock.mutex()->state_, ms == INFINITE ? INFINITE - 1 : ms, 0) != 0;
}
void ParkCondition::wait(std::unique_lock<ParkLock>& lock) {
  if (!slim().present()) park_std::wait(state_, lock.mutex()->state_, 0, false);
  else slim().sleep(state_, lock.mutex()->state_, INFINITE, 0);
}
void ParkCondition::notify_one() { slim().present() ? slim().wake(state_) : park_std::condition_in(state_).notify_one(); }
void ParkCondition::notify_all() {
  slim().present() ? slim().wake_all(state_) : park_std::condition_in(state_).notify_all();
}
