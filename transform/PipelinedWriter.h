// Formats and writes entities on a second thread while the calling thread reads the next ones.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "concurrency/BatchThread.h"
#include "reading/PointList.h"
#include "transform/Projection.h"
#include "transform/TextExport.h"

namespace trelvo {

// Reading and formatting cost about the same per vertex, so overlapping them on two cores
// nearly doubles the throughput. Entities are copied into batches and written in order; the
// output is byte for byte what writing them one by one gives. Errors of the writing thread
// (a full disk) are rethrown to the caller by Add or Finish.
//
// The batches go round a ring of a few slots (TBatchThread), and a thread that finds nothing to
// do spins briefly before it sleeps: with one batch in flight and no spinning, the wake-ups took
// a tenth of the run.
class TPipelinedWriter {
 public:
  // `points_only`: write each entity's first vertex as a plain row (Point files); otherwise
  // a vertex block per entity. With `projection` X and Y are projected first, on both threads
  // (a second projection of the same system serves the second one); Finish adds what that one
  // saw to `projection`'s report. The writer is used by the second thread until Finish.
  TPipelinedWriter(TTextWriter& writer, bool points_only, TProjection* projection = nullptr);

  // Queues one entity for writing (a list of either form).
  void Add(const TXYZList& points);

  // Writes everything queued and stops the second thread; the writer is the caller's again.
  void Finish();

 private:
  struct TBatch {
    std::vector<TVertexText> vertices;
    std::vector<int32_t> counts;  // vertices per entity, in order
    int64_t first_entity = 0;     // the number of its first entity, for messages
    bool projected = false;       // already, by the filling thread
  };

  void HandOff();
  void WriteBatch(TBatch& batch);
  static void ProjectBatch(TBatch& batch, TProjection& projection);
  void WriteEntity(std::span<const TVertexText> vertices);

  TTextWriter& m_writer;
  const bool m_points_only;
  TProjection* const m_projection;
  std::unique_ptr<TProjection> m_writing_projection;  // the second thread's
  int64_t m_entities_handed = 0;
  uint64_t m_batches = 0;
  TBatchThread<TBatch> m_thread;
};

}  // namespace trelvo
