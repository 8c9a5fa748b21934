// Formats and writes entities on a second thread while the calling thread reads the next ones.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "reading/PointList.h"
#include "transform/TextExport.h"

namespace trelvo {

// Reading and formatting cost about the same per vertex, so overlapping them on two cores
// nearly doubles the throughput. Entities are copied into batches and written in order; the
// output is byte for byte what writing them one by one gives. Errors of the writing thread
// (a full disk) are rethrown to the caller by Add or Finish.
class TPipelinedWriter {
 public:
  // `points_only`: write each entity's first vertex as a plain row (Point files); otherwise
  // a vertex block per entity. The writer is used by the second thread until Finish.
  TPipelinedWriter(TTextWriter& writer, bool points_only);
  // Stops the second thread without writing what is left (a failed run).
  ~TPipelinedWriter();
  TPipelinedWriter(const TPipelinedWriter&) = delete;
  TPipelinedWriter& operator=(const TPipelinedWriter&) = delete;

  // Queues one entity for writing.
  void Add(const TXYZList& points);

  // Writes everything queued and stops the second thread; the writer is the caller's again.
  void Finish();

 private:
  struct TBatch {
    std::vector<TXYZPoint> points;
    std::vector<int32_t> counts;  // vertices per entity, in order
  };

  void HandOff();
  void WaitUntilIdle(std::unique_lock<std::mutex>& lock);
  void WriteBatch(const TBatch& batch);
  void WriteEntity(const TXYZPoint* points, int32_t count);
  void Run();
  void Stop(bool abandon) noexcept;

  TTextWriter& m_writer;
  bool m_points_only;
  TBatch m_filling;  // the caller's

  std::mutex m_mutex;
  std::condition_variable m_changed;
  TBatch m_pending;            // handed to the second thread
  bool m_has_pending = false;  // true until the second thread has written m_pending
  bool m_closing = false;
  bool m_abandon = false;
  std::exception_ptr m_error;
  std::thread m_thread;
};

}  // namespace trelvo
