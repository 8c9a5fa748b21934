#include "cli/Terminal.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <algorithm>

namespace trelvo::cli {
namespace {
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarWidth = 30;
}  // namespace

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

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
  std::fprintf(m_stream, "\r[%s] %3d%%  %lld entities  %.1f MB/s\033[K", bar,
               static_cast<int>(share * 100.0), static_cast<long long>(entities), rate);
  std::fflush(m_stream);
  m_drawn = true;
}

}  // namespace trelvo::cli
