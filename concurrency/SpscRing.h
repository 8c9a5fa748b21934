// The ring of slots that hands work from one thread to another: the read-ahead's blocks, the
// writing pipeline's batches.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "concurrency/ThreadSignal.h"

namespace trelvo {

// One producer thread fills slots and publishes them; one consumer thread takes them in the
// same order and releases each, which frees it for the producer again. The slots between the
// two counters are the consumer's, the others the producer's: each counter has one writer and
// a cache line of its own, so a hand-off is two atomic stores, and a wake-up only for a thread
// that sleeps (TThreadSignal).
//
// Every wait takes a `stop` condition too (the other side failed or is closing): whoever
// changes what it reads calls Wake.
template <typename TSlot, size_t kSlots>
class TSpscRing {
 public:
  // The producer's slot to fill, once AwaitFree has returned true.
  TSlot& Producing() { return m_slots[m_published.load(std::memory_order_relaxed) % kSlots]; }

  // Waits until the producer's slot is free or `stop()` holds; false when it is not free.
  template <typename TStop>
  bool AwaitFree(TStop stop, std::chrono::microseconds spin = TThreadSignal::kSpinTime) {
    const uint64_t published = m_published.load(std::memory_order_relaxed);
    const auto free = [&] { return published - m_released.load() < kSlots; };
    m_signal.Await([&] { return free() || stop(); }, spin);
    return free();
  }

  // Hands the producer's slot to the consumer.
  void Publish() {
    m_published.store(m_published.load(std::memory_order_relaxed) + 1);
    m_signal.Wake();
  }

  // The consumer's slot, once AwaitPublished has returned true.
  TSlot& Consuming() { return m_slots[m_released.load(std::memory_order_relaxed) % kSlots]; }

  // Waits until a slot is published for the consumer or `stop()` holds; false when none is.
  template <typename TStop>
  bool AwaitPublished(TStop stop) {
    const uint64_t released = m_released.load(std::memory_order_relaxed);
    const auto published = [&] { return m_published.load() > released; };
    m_signal.Await([&] { return published() || stop(); });
    return published();
  }

  // Gives the consumer's slot back to the producer.
  void Release() {
    m_released.store(m_released.load(std::memory_order_relaxed) + 1);
    m_signal.Wake();
  }

  // For the producer: waits until the consumer has released the first `count` slots, or
  // `stop()` holds.
  template <typename TStop>
  void AwaitReleased(uint64_t count, TStop stop) {
    m_signal.Await([&] { return m_released.load() >= count || stop(); });
  }

  // Slots published so far.
  uint64_t Published() const { return m_published.load(std::memory_order_relaxed); }

  // Slots released so far.
  uint64_t Released() const { return m_released.load(std::memory_order_relaxed); }

  // For a change of what a `stop` condition reads.
  void Wake() { m_signal.Wake(); }

  std::array<TSlot, kSlots>& Slots() { return m_slots; }

 private:
  std::array<TSlot, kSlots> m_slots;
  alignas(64) std::atomic<uint64_t> m_published{0};
  alignas(64) std::atomic<uint64_t> m_released{0};
  TThreadSignal m_signal;
};

}  // namespace trelvo
