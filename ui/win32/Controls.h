// Win32 controls made from the shared layout tables, at the window's dpi, and the look both
// windows share.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Layout.h"

namespace trelvo::win32 {

// UTF-8 and the UTF-16 of the Windows API.
std::wstring Wide(std::string_view text);
std::string Utf8(std::wstring_view text);

// A 96-dpi length at `dpi`.
int Scale(int length, UINT dpi);

// The window's dpi (96 where the system cannot tell).
UINT WindowDpi(HWND window);

// Arial at 12 pixels for 96 dpi, scaled; the caller deletes it.
HFONT CreateFormFont(UINT dpi, bool bold = false);

// Registers, once per name, the window class of a form: the button face behind its controls.
void RegisterFormClass(const wchar_t* name, HICON icon = nullptr);

// Creates the controls of a layout table as children of `window` (or of their container), in
// table order, each with the id kFirstControlId + its index. Containers pass their children's
// notifications on to `window`, so it sees every control's WM_COMMAND.
std::vector<HWND> CreateControls(std::span<const layout::TControl> controls, HWND window);

// Moves and sizes the controls for `dpi` and gives them the fonts; labels grow to their text.
void PlaceControls(std::span<const layout::TControl> controls, const std::vector<HWND>& windows,
                   UINT dpi, HFONT font, HFONT bold_font);

// Sets a label's text and grows it to fit, as at creation.
void SetLabelText(HWND label, std::string_view text);

// Shows `window` centred over `owner` (the work area without one), in front.
void ShowCentred(HWND window, HWND owner);

// The control with `id` anywhere below `window` (inside a group box too), or null.
HWND FindControl(HWND window, int id);

// Sizes `window` so that its client area is width x height at 96 dpi, scaled to `dpi`.
void SetClientSize(HWND window, int width, int height, UINT dpi);

inline constexpr int kFirstControlId = 100;

// The text of a control, as UTF-8.
std::string WindowText(HWND window);

// Paints the controls as the form is painted: button face, the panel and the text boxes
// white, the link blue. For WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT and WM_CTLCOLORBTN.
LRESULT ControlColours(HWND control, HDC dc);

}  // namespace trelvo::win32
