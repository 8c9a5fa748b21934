// Trelvo: the window program for Windows.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "ui/win32/Dialogs.h"
#include "ui/win32/MainWindow.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  trelvo::InstallInterruptHandlers();
  trelvo::win32::TWin32Dialogs dialogs;
  trelvo::win32::TForm1 form(dialogs);
  dialogs.owner = form.Handle();
  ShowWindow(form.Handle(), show);
  UpdateWindow(form.Handle());
  // Files named on the command line ("Open with", files dropped on the program) are the inputs.
  const std::vector<std::string> arguments = trelvo::Utf8Arguments(0, nullptr);
  form.Logic().ChooseInputs(arguments);
  return trelvo::win32::RunMessageLoop(form.Handle());
}
