#include "transform/PipelinedWriter.h"

#include <cassert>

namespace trelvo {
namespace {
// Vertices per batch: large enough to make the hand-off rare, small enough to stay in cache.
constexpr size_t kBatchPoints = 16384;
}  // namespace

TPipelinedWriter::TPipelinedWriter(TTextWriter& writer, bool points_only)
    : m_writer(writer), m_points_only(points_only) {
  m_filling.points.reserve(kBatchPoints);
  m_pending.points.reserve(kBatchPoints);
  m_thread = std::thread(&TPipelinedWriter::Run, this);
}

TPipelinedWriter::~TPipelinedWriter() { Stop(true); }

void TPipelinedWriter::Add(const TXYZList& points) {
  const int32_t count = m_points_only ? 1 : points.Count();
  if (static_cast<size_t>(count) > kBatchPoints) {
    // A very large entity is written here, once the second thread has caught up, rather than
    // copied.
    HandOff();
    std::unique_lock<std::mutex> lock(m_mutex);
    WaitUntilIdle(lock);
    WriteEntity(points.Data(), count);
    return;
  }
  assert(count <= points.Count());
  m_filling.points.insert(m_filling.points.end(), points.Data(), points.Data() + count);
  m_filling.counts.push_back(count);
  if (m_filling.points.size() >= kBatchPoints) HandOff();
}

void TPipelinedWriter::Finish() {
  HandOff();
  Stop(false);
  if (m_error) std::rethrow_exception(m_error);
}

// Waits until the second thread has written what it was given; rethrows its error.
void TPipelinedWriter::WaitUntilIdle(std::unique_lock<std::mutex>& lock) {
  m_changed.wait(lock, [this] { return !m_has_pending || m_error; });
  if (m_error) std::rethrow_exception(m_error);
}

void TPipelinedWriter::HandOff() {
  if (m_filling.counts.empty()) return;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    WaitUntilIdle(lock);
    std::swap(m_pending, m_filling);
    m_has_pending = true;
  }
  m_changed.notify_all();
  m_filling.points.clear();
  m_filling.counts.clear();
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
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [this] { return m_has_pending || m_closing; });
    if (!m_has_pending) return;
    if (!m_abandon) {
      lock.unlock();
      try {
        WriteBatch(m_pending);
      } catch (...) {
        lock.lock();
        m_error = std::current_exception();
        m_changed.notify_all();
        return;
      }
      lock.lock();
    }
    m_has_pending = false;
    m_changed.notify_all();
  }
}

void TPipelinedWriter::Stop(bool abandon) noexcept {
  if (!m_thread.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_closing = true;
    m_abandon = m_abandon || abandon;
  }
  m_changed.notify_all();
  m_thread.join();
}

}  // namespace trelvo
