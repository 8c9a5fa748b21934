#include "ui/win32/OptionsDialog.h"

#include "ui/win32/Controls.h"

namespace trelvo::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TfrOptions";

}  // namespace

TfrOptions::TfrOptions(const TRunOptions& options, TDialogs& dialogs, HWND owner)
    : m_owner(owner), m_logic(*this, dialogs) {
  RegisterFormClass(kClassName);
  m_window = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClassName, L"Options",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0, 0, 0,
                             owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TfrOptions::Procedure));
  const UINT dpi = WindowDpi(m_window);
  m_font = CreateFormFont(dpi);
  m_controls = CreateControls(layout::kFrOptions, m_window);
  PlaceControls(layout::kFrOptions, m_controls, dpi, m_font, m_font);
  SetClientSize(m_window, layout::kFrOptionsWidth, layout::kFrOptionsHeight, dpi);
  m_logic.Show(options);
}

TfrOptions::~TfrOptions() {
  SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
  DestroyWindow(m_window);
  DeleteObject(m_font);
}

bool TfrOptions::RunModal() {
  ShowCentred(m_window, m_owner);
  if (m_owner != nullptr) EnableWindow(m_owner, FALSE);
  SetFocus(m_controls[layout::kOkButton]);
  MSG message{};
  while (!m_closed) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));  // for the main loop
      break;
    }
    if (IsDialogMessageW(m_window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // The owner first, so that it, not another program, becomes the active window.
  if (m_owner != nullptr) EnableWindow(m_owner, TRUE);
  ShowWindow(m_window, SW_HIDE);
  return m_accepted;
}

LRESULT CALLBACK TfrOptions::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* form = reinterpret_cast<TfrOptions*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, w, l);
  return form->Handle(message, w, l);
}

LRESULT TfrOptions::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(w);
      // Enter and Escape, as the dialog manager reports them.
      if (id == IDOK || id == IDCANCEL) {
        m_logic.Click(id == IDOK ? layout::kOkButton : layout::kCancelButton);
        return 0;
      }
      const int index = id - kFirstControlId;
      if (index >= 0 && index < layout::kFrOptionsControls && HIWORD(w) == BN_CLICKED) {
        m_logic.Click(static_cast<layout::TFrOptionsControl>(index));
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return ControlColours(reinterpret_cast<HWND>(l), reinterpret_cast<HDC>(w));
    case WM_CLOSE:
      m_logic.Click(layout::kCancelButton);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(m_window, message, w, l);
}

bool TfrOptions::Checked(layout::TFrOptionsControl control) const {
  return SendMessageW(m_controls[control], BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TfrOptions::SetChecked(layout::TFrOptionsControl control, bool checked) {
  SendMessageW(m_controls[control], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string TfrOptions::Text(layout::TFrOptionsControl control) const {
  if (layout::kFrOptions[control].kind != layout::TKind::kCombo) {
    return WindowText(m_controls[control]);
  }
  const LRESULT chosen = SendMessageW(m_controls[control], CB_GETCURSEL, 0, 0);
  if (chosen == CB_ERR) return "";
  std::wstring item(static_cast<size_t>(SendMessageW(m_controls[control], CB_GETLBTEXTLEN,
                                                     static_cast<WPARAM>(chosen), 0)) +
                        1,
                    L'\0');
  item.resize(static_cast<size_t>(SendMessageW(m_controls[control], CB_GETLBTEXT,
                                               static_cast<WPARAM>(chosen),
                                               reinterpret_cast<LPARAM>(item.data()))));
  return Utf8(item);
}

void TfrOptions::SetText(layout::TFrOptionsControl control, const std::string& text) {
  if (layout::kFrOptions[control].kind == layout::TKind::kCombo) {
    const std::wstring item = Wide(text);
    SendMessageW(m_controls[control], CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(item.c_str()));
  } else {
    SetWindowTextW(m_controls[control], Wide(text).c_str());
  }
}

void TfrOptions::SetEnabled(layout::TFrOptionsControl control, bool enabled) {
  EnableWindow(m_controls[control], enabled);
}

void TfrOptions::CloseDialog(bool accepted) {
  m_accepted = accepted;
  m_closed = true;
}

}  // namespace trelvo::win32
