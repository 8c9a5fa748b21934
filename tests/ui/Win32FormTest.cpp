// The behaviour both window programs share, driven through the Win32 window with window
// messages. Runs under Wine on a display.
#include <gtest/gtest.h>
#include <shlobj.h>  // DROPFILES
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <ostream>
#include <string>

#include "tests/ui/FormBehaviour.h"
#include "ui/win32/Controls.h"
#include "ui/win32/MainWindow.h"

namespace trelvo::test {
void PrintTo(const TFormBehaviour& behaviour, std::ostream* out) { *out << behaviour.name; }
}  // namespace trelvo::test

namespace trelvo::win32 {
namespace {

using namespace layout;

class TWin32FormDriver : public test::TFormDriver {
 public:
  // Buttons take BM_CLICK; the link is a static control that reports its click.
  void Click(TForm1Control control) override {
    const HWND window = form.Control(control);
    if (control == kLabel4) {
      SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(kFirstControlId + kLabel4, STN_CLICKED),
                   reinterpret_cast<LPARAM>(window));
    } else {
      SendMessageW(window, BM_CLICK, 0, 0);
    }
  }

  std::string Text(TForm1Control control) override { return WindowText(form.Control(control)); }

  void SetText(TForm1Control control, const std::string& text) override {
    SetWindowTextW(form.Control(control), Wide(text).c_str());
  }

  bool Enabled(TForm1Control control) override { return IsWindowEnabled(form.Control(control)); }

  bool Checked(TForm1Control control) override {
    return SendMessageW(form.Control(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  // As the shell drops a file: WM_DROPFILES with a wide-character DROPFILES block.
  void Drop(const std::string& path) override {
    const std::wstring name = Wide(path);
    const size_t bytes = sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), name.c_str(),
                name.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    SendMessageW(form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  }

  bool Shown() override { return IsWindow(form.Handle()); }

  // This thread's own windows only: other test programs may be showing theirs.
  bool ProgressShown() override {
    bool shown = false;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM found) {
          wchar_t name[16] = {};
          GetClassNameW(window, name, 16);
          if (std::wcscmp(name, L"TfrChange") == 0) *reinterpret_cast<bool*>(found) = true;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
  }

  TForm1 form{dialogs};
};

class Win32Form : public ::testing::TestWithParam<test::TFormBehaviour> {};

TEST_P(Win32Form, Behaves) {
  TWin32FormDriver driver;
  test::TFailures failures;
  GetParam().run(driver, failures);
  EXPECT_EQ(failures.Text(), "");
}

INSTANTIATE_TEST_SUITE_P(Shared, Win32Form, ::testing::ValuesIn(test::kFormBehaviours),
                         [](const ::testing::TestParamInfo<test::TFormBehaviour>& param_info) {
                           return std::string(param_info.param.name);
                         });

}  // namespace
}  // namespace trelvo::win32
