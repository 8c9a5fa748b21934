// The reader's view of the text: a bounded buffer the text streams through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "reading/ByteSource.h"

namespace trelvo {

// The text of a source streams through a buffer: positions are offsets in that text. The
// Window, [Start, End), is the text the reader works on; Pending is the rest of the line it
// last read, after the Window, and the loaded text after it waits for the next line.
//
// Invariants: the loaded text is [base, data end), with base <= Start <= End <= pending end
// <= data end; the text before Start may be dropped at the next load (SkipTo may go back only
// to text not yet dropped: to where the Window started before it was consumed); the Window
// only grows at its end.
//
// The Window grows a line at a time, a line longer than the chunk size a chunk at a time, so
// that a line of any length streams through in bounded memory; a tag search takes all that is
// loaded at once instead.
class TTextWindow {
 public:
  // Bytes that stay readable after the end of the loaded text (of any content), so that the
  // tuple readers can load whole vectors near the end of the Window.
  static constexpr size_t kReadableTail = 128;

  // Reads `source` from its start; the Window is empty.
  void Open(std::unique_ptr<TByteSource> source);

  void Close() { m_source.reset(); }

  // Bytes of the file taken so far and its size, 0 when unknown; for progress.
  uint64_t BytesRead() const { return m_source ? m_source->Consumed() : 0; }

  uint64_t InputSize() const { return m_source ? m_source->Size() : 0; }

  std::string_view Text() const;

  size_t Length() const { return m_window_end - m_window_start; }

  size_t Start() const { return m_window_start; }

  size_t End() const { return m_window_end; }

  // Drops the first `count` bytes of the Window (at most Length()).
  void Consume(size_t count) { m_window_start += count; }

  // The text from `position` (at most Start) to the Window's start, while it is still
  // loaded; empty once a load may have dropped it.
  std::string_view Behind(size_t position) const;

  // Starts the Window at `position`: ahead of it, or back where it started before.
  void SkipTo(size_t position) { m_window_start = position; }

  // Ends the Window at `position` for a while (a stretch of text read alone), and back.
  void SetEnd(size_t position) { m_window_end = position; }

  // How much of a long line Grow(kLine) appends at a time.
  void SetChunkSize(size_t size) { m_chunk_size = size; }

  // How Grow widens the Window.
  enum class TGrowth {
    kLine,       // the rest of the line (or a chunk of it) when the Window is short of a chunk
    kAnyLength,  // more text, whatever the Window's length
    kLoaded,     // all the text loaded so far, without loading more
    kAllLoaded,  // all the text loaded so far, loading more when none is left
  };

  // Appends text to the Window's end as `growth` says; true when it appended any (false only
  // at the end of input, or for kLoaded when all loaded text is in the Window already).
  // After kLoaded and kAllLoaded, Pending is empty.
  bool Grow(TGrowth growth);

  // Cuts the Window back to one chunk (after a tag search took all the loaded text).
  void PushBackExcess();

  // The position of the first '<' in the Window, or its end.
  size_t FindLessThan();

 private:
  bool PendingEmpty() const { return m_pending_end_known && m_pending_end == m_window_end; }

  bool AtEndOfInput() { return m_window_end == m_data_end && !LoadMore(); }

  size_t PendingSpan(size_t limit);
  bool LoadMore();
  void Refill();
  void ReadLine();

  std::unique_ptr<TByteSource> m_source;
  bool m_source_done = false;
  // m_base is the position of m_buffer[0].
  std::vector<char> m_buffer;
  size_t m_base = 0;
  size_t m_kept_from = 0;  // the text before here may have been dropped
  size_t m_data_end = 0;
  size_t m_window_start = 0;
  size_t m_window_end = 0;   // Pending starts here
  size_t m_pending_end = 0;  // the end of the line last read, once it is known
  bool m_pending_end_known = true;
  size_t m_line_scanned = 0;         // no line break before here while the end is unknown
  size_t m_no_less_than_before = 0;  // no '<' between the Window's start and here
  size_t m_chunk_size = 500;
};

}  // namespace trelvo
