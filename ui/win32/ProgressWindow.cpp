#include "ui/win32/ProgressWindow.h"

#include "transform/TextExport.h"
#include "ui/Layout.h"
#include "ui/win32/Controls.h"

namespace trelvo::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TfrChange";

}  // namespace

void HandleWindowSystemMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0,
                      PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE | PM_QS_POSTMESSAGE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop, after the run
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

TfrChange::TfrChange(HWND owner) : m_owner(owner) {
  RegisterFormClass(kClassName);
  // A tool window owned by the main window: in front of it, but not inside it.
  m_window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, Wide(kProgramCaption).c_str(),
                             WS_POPUP | WS_CAPTION, 0, 0, 0, 0, owner, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  const UINT dpi = WindowDpi(m_window);
  m_font = CreateFormFont(dpi);
  m_controls = CreateControls(layout::kFrChange, m_window);
  PlaceControls(layout::kFrChange, m_controls, dpi, m_font, m_font);
  SetClientSize(m_window, layout::kFrChangeWidth, layout::kFrChangeHeight, dpi);
}

TfrChange::~TfrChange() {
  DestroyWindow(m_window);
  DeleteObject(m_font);
}

HWND TfrChange::Label4() const { return m_controls[layout::kCounter]; }

void TfrChange::Show() {
  ShowCentred(m_window, m_owner);
  UpdateWindow(m_window);
  HandleWindowSystemMessages();
}

void TfrChange::SetCounterText(std::string_view text) { SetLabelText(Label4(), text); }

// Called at most ~30 times a second: the moment to let the window system in, so the windows
// stay painted and Windows never marks the program as not responding.
void TfrChange::RepaintCounter() {
  RedrawWindow(Label4(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  HandleWindowSystemMessages();
}

void TfrChange::RepaintWindow() {
  RedrawWindow(m_window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace trelvo::win32
