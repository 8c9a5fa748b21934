#include "reading/TextWindow.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>

namespace trelvo {
namespace {

// The text streams through the buffer in blocks of this size.
constexpr size_t kBlockSize = size_t{1} << 20;

static_assert(kTakenBlockTail >= TTextWindow::kReadableTail);

}  // namespace

void TTextWindow::Open(std::unique_ptr<TByteSource> source) {
  m_source = std::move(source);
  m_source_done = false;
  m_buffer.assign(kBlockSize, '\0');
  m_base = m_kept_from = m_data_end = m_window_start = m_window_end = m_pending_end =
      m_line_scanned = 0;
  m_no_less_than_before = 0;
  m_pending_end_known = true;
  m_chunk_size = 500;
}

std::string_view TTextWindow::Text() const {
  return {m_buffer.data() + (m_window_start - m_base), (Length())};
}

std::string_view TTextWindow::Behind(size_t position) const {
  if (position < m_kept_from || position > m_window_start) return {};
  return {m_buffer.data() + (position - m_base), m_window_start - position};
}

// Appends the next block of the filtered text to the buffer. Everything before the Window is
// dropped first. False once the source is exhausted.
bool TTextWindow::LoadMore() {
  if (m_source == nullptr || m_source_done) return false;
  m_kept_from = m_window_start;
  const size_t drop = m_window_start - m_base;
  const size_t kept = m_data_end - m_window_start;
  if (const std::optional<TByteSource::TTakenBlock> taken =
          m_source->TakeBlock(&m_buffer, drop, kept)) {
    m_source_done = taken->size == 0;
    if (m_source_done) return false;
    // The source's block is the buffer now, the kept text copied in front of it.
    m_base = m_window_start - taken->kept_at;
    m_data_end += taken->size;
    return true;
  }
  if (drop > 0) {
    std::memmove(m_buffer.data(), m_buffer.data() + drop, kept);
    m_base = m_window_start;
  }
  if (m_buffer.size() - kept < kBlockSize / 2) m_buffer.resize(m_buffer.size() * 2);
  const size_t count =
      m_source->Read(m_buffer.data() + kept, m_buffer.size() - kept - kReadableTail);
  m_source_done = count == 0;
  m_data_end += count;
  return count > 0;
}

// Length of Pending, but at most `limit`: finds the end of the current line only as far
// as needed, so a line of any length streams through a bounded buffer.
size_t TTextWindow::PendingSpan(size_t limit) {
  for (;;) {
    if (m_pending_end_known) return std::min(limit, m_pending_end - m_window_end);
    if (m_line_scanned - m_window_end >= limit) return limit;
    if (m_line_scanned < m_data_end) {
      const char* from = m_buffer.data() + (m_line_scanned - m_base);
      const auto length = m_data_end - m_line_scanned;
      const void* hit = std::memchr(from, '\n', length);
      if (hit != nullptr) {
        m_pending_end =
            m_line_scanned + static_cast<size_t>(static_cast<const char*>(hit) - from) + 1;
        m_pending_end_known = true;
      } else {
        m_line_scanned = m_data_end;
      }
    } else if (!LoadMore()) {
      m_pending_end = m_data_end;  // the last line has no line break
      m_pending_end_known = true;
    }
  }
}

void TTextWindow::Refill() {
  if (!PendingEmpty()) m_window_end += PendingSpan(m_chunk_size);
}

// A new line reaches the Window only when Pending is empty; a line longer than the chunk size
// reaches it one chunk per call.
void TTextWindow::ReadLine() {
  Refill();
  if (Length() < m_chunk_size && !AtEndOfInput()) {
    assert(PendingEmpty());
    m_pending_end_known = false;
    m_line_scanned = m_window_end;
    Refill();
  }
}

bool TTextWindow::Grow(TGrowth growth) {
  const size_t before = m_window_end;
  switch (growth) {
    case TGrowth::kLine:
      ReadLine();
      break;
    case TGrowth::kAnyLength:
      Refill();
      if (m_window_end == before && PendingEmpty() && !AtEndOfInput()) {
        m_pending_end_known = false;
        m_line_scanned = m_window_end;
        Refill();
      }
      break;
    case TGrowth::kAllLoaded:
      if (AtEndOfInput()) return false;
      [[fallthrough]];
    case TGrowth::kLoaded:
      m_window_end = m_pending_end = m_data_end;
      m_pending_end_known = true;
      break;
  }
  return m_window_end != before;
}

void TTextWindow::PushBackExcess() {
  if (Length() > m_chunk_size) m_window_end = m_window_start + m_chunk_size;
}

// Position of the first '<' in the Window, or its end. The text at a position never changes,
// so the stretch already known to hold no '<' is not searched again on the next tuple.
size_t TTextWindow::FindLessThan() {
  const size_t from = std::max(m_window_start, m_no_less_than_before);
  // Past the end when PushBackExcess has since cut the Window short.
  if (from >= m_window_end) return m_window_end;
  const char* const first = m_buffer.data() + (from - m_base);
  const void* hit = std::memchr(first, '<', m_window_end - from);
  m_no_less_than_before = hit != nullptr
                              ? from + static_cast<size_t>(static_cast<const char*>(hit) - first)
                              : m_window_end;
  return m_no_less_than_before;
}

}  // namespace trelvo
