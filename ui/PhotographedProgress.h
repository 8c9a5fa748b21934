// For the screenshot drivers of both window programs: a real progress window that takes its
// photograph once the count is under way.
#pragma once

namespace trelvo {

template <typename TWindow, void (*Grab)(const char* name)>
class TPhotographedProgress : public TWindow {
 public:
  using TWindow::TWindow;

  void RepaintCounter() override {
    TWindow::RepaintCounter();
    if (++m_updates == 3) Grab("2-progress.png");
  }

 private:
  int m_updates = 0;
};

}  // namespace trelvo
