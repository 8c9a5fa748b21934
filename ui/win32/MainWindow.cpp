#include "ui/win32/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include "transform/TextExport.h"
#include "ui/win32/Controls.h"
#include "ui/win32/OptionsDialog.h"
#include "ui/win32/ProgressWindow.h"

namespace trelvo::win32 {
namespace {

constexpr wchar_t kClassName[] = L"TForm1";
constexpr int kIconId = 1;

// A title bar with the system menu, minimise and close, a fixed single border.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

}  // namespace

TForm1::TForm1(TDialogs& dialogs) : m_logic(*this, dialogs) {
  RegisterFormClass(kClassName, LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconId)));
  m_window = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Wide(kProgramName).c_str(), kStyle,
                             CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TForm1::Procedure));
  m_controls = CreateControls(layout::kForm1, m_window);
  // Tab order: the controls' z-order among their siblings, a container counting for its
  // buttons.
  HWND previous = HWND_TOP;
  for (const layout::TForm1Control control : layout::kForm1TabOrder) {
    HWND sibling = m_controls[control];
    if (GetParent(sibling) != m_window) sibling = GetParent(sibling);
    if (sibling == previous) continue;
    SetWindowPos(sibling, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = sibling;
  }
  DragAcceptFiles(m_window, TRUE);
  // The tooltip class is comctl32's, registered once the library is initialised.
  INITCOMMONCONTROLSEX common{sizeof(common), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&common);
  m_tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                              m_window, nullptr, GetModuleHandleW(nullptr), nullptr);
  std::wstring tip = Wide(layout::kButton3Hint);
  SendToOptionsTip(TTM_ADDTOOLW, 0, tip);
  Place(WindowDpi(m_window));
  // Centred on the screen.
  RECT area{};
  RECT frame{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(m_window, &frame);
  SetWindowPos(m_window, nullptr, (area.left + area.right - (frame.right - frame.left)) / 2,
               (area.top + area.bottom - (frame.bottom - frame.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TForm1::~TForm1() {
  if (IsWindow(m_window)) {
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    DestroyWindow(m_window);
  }
  DeleteObject(m_font);
  DeleteObject(m_bold_font);
}

void TForm1::Place(UINT dpi) {
  const HFONT old_font = m_font;
  const HFONT old_bold_font = m_bold_font;
  m_font = CreateFormFont(dpi);
  m_bold_font = CreateFormFont(dpi, true);
  PlaceControls(layout::kForm1, m_controls, dpi, m_font, m_bold_font);
  SetClientSize(m_window, layout::kForm1Width, layout::kForm1Height, dpi);
  DeleteObject(old_font);
  DeleteObject(old_bold_font);
}

LRESULT CALLBACK TForm1::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, w, l);
  return form->Handle(message, w, l);
}

LRESULT TForm1::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
      Command(LOWORD(w), HIWORD(w));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return ControlColours(reinterpret_cast<HWND>(l), reinterpret_cast<HDC>(w));
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(w) == m_controls[layout::kLabel4]) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(w);
      std::vector<std::string> names;
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::wstring name(static_cast<size_t>(DragQueryFileW(drop, i, nullptr, 0)) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        const std::string file_name = Utf8(name);
        if (TForm1Logic::IsKmlFileName(file_name)) names.push_back(file_name);
      }
      DragFinish(drop);
      m_logic.ChooseInputs(names);
      return 0;
    }
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(l);
      SetWindowPos(m_window, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Place(HIWORD(w));
      return 0;
    }
    case WM_CLOSE:
      // The window cannot be closed while a run is busy with it.
      if (m_logic.Running()) return 0;
      DestroyWindow(m_window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(m_window, message, w, l);
}

void TForm1::Command(int id, int notification) {
  using namespace layout;
  const int index = id - kFirstControlId;
  if (index < 0 || index >= kForm1Controls) return;  // Enter and Escape (IDOK, IDCANCEL)
  if (notification != BN_CLICKED) return;            // also STN_CLICKED, the same value
  switch (static_cast<TForm1Control>(index)) {
    case kSpeedButton1:
      m_logic.SpeedButton1Click();
      break;
    case kSpeedButton2:
      m_logic.SpeedButton2Click();
      break;
    case kRadioButton1:
    case kRadioButton2:
    case kRadioButton3:
      m_logic.RadioButton1Click();
      break;
    case kButton1:
      m_logic.Button1Click();
      break;
    case kButton2:
      m_logic.Button2Click();
      break;
    case kButton3:
      m_logic.Button3Click();
      break;
    case kLabel4:
      m_logic.Label4Click();
      break;
    default:
      break;
  }
}

std::string TForm1::InputText() const { return WindowText(m_controls[layout::kEdit1]); }

void TForm1::SetInputText(const std::string& text) {
  SetWindowTextW(m_controls[layout::kEdit1], Wide(text).c_str());
}

std::string TForm1::OutputText() const { return WindowText(m_controls[layout::kEdit2]); }

void TForm1::SetOutputText(const std::string& text) {
  SetWindowTextW(m_controls[layout::kEdit2], Wide(text).c_str());
}

int TForm1::Checked(const layout::TForm1Control (&buttons)[3]) const {
  for (int i = 0; i < 2; ++i) {
    if (SendMessageW(m_controls[buttons[i]], BM_GETCHECK, 0, 0) == BST_CHECKED) return i;
  }
  return 2;
}

int TForm1::CheckedFormat() const { return Checked(layout::kFormatButtons); }

int TForm1::CheckedFeatureType() const { return Checked(layout::kTypeButtons); }

void TForm1::SetControlEnabled(layout::TForm1Control control, bool enabled) {
  EnableWindow(m_controls[control], enabled);
}

void TForm1::ShowOptionsCaption(const std::string& caption, const std::string& tooltip) {
  SetWindowTextW(m_controls[layout::kButton3], Wide(caption).c_str());
  std::wstring tip = Wide(tooltip);
  SendToOptionsTip(TTM_UPDATETIPTEXTW, 0, tip);
}

std::string TForm1::OptionsToolTip() const {
  std::wstring tip(1024, L'\0');
  SendToOptionsTip(TTM_GETTEXTW, tip.size(), tip);
  tip.resize(wcslen(tip.c_str()));
  return Utf8(tip);
}

void TForm1::SendToOptionsTip(UINT message, WPARAM w, std::wstring& text) const {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;  // the button itself, its mouse watched
  tool.hwnd = m_window;
  tool.uId = reinterpret_cast<UINT_PTR>(m_controls[layout::kButton3]);
  tool.lpszText = text.data();
  SendMessageW(m_tooltip, message, w, reinterpret_cast<LPARAM>(&tool));
}

std::optional<TRunOptions> TForm1::ShowOptionsDialog(const TRunOptions& options,
                                                     TDialogs& dialogs) {
  TfrOptions dialog(options, dialogs, m_window);
  if (!dialog.RunModal()) return std::nullopt;
  return dialog.Logic().Result();
}

void TForm1::ShowLinkText(std::string_view text) {
  const HWND label = m_controls[layout::kLabel4];
  SetLabelText(label, text);
  RedrawWindow(GetParent(label), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void TForm1::CloseWindow() { SendMessageW(m_window, WM_CLOSE, 0, 0); }

std::unique_ptr<TProgressWindow> TForm1::CreateProgressWindow() {
  return std::make_unique<TfrChange>(m_window);
}

int RunMessageLoop(HWND main_window) {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsWindow(main_window) && IsDialogMessageW(main_window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace trelvo::win32
