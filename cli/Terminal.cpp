#include "cli/Terminal.h"

#include <algorithm>
#include <string>

namespace trelvo::cli {
namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;
}  // namespace

TProgressBar::TProgressBar(std::FILE* stream, bool enabled)
    : m_stream(stream),
      m_enabled(enabled),
      m_start(std::chrono::steady_clock::now()),
      m_next(m_start) {}

TProgressBar::~TProgressBar() {
  if (m_drawn) {
    std::fputs("\r\033[K", m_stream);  // erase the bar
    std::fflush(m_stream);
  }
}

void TProgressBar::ShowProgress(int64_t entities, uint64_t bytes_read, uint64_t input_size) {
  if (!m_enabled) return;
  const auto now = std::chrono::steady_clock::now();
  if (now < m_next) return;
  m_next = now + kRedrawInterval;
  const double share =
      input_size > 0
          ? std::min(1.0, static_cast<double>(bytes_read) / static_cast<double>(input_size))
          : 0.0;
  const double seconds = std::chrono::duration<double>(now - m_start).count();
  const double rate = seconds > 0 ? static_cast<double>(bytes_read) / 1e6 / seconds : 0.0;
  char bar[kBarWidth + 1];
  const int filled = static_cast<int>(share * kBarWidth);
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kBarWidth] = '\0';
  std::fprintf(m_stream, "\r[%s] %3d%%  %s entities  %.1f MB/s\033[K", bar,
               static_cast<int>(share * 100.0), std::to_string(entities).c_str(), rate);
  std::fflush(m_stream);
  m_drawn = true;
}

}  // namespace trelvo::cli
