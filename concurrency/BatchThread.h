// A second thread that writes the batches one thread fills, in order.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>
#include <utility>

#include "concurrency/SpscRing.h"

namespace trelvo {

// The filling thread fills the slot Filling() and hands it off; the second thread writes each
// batch with `write` (which may change it: the slot is the second thread's meanwhile) and frees
// its slot. A thread that finds nothing to do spins briefly
// before it sleeps (TSpscRing). An error of the writing (a full disk) is rethrown to the
// filling thread by HandOff, WaitUntilWritten or Finish.
template <class TBatch>
class TBatchThread {
 public:
  static constexpr size_t kSlots = 4;

  explicit TBatchThread(std::function<void(TBatch&)> write) : m_write(std::move(write)) {
    m_thread = std::thread(&TBatchThread::Run, this);
  }

  // Stops the second thread without writing what is left (a failed run).
  ~TBatchThread() { Stop(true); }

  TBatchThread(const TBatchThread&) = delete;
  TBatchThread& operator=(const TBatchThread&) = delete;

  TBatch& Filling() { return m_ring.Producing(); }

  std::array<TBatch, kSlots>& Slots() { return m_ring.Slots(); }

  // Queues the batch being filled; returns once the next slot is free, with `clear(slot)`
  // called on it.
  template <class TClear>
  void HandOff(TClear clear) {
    m_ring.Publish();
    // The next slot is free once the batch that last used it is written.
    m_ring.AwaitFree([&] { return m_failed.load(); });
    RethrowError();
    clear(Filling());
  }

  // For the filling thread: the batches handed off and not yet written.
  uint64_t Waiting() const { return m_ring.Published() - m_ring.Released(); }

  // Waits until every batch handed off is written.
  void WaitUntilWritten() {
    m_ring.AwaitReleased(m_ring.Published(), [&] { return m_failed.load(); });
    RethrowError();
  }

  // Waits until every batch handed off is written and stops the second thread.
  void Finish() {
    WaitUntilWritten();
    Stop(false);
    RethrowError();
  }

 private:
  // m_error is written before m_failed is set, and read only after it is seen set.
  void RethrowError() {
    if (m_failed.load()) std::rethrow_exception(m_error);
  }

  void Run() {
    // A batch handed off before closing is still written: Finish waits for it first.
    while (m_ring.AwaitPublished([&] { return m_closing.load(); }) && !m_abandon.load()) {
      try {
        m_write(m_ring.Consuming());
      } catch (...) {
        m_error = std::current_exception();
        m_failed.store(true);
        m_ring.Wake();
        return;
      }
      m_ring.Release();
    }
  }

  void Stop(bool abandon) noexcept {
    if (!m_thread.joinable()) return;
    if (abandon) m_abandon.store(true);
    m_closing.store(true);
    m_ring.Wake();
    m_thread.join();
  }

  std::function<void(TBatch&)> m_write;
  TSpscRing<TBatch, kSlots> m_ring;
  alignas(64) std::atomic<bool> m_closing{false};
  std::atomic<bool> m_abandon{false};
  std::atomic<bool> m_failed{false};  // set once m_error is
  std::exception_ptr m_error;
  std::thread m_thread;
};

}  // namespace trelvo
