#include "ui/win32/Controls.h"

#include <algorithm>

#include "platform/Platform.h"

namespace trelvo::win32 {
namespace {

using layout::TKind;

// The controls' layout entries, found again when they are painted or placed.
constexpr wchar_t kLayoutProperty[] = L"TrelvoLayout";
constexpr wchar_t kProcedureProperty[] = L"TrelvoProcedure";

const layout::TControl* LayoutOf(HWND control) {
  return static_cast<const layout::TControl*>(GetPropW(control, kLayoutProperty));
}

// A container's procedure: its children's notifications and colour requests go on to the
// top-level window, which handles them for all controls alike.
LRESULT CALLBACK ContainerProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(window, kProcedureProperty));
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_SETCURSOR:
      if (message != WM_SETCURSOR || reinterpret_cast<HWND>(w) != window) {
        return SendMessageW(GetAncestor(window, GA_ROOT), message, w, l);
      }
      break;
    case WM_ERASEBKGND: {
      // A group box leaves its inside to its parent; as a container, it paints it itself.
      RECT inside{};
      GetClientRect(window, &inside);
      FillRect(reinterpret_cast<HDC>(w), &inside,
               reinterpret_cast<HBRUSH>(ControlColours(window, reinterpret_cast<HDC>(w))));
      return TRUE;
    }
    case WM_NCDESTROY:
      RemovePropW(window, kProcedureProperty);
      RemovePropW(window, kLayoutProperty);
      break;
    default:
      break;
  }
  return CallWindowProcW(original, window, message, w, l);
}

struct TWindowClass {
  const wchar_t* name;
  DWORD style;
  DWORD extended_style;
};

TWindowClass ClassOf(const layout::TControl& control) {
  // Labels never wrap; a right-aligned one is placed by its right edge (FittedLabel).
  const DWORD label = SS_NOPREFIX | SS_LEFTNOWORDWRAP;
  switch (control.kind) {
    case TKind::kPanel:
      return {L"STATIC", 0, WS_EX_CONTROLPARENT};
    case TKind::kLabel:
      return {L"STATIC", label, 0};
    case TKind::kLink:
      return {L"STATIC", label | SS_NOTIFY, 0};
    case TKind::kEdit:
      return {L"EDIT", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, 0};
    case TKind::kSpeedButton:
      return {L"BUTTON", BS_PUSHBUTTON | BS_BITMAP | BS_FLAT, 0};
    case TKind::kGroupBox:
      return {L"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT};
    case TKind::kRadio:
      return {L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 0};
    case TKind::kButton:
      return {L"BUTTON",
              static_cast<DWORD>(
                  ((control.style & layout::kDefault) != 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                  WS_TABSTOP),
              0};
    case TKind::kCheck:
      return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
    case TKind::kInput:
      return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case TKind::kCombo:
      return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case TKind::kBevel:
      return {L"STATIC", SS_ETCHEDHORZ, 0};
  }
  return {L"STATIC", 0, 0};
}

}  // namespace

std::wstring Wide(std::string_view text) { return PathFromUtf8(text).wstring(); }

std::string Utf8(std::wstring_view text) { return Utf8FromPath(std::filesystem::path(text)); }

int Scale(int length, UINT dpi) { return MulDiv(length, static_cast<int>(dpi), 96); }

UINT WindowDpi(HWND window) {
  const UINT dpi = GetDpiForWindow(window);
  return dpi != 0 ? dpi : 96;
}

HFONT CreateFormFont(UINT dpi, bool bold) {
  const std::wstring family = Wide(layout::kFontFamily);
  return CreateFontW(-Scale(layout::kFontPixels, dpi), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, family.c_str());
}

void RegisterFormClass(const wchar_t* name, HICON icon) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (GetClassInfoExW(instance, name, &window_class)) return;
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.hIcon = icon;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = name;
  RegisterClassExW(&window_class);
}

std::vector<HWND> CreateControls(std::span<const layout::TControl> controls, HWND window) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  std::vector<HWND> windows;
  int previous_parent = layout::kNoParent - 1;
  for (const layout::TControl& control : controls) {
    const TWindowClass window_class = ClassOf(control);
    const bool container = control.kind == TKind::kPanel || control.kind == TKind::kGroupBox;
    DWORD style = WS_CHILD | WS_VISIBLE | window_class.style;
    // Each group of radio buttons (the buttons of one container) starts a group.
    if (control.kind == TKind::kRadio && control.parent != previous_parent) style |= WS_GROUP;
    previous_parent = control.parent;
    if ((control.style & layout::kDisabled) != 0) style |= WS_DISABLED;
    const HWND parent =
        control.parent == layout::kNoParent ? window : windows[static_cast<size_t>(control.parent)];
    const std::wstring text = control.kind == TKind::kSpeedButton || control.kind == TKind::kCombo
                                  ? std::wstring()
                                  : Wide(control.text);
    const HWND created = CreateWindowExW(
        window_class.extended_style, window_class.name, text.c_str(), style, 0, 0, 0, 0, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + windows.size())), instance,
        nullptr);
    SetPropW(created, kLayoutProperty, const_cast<layout::TControl*>(&control));
    if (container) {
      SetPropW(created, kProcedureProperty,
               reinterpret_cast<HANDLE>(GetWindowLongPtrW(created, GWLP_WNDPROC)));
      SetWindowLongPtrW(created, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ContainerProcedure));
    }
    if (control.kind == TKind::kSpeedButton) {
      // Silver in the picture becomes the button face.
      const HANDLE picture =
          LoadImageW(instance, Wide(control.text).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
      SendMessageW(created, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    }
    if ((control.kind == TKind::kRadio || control.kind == TKind::kCheck) &&
        (control.style & layout::kChecked) != 0) {
      SendMessageW(created, BM_SETCHECK, BST_CHECKED, 0);
    }
    if (control.kind == TKind::kCombo) {
      const std::wstring items = Wide(control.text);
      for (size_t start = 0; start <= items.size();) {
        const size_t end = std::min(items.find(L'|', start), items.size());
        const std::wstring item = items.substr(start, end - start);
        SendMessageW(created, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        start = end + 1;
      }
      SendMessageW(created, CB_SETCURSEL, 0, 0);
    }
    windows.push_back(created);
  }
  return windows;
}

namespace {

// A label's place for its text: at least its designed width, wider when the text needs it
// (growing leftwards for a right-aligned label, which also ends where its text ends).
RECT FittedLabel(HWND label, RECT place) {
  const std::wstring text = Wide(WindowText(label));
  const HDC dc = GetDC(label);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  size.cx += 3;  // the static control's own margin
  const layout::TControl* control = LayoutOf(label);
  if (control != nullptr && (control->style & layout::kRightAligned) != 0) {
    place.left = place.right - size.cx;
  } else if (size.cx > place.right - place.left) {
    place.right = place.left + size.cx;
  }
  return place;
}

bool IsLabel(const layout::TControl& control) {
  return control.kind == TKind::kLabel || control.kind == TKind::kLink;
}

}  // namespace

void PlaceControls(std::span<const layout::TControl> controls, const std::vector<HWND>& windows,
                   UINT dpi, HFONT font, HFONT bold_font) {
  for (size_t i = 0; i < controls.size(); ++i) {
    const layout::TControl& control = controls[i];
    const HWND window = windows[i];
    SendMessageW(window, WM_SETFONT,
                 reinterpret_cast<WPARAM>((control.style & layout::kBold) != 0 ? bold_font : font),
                 FALSE);
    // The bevel is a single line along its top edge; a drop-down list's height takes in its
    // open list.
    const int height = control.kind == TKind::kBevel   ? 2
                       : control.kind == TKind::kCombo ? control.height * 5
                                                       : control.height;
    RECT place{Scale(control.left, dpi), Scale(control.top, dpi),
               Scale(control.left + control.width, dpi), Scale(control.top + height, dpi)};
    if (IsLabel(control)) place = FittedLabel(window, place);
    MoveWindow(window, place.left, place.top, place.right - place.left, place.bottom - place.top,
               TRUE);
  }
}

void SetLabelText(HWND label, std::string_view text) {
  SetWindowTextW(label, Wide(text).c_str());
  const layout::TControl* control = LayoutOf(label);
  if (control == nullptr) return;
  RECT place{};
  GetWindowRect(label, &place);
  MapWindowPoints(HWND_DESKTOP, GetParent(label), reinterpret_cast<POINT*>(&place), 2);
  const UINT dpi = WindowDpi(label);
  // Back to the designed width first, so a shorter text gives the width back.
  if ((control->style & layout::kRightAligned) != 0) {
    place.left = place.right - Scale(control->width, dpi);
  } else {
    place.right = place.left + Scale(control->width, dpi);
  }
  place = FittedLabel(label, place);
  MoveWindow(label, place.left, place.top, place.right - place.left, place.bottom - place.top,
             TRUE);
}

void ShowCentred(HWND window, HWND owner) {
  RECT over{};
  if (owner == nullptr || !GetWindowRect(owner, &over)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
  }
  RECT own{};
  GetWindowRect(window, &own);
  SetWindowPos(window, HWND_TOP, (over.left + over.right - (own.right - own.left)) / 2,
               (over.top + over.bottom - (own.bottom - own.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_SHOWWINDOW);
}

HWND FindControl(HWND window, int id) {
  struct TSearch {
    int id;
    HWND found;
  } search{id, nullptr};

  EnumChildWindows(
      window,
      [](HWND child, LPARAM l) -> BOOL {
        auto* wanted = reinterpret_cast<TSearch*>(l);
        if (GetDlgCtrlID(child) != wanted->id) return TRUE;
        wanted->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void SetClientSize(HWND window, int width, int height, UINT dpi) {
  RECT frame{0, 0, Scale(width, dpi), Scale(height, dpi)};
  AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)), dpi);
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Utf8(text);
}

LRESULT ControlColours(HWND control, HDC dc) {
  const layout::TControl* layout = LayoutOf(control);
  const layout::TControl* container = LayoutOf(GetParent(control));
  // A text box the user types in is grey while it does not apply.
  const bool text_box =
      layout != nullptr &&
      (layout->kind == TKind::kEdit || (layout->kind == TKind::kInput && IsWindowEnabled(control)));
  const bool white = text_box || (layout != nullptr && layout->kind == TKind::kPanel) ||
                     (container != nullptr && container->kind == TKind::kPanel);
  if (layout != nullptr && layout->kind == TKind::kLink) SetTextColor(dc, RGB(0, 0, 255));
  // A text box draws its text on an opaque background, or changed text would smear.
  if (text_box) {
    SetBkColor(dc, RGB(255, 255, 255));
  } else {
    SetBkMode(dc, TRANSPARENT);
  }
  return reinterpret_cast<LRESULT>(white ? GetStockObject(WHITE_BRUSH)
                                         : GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace trelvo::win32
