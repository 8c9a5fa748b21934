// The command line's progress bar on standard error.
#pragma once

#include <chrono>
#include <cstdio>

#include "transform/Transformation.h"

namespace trelvo::cli {

// A one-line progress bar: share of the input read, entities and rate, redrawn at most ten
// times a second and erased when the run ends. Draws nothing unless `enabled`.
class TProgressBar : public TProgressWindow {
 public:
  TProgressBar(std::FILE* stream, bool enabled);
  ~TProgressBar() override;

  void Show() override {}

  void SetCounterText(std::string_view) override {}

  void RepaintCounter() override {}

  void RepaintWindow() override {}

  void ShowProgress(int64_t entities, uint64_t bytes_read, uint64_t input_size) override;

 private:
  std::FILE* m_stream;
  bool m_enabled;
  bool m_drawn = false;
  std::chrono::steady_clock::time_point m_start;
  std::chrono::steady_clock::time_point m_next;
};

}  // namespace trelvo::cli
