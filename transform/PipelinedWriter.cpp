#include "transform/PipelinedWriter.h"

#include <cassert>
#include <chrono>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trelvo {
namespace {
// Vertices per batch: large enough to make the hand-off rare, small enough to stay in cache.
constexpr size_t kBatchPoints = 8192;
// How long a thread with nothing to do checks again before it sleeps: about the time the
// other one takes for a tenth of a batch.
constexpr auto kSpinTime = std::chrono::microseconds(50);

void Relax() {
#if defined(__SSE2__)
  _mm_pause();
#endif
}
}  // namespace

TPipelinedWriter::TPipelinedWriter(TTextWriter& writer, bool points_only)
    : m_writer(writer), m_points_only(points_only) {
  for (TBatch& batch : m_slots) batch.points.reserve(kBatchPoints);
  m_thread = std::thread(&TPipelinedWriter::Run, this);
}

TPipelinedWriter::~TPipelinedWriter() { Stop(true); }

void TPipelinedWriter::Add(const TXYZList& points) {
  const int32_t count = m_points_only ? 1 : points.Count();
  if (static_cast<size_t>(count) > kBatchPoints) {
    // A very large entity is written here, once the second thread has caught up, rather than
    // copied.
    HandOff();
    WaitUntilWritten(m_queued.load(std::memory_order_relaxed));
    WriteEntity(points.Data(), count);
    return;
  }
  assert(count <= points.Count());
  TBatch& batch = Filling();
  batch.points.insert(batch.points.end(), points.Data(), points.Data() + count);
  batch.counts.push_back(count);
  if (batch.points.size() >= kBatchPoints) HandOff();
}

void TPipelinedWriter::Finish() {
  HandOff();
  WaitUntilWritten(m_queued.load(std::memory_order_relaxed));
  Stop(false);
  RethrowError();
}

// Queues the batch being filled and makes sure the next slot is free to fill.
void TPipelinedWriter::HandOff() {
  if (Filling().counts.empty()) return;
  const uint64_t queued = m_queued.load(std::memory_order_relaxed) + 1;
  m_queued.store(queued);
  Wake();
  // The next slot is free once the batch that last used it is written.
  Await([&] { return queued - m_written.load() < kSlots || m_failed.load(); });
  RethrowError();
  TBatch& next = Filling();
  next.points.clear();
  next.counts.clear();
}

// Waits until the second thread has written the first `batches`; rethrows its error.
void TPipelinedWriter::WaitUntilWritten(uint64_t batches) {
  Await([&] { return m_written.load() >= batches || m_failed.load(); });
  RethrowError();
}

void TPipelinedWriter::RethrowError() {
  if (!m_failed.load()) return;
  const std::lock_guard<std::mutex> lock(m_mutex);
  std::rethrow_exception(m_error);
}

// Returns once `ready()` holds. A thread that goes to sleep counts itself in m_sleepers before
// it checks `ready()` again, and a thread that changes what `ready()` reads checks m_sleepers
// after it (both sequentially consistent): so either the sleeper sees the change, or Wake sees
// the sleeper.
template <typename TReady>
void TPipelinedWriter::Await(TReady ready) {
  if (ready()) return;
  const auto until = std::chrono::steady_clock::now() + kSpinTime;
  for (unsigned spin = 1;; ++spin) {
    Relax();
    if (ready()) return;
    if (spin % 64 == 0 && std::chrono::steady_clock::now() >= until) break;
  }
  std::unique_lock<std::mutex> lock(m_mutex);
  m_sleepers.fetch_add(1);
  m_changed.wait(lock, ready);
  m_sleepers.fetch_sub(1);
}

void TPipelinedWriter::Wake() {
  if (m_sleepers.load() == 0) return;
  { const std::lock_guard<std::mutex> lock(m_mutex); }
  m_changed.notify_all();
}

void TPipelinedWriter::WriteEntity(const TXYZPoint* points, int32_t count) {
  if (m_points_only) {
    m_writer.WriteVertexRow(points[0]);
  } else {
    m_writer.WriteVertexBlock(points, count);
  }
}

void TPipelinedWriter::WriteBatch(const TBatch& batch) {
  const TXYZPoint* points = batch.points.data();
  for (const int32_t count : batch.counts) {
    WriteEntity(points, count);
    points += count;
  }
}

void TPipelinedWriter::Run() {
  for (uint64_t written = 0;; m_written.store(++written), Wake()) {
    Await([&] { return m_queued.load() > written || m_closing.load(); });
    if (m_queued.load() == written || m_abandon.load()) return;
    try {
      WriteBatch(m_slots[written % kSlots]);
    } catch (...) {
      {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_error = std::current_exception();
      }
      m_failed.store(true);
      Wake();
      return;
    }
  }
}

void TPipelinedWriter::Stop(bool abandon) noexcept {
  if (!m_thread.joinable()) return;
  if (abandon) m_abandon.store(true);
  m_closing.store(true);
  Wake();
  m_thread.join();
}

}  // namespace trelvo
