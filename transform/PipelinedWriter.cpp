#include "transform/PipelinedWriter.h"

#include <cassert>

namespace trelvo {
namespace {
// Vertices per batch: large enough to make the hand-off rare, small enough to stay in cache.
constexpr size_t kBatchPoints = 8192;
}  // namespace

TPipelinedWriter::TPipelinedWriter(TTextWriter& writer, bool points_only)
    : m_writer(writer), m_points_only(points_only) {
  for (TBatch& batch : m_ring.Slots()) batch.vertices.reserve(kBatchPoints);
  m_thread = std::thread(&TPipelinedWriter::Run, this);
}

TPipelinedWriter::~TPipelinedWriter() { Stop(true); }

void TPipelinedWriter::Add(const TXYZList& points) {
  const int32_t count = m_points_only ? 1 : points.Count();
  assert(count <= points.Count());
  if (points.Form() == TCoordinateForm::kText && static_cast<size_t>(count) > kBatchPoints) {
    // A very large entity is written here, once the second thread has caught up, rather than
    // copied.
    HandOff();
    WaitUntilWritten(m_ring.Published());
    WriteEntity(points.Texts().first(static_cast<size_t>(count)));
    return;
  }
  TBatch& batch = Filling();
  if (points.Form() == TCoordinateForm::kText) {
    const std::span<const TVertexText> texts = points.Texts().first(static_cast<size_t>(count));
    batch.vertices.insert(batch.vertices.end(), texts.begin(), texts.end());
  } else {
    for (const TXYZPoint& point : points.Values().first(static_cast<size_t>(count))) {
      batch.vertices.push_back({TFixedText::OfValue(point.X), TFixedText::OfValue(point.Y),
                                TFixedText::OfValue(point.Z)});
    }
  }
  batch.counts.push_back(count);
  if (batch.vertices.size() >= kBatchPoints) HandOff();
}

void TPipelinedWriter::Finish() {
  HandOff();
  WaitUntilWritten(m_ring.Published());
  Stop(false);
  RethrowError();
}

// Queues the batch being filled and makes sure the next slot is free to fill.
void TPipelinedWriter::HandOff() {
  if (Filling().counts.empty()) return;
  m_ring.Publish();
  // The next slot is free once the batch that last used it is written.
  m_ring.AwaitFree([&] { return m_failed.load(); });
  RethrowError();
  TBatch& next = Filling();
  next.vertices.clear();
  next.counts.clear();
}

// Waits until the second thread has written the first `batches`; rethrows its error.
void TPipelinedWriter::WaitUntilWritten(uint64_t batches) {
  m_ring.AwaitReleased(batches, [&] { return m_failed.load(); });
  RethrowError();
}

// m_error is written before m_failed is set, and read only after it is seen set.
void TPipelinedWriter::RethrowError() {
  if (m_failed.load()) std::rethrow_exception(m_error);
}

void TPipelinedWriter::WriteEntity(std::span<const TVertexText> vertices) {
  if (m_points_only) {
    m_writer.WriteVertexRow(vertices[0]);
  } else {
    m_writer.WriteVertexBlock(vertices);
  }
}

void TPipelinedWriter::WriteBatch(const TBatch& batch) {
  std::span<const TVertexText> vertices = batch.vertices;
  for (const int32_t count : batch.counts) {
    WriteEntity(vertices.first(static_cast<size_t>(count)));
    vertices = vertices.subspan(static_cast<size_t>(count));
  }
}

void TPipelinedWriter::Run() {
  // A batch handed off before closing is still written: Finish hands off the last one first.
  while (m_ring.AwaitPublished([&] { return m_closing.load(); }) && !m_abandon.load()) {
    try {
      WriteBatch(m_ring.Consuming());
    } catch (...) {
      m_error = std::current_exception();
      m_failed.store(true);
      m_ring.Wake();
      return;
    }
    m_ring.Release();
  }
}

void TPipelinedWriter::Stop(bool abandon) noexcept {
  if (!m_thread.joinable()) return;
  if (abandon) m_abandon.store(true);
  m_closing.store(true);
  m_ring.Wake();
  m_thread.join();
}

}  // namespace trelvo
