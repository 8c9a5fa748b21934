// How one thread waits for work another thread hands it, without a wake-up at every hand-off.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trelvo {

// A thread waits in Await until a condition on shared atomics holds; the thread that changes
// what the condition reads calls Wake after the change. Waking a sleeping thread costs tens of
// microseconds on a virtual machine, so a waiter on the critical path may spin briefly first.
//
// A thread that goes to sleep counts itself in m_sleepers before it checks the condition
// again, and Wake checks m_sleepers after the change (both sequentially consistent): so either
// the sleeper sees the change, or Wake sees the sleeper.
class TThreadSignal {
 public:
  // The default spin: about a tenth of the time the writing pipeline's partner takes for one
  // batch. A waiter off the critical path (the read-ahead when its ring is full) passes 0.
  static constexpr auto kSpinTime = std::chrono::microseconds(50);

  // Returns once `ready()` holds, checking again for `spin_time` before it sleeps.
  template <typename TReady>
  void Await(TReady ready, std::chrono::microseconds spin_time = kSpinTime) {
    if (ready()) return;
    if (spin_time.count() > 0) {
      const auto until = std::chrono::steady_clock::now() + spin_time;
      for (unsigned spin = 1;; ++spin) {
        Relax();
        if (ready()) return;
        if (spin % 64 == 0 && std::chrono::steady_clock::now() >= until) break;
      }
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_sleepers.fetch_add(1);
    m_changed.wait(lock, ready);
    m_sleepers.fetch_sub(1);
  }

  void Wake() {
    if (m_sleepers.load() == 0) return;
    { const std::lock_guard<std::mutex> lock(m_mutex); }
    m_changed.notify_all();
  }

 private:
  static void Relax() {
#if defined(__SSE2__)
    _mm_pause();
#endif
  }

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::atomic<int> m_sleepers{0};
};

}  // namespace trelvo
