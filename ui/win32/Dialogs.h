// The real dialogs, message boxes and shell of the Win32 program.
#pragma once

#include <windows.h>

#include "ui/Dialogs.h"

namespace trelvo::win32 {

class TWin32Dialogs : public TDialogs {
 public:
  std::optional<std::string> Open(const TFileDialog& dialog) override;
  std::optional<std::string> Save(const TFileDialog& dialog) override;
  void Message(TMessageKind kind, const std::string& text) override;
  void OpenAddress(const std::string& address) override;

  // The window the dialogs and boxes are modal over: the main window, once it exists.
  HWND owner = nullptr;
};

// "Google Earth (*.kml)|*.kml" as the common dialogs want it: pairs ended by NULs, and one more.
std::wstring Win32Filter(const std::string& filter);

}  // namespace trelvo::win32
