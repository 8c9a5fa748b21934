#include "transform/PipelinedWriter.h"

#include <cassert>

namespace trelvo {
namespace {
// Vertices per batch: large enough to make the hand-off rare, small enough to stay in cache.
constexpr size_t kBatchPoints = 8192;
}  // namespace

TPipelinedWriter::TPipelinedWriter(TTextWriter& writer, bool points_only, TProjection* projection)
    : m_writer(writer),
      m_points_only(points_only),
      m_projection(projection),
      m_thread([this](TBatch& batch) { WriteBatch(batch); }) {
  for (TBatch& batch : m_thread.Slots()) batch.vertices.reserve(kBatchPoints);
}

void TPipelinedWriter::Add(const TXYZList& points) {
  const int32_t count = m_points_only ? 1 : points.Count();
  assert(count <= points.Count());
  if (points.Form() == TCoordinateForm::kText && static_cast<size_t>(count) > kBatchPoints) {
    // A very large entity is written here, once the second thread has caught up, rather than
    // copied.
    HandOff();
    m_thread.WaitUntilWritten();
    WriteEntity(points.Texts().first(static_cast<size_t>(count)));
    return;
  }
  TBatch& batch = m_thread.Filling();
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
  m_thread.Finish();
  if (m_writing_projection != nullptr) m_projection->Absorb(*m_writing_projection);
}

// Queues the batch being filled, when it holds any entity. Projection costs more than reading
// and writing together: every other batch is projected here, the others on the second thread.
void TPipelinedWriter::HandOff() {
  TBatch& batch = m_thread.Filling();
  if (batch.counts.empty()) return;
  batch.first_entity = m_entities_handed + 1;
  m_entities_handed += static_cast<int64_t>(batch.counts.size());
  batch.projected = false;
  if (m_projection != nullptr && (m_writing_projection == nullptr || m_batches % 2 == 0)) {
    ProjectBatch(batch, *m_projection);
    batch.projected = true;
    // The second thread's own projection, once the first vertex has decided the zone.
    if (m_writing_projection == nullptr) {
      m_writing_projection = std::make_unique<TProjection>(m_projection->Settings());
    }
  }
  ++m_batches;
  m_thread.HandOff([](TBatch& next) {
    next.vertices.clear();
    next.counts.clear();
  });
}

void TPipelinedWriter::ProjectBatch(TBatch& batch, TProjection& projection) {
  std::span<TVertexText> vertices = batch.vertices;
  int64_t entity = batch.first_entity;
  for (const int32_t count : batch.counts) {
    projection.Project(vertices.first(static_cast<size_t>(count)), entity++);
    vertices = vertices.subspan(static_cast<size_t>(count));
  }
}

void TPipelinedWriter::WriteEntity(std::span<const TVertexText> vertices) {
  if (m_points_only) {
    m_writer.WriteVertexRow(vertices[0]);
  } else {
    m_writer.WriteVertexBlock(vertices);
  }
}

void TPipelinedWriter::WriteBatch(TBatch& batch) {
  if (!batch.projected && m_writing_projection != nullptr) {
    ProjectBatch(batch, *m_writing_projection);
  }
  std::span<const TVertexText> vertices = batch.vertices;
  for (const int32_t count : batch.counts) {
    WriteEntity(vertices.first(static_cast<size_t>(count)));
    vertices = vertices.subspan(static_cast<size_t>(count));
  }
}

}  // namespace trelvo
