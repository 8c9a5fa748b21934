// The Win32 main window, driven through its controls with window messages, the dialogs
// answered by a script. Runs under Wine on a display.
#include <gtest/gtest.h>
#include <shlobj.h>  // DROPFILES
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/OptionsCases.h"
#include "tests/ui/ScriptedDialogs.h"
#include "ui/win32/Controls.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/OptionsDialog.h"

namespace trelvo::win32 {
namespace {

using namespace layout;

// The Win32 Options dialog, worked through its controls' messages.
class TWin32OptionsDriver : public test::TOptionsDriver {
 public:
  explicit TWin32OptionsDriver(TDialogs& dialogs) : m_dialogs(dialogs) {}

  void Open(const TRunOptions& options) override {
    m_dialog.reset();
    m_dialog = std::make_unique<TfrOptions>(options, m_dialogs, nullptr);
  }

  void Click(TFrOptionsControl control) override {
    const HWND button = m_dialog->Control(control);
    if (IsWindowEnabled(button)) SendMessageW(button, BM_CLICK, 0, 0);
  }

  void Type(TFrOptionsControl control, const std::string& text) override {
    const HWND box = m_dialog->Control(control);
    if (!IsWindowEnabled(box)) return;
    if (kFrOptions[control].kind == TKind::kCombo) {
      SendMessageW(box, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(Wide(text).c_str()));
    } else {
      SetWindowTextW(box, Wide(text).c_str());
    }
  }

  bool IsChecked(TFrOptionsControl control) override {
    return SendMessageW(m_dialog->Control(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }

  bool IsEnabled(TFrOptionsControl control) override {
    return IsWindowEnabled(m_dialog->Control(control)) != FALSE;
  }

  std::string TextOf(TFrOptionsControl control) override { return m_dialog->Text(control); }

  bool Closed() override { return m_dialog->Closed(); }

  bool Accepted() override { return m_dialog->Accepted(); }

  TRunOptions Result() override { return m_dialog->Logic().Result(); }

 private:
  TDialogs& m_dialogs;
  std::unique_ptr<TfrOptions> m_dialog;
};

class Win32FormTest : public ::testing::Test {
 protected:
  void Click(TForm1Control control) { SendMessageW(m_form.Control(control), BM_CLICK, 0, 0); }

  std::string Text(TForm1Control control) { return WindowText(m_form.Control(control)); }

  void ChooseInput(const std::string& path) {
    m_dialogs.answers.push_back(path);
    Click(kSpeedButton1);
  }

  bool RunControlsEnabled() {
    for (const TForm1Control control : kRunControls) {
      if (!IsWindowEnabled(m_form.Control(control))) return false;
    }
    return true;
  }

  // Drops files on the window as the shell does.
  void Drop(const std::vector<std::string>& paths) {
    std::wstring names;
    for (const std::string& path : paths) names += Wide(path) + L'\0';
    const size_t bytes = sizeof(DROPFILES) + (names.size() + 1) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), names.data(),
                names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    SendMessageW(m_form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  }

  // Clicks Options and works the modal dialog with `work` (given a control's window by index)
  // once it is open.
  void WorkOptions(std::function<void(const std::function<HWND(TFrOptionsControl)>&)> work) {
    static std::function<void(const std::function<HWND(TFrOptionsControl)>&)> s_work;
    s_work = std::move(work);
    SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
      KillTimer(nullptr, timer);
      const HWND dialog = FindWindowW(L"TfrOptions", nullptr);
      s_work([dialog](TFrOptionsControl control) {
        return FindControl(dialog, kFirstControlId + control);
      });
    });
    Click(kButton3);
  }

  test::TScriptedDialogs m_dialogs;
  TForm1 m_form{m_dialogs};
  test::TTempDir m_folder;
};

TEST_F(Win32FormTest, DerivesTheOutputNameAndKeepsItInStepWithTheFormat) {
  Click(kRadioButton3);
  EXPECT_EQ(Text(kEdit2), "");
  ChooseInput("C:\\data\\café.kml");
  EXPECT_EQ(Text(kEdit1), "C:\\data\\café.kml");
  EXPECT_EQ(Text(kEdit2), "C:\\data\\café.tab");
  Click(kRadioButton1);
  EXPECT_EQ(Text(kEdit2), "C:\\data\\café.csv");
  Click(kRadioButton2);
  EXPECT_EQ(Text(kEdit2), "C:\\data\\café.txt");
  m_dialogs.answers.push_back("D:\\out\\route.txt");
  Click(kSpeedButton2);
  EXPECT_EQ(m_dialogs.saved.back().Filter, "TextFile (*.txt)|*.txt");
  EXPECT_EQ(m_dialogs.saved.back().FileName, "C:\\data\\café.txt");
  EXPECT_EQ(Text(kEdit2), "D:\\out\\route.txt");
  // Dropped files: only KML and KMZ become the input.
  Drop({"C:\\photos\\a.jpg"});
  EXPECT_EQ(Text(kEdit1), "C:\\data\\café.kml");
  Drop({"C:\\data\\Ω.KMZ"});
  EXPECT_EQ(Text(kEdit1), "C:\\data\\Ω.KMZ");
  EXPECT_EQ(Text(kEdit2), "C:\\data\\Ω.txt");
}

TEST_F(Win32FormTest, AcceptWritesTheSameBytesAsTheCommandLine) {
  const std::string input = m_folder.Path("route.kml");
  test::WriteFileBytes(input,
                       "<Point><coordinates>1,2,3</coordinates></Point>\r\n"
                       "<Point><coordinates>-4.5,5,6</coordinates></Point>\r\n");
  ChooseInput(input);
  Click(kRadioButton4);
  Click(kRadioButton3);
  bool busy = false;
  m_dialogs.on_message = [&] {
    busy = !RunControlsEnabled() && Text(kLabel4) == "Transforming file...";
  };
  Click(kButton1);
  EXPECT_TRUE(busy);
  ASSERT_EQ(m_dialogs.messages.size(), 1u);
  EXPECT_EQ(m_dialogs.messages[0].text, "Transformation has ended\r\r2 Entities");
  EXPECT_TRUE(RunControlsEnabled());
  EXPECT_EQ(Text(kLabel4), "www.trelvo.example");

  const std::string expected = m_folder.Path("cli.tab");
  const std::string command = test::Quote(TRELVO_CLI_PATH) + " -t point -f tab -o " +
                              test::Quote(expected) + " " + test::Quote(input);
  ASSERT_EQ(test::RunCommand(command, "", m_folder.Path("stdout"), m_folder.Path("stderr")), 0);
  EXPECT_EQ(test::ReadFileBytes(m_folder.Path("route.tab")), test::ReadFileBytes(expected));
}

TEST_F(Win32FormTest, TheOptionsDialogFollowsItsRules) {
  TWin32OptionsDriver driver(m_dialogs);
  EXPECT_EQ(test::RunOptionsCases(driver, m_dialogs), std::vector<std::string>{});
}

// Options chosen in the dialog and several files dropped: each file as the command line
// writes it with the same options.
TEST_F(Win32FormTest, SeveralFilesWithOptionsAsTheCommandLineWritesThem) {
  WorkOptions([](const std::function<HWND(TFrOptionsControl)>& control) {
    SendMessageW(control(kTableRadio), BM_CLICK, 0, 0);
    SendMessageW(control(kDescriptionCheck), BM_CLICK, 0, 0);
    SendMessageW(control(kCancelButton), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(Text(kButton3), "Options...");
  WorkOptions([](const std::function<HWND(TFrOptionsControl)>& control) {
    SendMessageW(control(kTableRadio), BM_CLICK, 0, 0);
    SendMessageW(control(kDescriptionCheck), BM_CLICK, 0, 0);
    SendMessageW(control(kUtmZoneRadio), BM_CLICK, 0, 0);
    SetWindowTextW(control(kZoneEdit), L"31");
    SendMessageW(control(kOkButton), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(Text(kButton3), "Table, UTM...");
  EXPECT_EQ(m_form.OptionsToolTip(), "Table layout, UTM 31N");
  EXPECT_TRUE(IsWindowEnabled(m_form.Handle()));

  const std::vector<std::string> inputs = {m_folder.Path("café.kml"), m_folder.Path("Ω.kml")};
  test::WriteFileBytes(inputs[0],
                       "<Placemark><name>Café</name><description>a \"b\"</description>"
                       "<LineString><coordinates>3,50,1 3.1,50.1,2</coordinates></LineString>"
                       "</Placemark>\r\n");
  test::WriteFileBytes(inputs[1],
                       "<LineString><coordinates>2,48,0 2.5,48.5,0"
                       "</coordinates></LineString>\r\n");
  Drop(inputs);
  EXPECT_EQ(Text(kEdit1), "\"" + inputs[0] + "\" \"" + inputs[1] + "\"");
  EXPECT_FALSE(IsWindowEnabled(m_form.Control(kSpeedButton2)));
  Click(kButton1);
  ASSERT_EQ(m_dialogs.messages.size(), 1u);
  EXPECT_EQ(m_dialogs.messages[0].kind, TMessageKind::kInformation);
  EXPECT_TRUE(m_dialogs.messages[0].text.starts_with("Transformation has ended\r\r" + inputs[0] +
                                                     ": 1 Entities\r    coordinates in EPSG:32631"))
      << m_dialogs.messages[0].text;

  const std::string folder = m_folder.Path("cli");
  std::filesystem::create_directory(PathFromUtf8(folder));
  const std::string command =
      test::Quote(TRELVO_CLI_PATH) +
      " --layout table --fields placemark,entity,type,vertex,name,description,folder,easting,"
      "northing,alt --utm=31N -o " +
      test::Quote(folder) + " " + test::Quote(inputs[0]) + " " + test::Quote(inputs[1]);
  ASSERT_EQ(test::RunCommand(command, "", m_folder.Path("stdout"), m_folder.Path("stderr")), 0);
  EXPECT_EQ(test::ReadFileBytes(m_folder.Path("café.csv")),
            test::ReadFileBytes(m_folder.Path("cli\\café.csv")));
  EXPECT_EQ(test::ReadFileBytes(m_folder.Path("Ω.csv")),
            test::ReadFileBytes(m_folder.Path("cli\\Ω.csv")));
}

TEST_F(Win32FormTest, TheLinkOpensTheAddressAndCloseEndsTheWindow) {
  SendMessageW(m_form.Handle(), WM_COMMAND, MAKEWPARAM(kFirstControlId + kLabel4, STN_CLICKED),
               reinterpret_cast<LPARAM>(m_form.Control(kLabel4)));
  EXPECT_EQ(m_dialogs.addresses, std::vector<std::string>{"www.trelvo.example"});
  Click(kButton2);
  EXPECT_FALSE(IsWindow(m_form.Handle()));
}

}  // namespace
}  // namespace trelvo::win32
