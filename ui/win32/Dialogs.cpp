#include "ui/win32/Dialogs.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "ui/win32/Controls.h"

namespace trelvo::win32 {
namespace {

std::optional<std::string> RunFileDialog(HWND owner, const TFileDialog& dialog, bool save) {
  const std::wstring filter = Win32Filter(dialog.Filter);
  const std::wstring extension = Wide(dialog.DefaultExt);
  std::wstring name = Wide(dialog.FileName);
  name.resize(std::max<size_t>(name.size(), 32768), L'\0');  // the longest path Windows takes
  OPENFILENAMEW request{};
  request.lStructSize = sizeof(request);
  request.hwndOwner = owner;
  request.lpstrFilter = filter.c_str();
  request.lpstrFile = name.data();
  request.nMaxFile = static_cast<DWORD>(name.size());
  request.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_PATHMUSTEXIST |
                  (save ? (dialog.OverwritePrompt ? OFN_OVERWRITEPROMPT : 0) : OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameW(&request) : GetOpenFileNameW(&request);
  if (!chosen) return std::nullopt;
  return Utf8(name.c_str());
}

}  // namespace

std::wstring Win32Filter(const std::string& filter) {
  std::wstring result = Wide(filter);
  for (wchar_t& c : result) {
    if (c == L'|') c = L'\0';
  }
  result.append(2, L'\0');
  return result;
}

std::optional<std::string> TWin32Dialogs::Open(const TFileDialog& dialog) {
  return RunFileDialog(owner, dialog, false);
}

std::optional<std::string> TWin32Dialogs::Save(const TFileDialog& dialog) {
  return RunFileDialog(owner, dialog, true);
}

void TWin32Dialogs::Message(TMessageKind kind, const std::string& text) {
  // The texts use CR as their line break; a message box wants CR LF.
  const std::wstring wide = Wide(text);
  std::wstring shown;
  for (size_t i = 0; i < wide.size(); ++i) {
    shown += wide[i];
    if (wide[i] == L'\r' && (i + 1 == wide.size() || wide[i + 1] != L'\n')) shown += L'\n';
  }
  const bool error = kind == TMessageKind::kError;
  // Over the window in front (a dialog), which the box disables and gives back.
  const HWND active = GetActiveWindow();
  MessageBoxW(active != nullptr ? active : owner, shown.c_str(), error ? L"Error" : L"Information",
              static_cast<UINT>(MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION)));
}

void TWin32Dialogs::OpenAddress(const std::string& address) {
  ShellExecuteW(owner, L"open", Wide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace trelvo::win32
