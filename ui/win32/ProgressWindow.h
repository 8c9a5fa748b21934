// The progress window shown while a conversion runs.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

#include "transform/Transformation.h"

namespace trelvo::win32 {

// Form frChange: a small tool window, centred over its owner, that asks the user to wait and
// counts the entities written. The run drives it through TProgressWindow and nothing else.
class TfrChange : public TProgressWindow {
 public:
  explicit TfrChange(HWND owner);
  ~TfrChange() override;
  TfrChange(const TfrChange&) = delete;
  TfrChange& operator=(const TfrChange&) = delete;

  // TProgressWindow.
  void Show() override;
  void SetCounterText(std::string_view text) override;
  void RepaintCounter() override;
  void RepaintWindow() override;

  HWND Handle() const { return m_window; }

  HWND Label4() const;  // the entity counter

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);

  HWND m_owner;
  HWND m_window = nullptr;
  HFONT m_font = nullptr;
  std::vector<HWND> m_controls;
};

// Lets the window system in during a run: paints, sent and posted messages are handled, user
// input waits (so nothing can start a second run or close a window mid-run).
void HandleWindowSystemMessages();

}  // namespace trelvo::win32
