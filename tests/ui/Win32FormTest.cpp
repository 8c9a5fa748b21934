// The Win32 main window, driven through its controls with window messages, the dialogs
// answered by a script. Runs under Wine on a display.
#include <gtest/gtest.h>
#include <shlobj.h>  // DROPFILES
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Platform.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/ScriptedDialogs.h"
#include "ui/win32/Controls.h"
#include "ui/win32/MainWindow.h"

namespace trelvo::win32 {
namespace {

using namespace layout;

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

  // Drops `path` on the window as the shell does.
  void Drop(const std::string& path) {
    const std::wstring name = Wide(path);
    const size_t bytes = sizeof(DROPFILES) + (name.size() + 2) * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), name.c_str(),
                name.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    SendMessageW(m_form.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
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
  Drop("C:\\photos\\a.jpg");
  EXPECT_EQ(Text(kEdit1), "C:\\data\\café.kml");
  Drop("C:\\data\\Ω.KMZ");
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

TEST_F(Win32FormTest, TheLinkOpensTheAddressAndCloseEndsTheWindow) {
  SendMessageW(m_form.Handle(), WM_COMMAND, MAKEWPARAM(kFirstControlId + kLabel4, STN_CLICKED),
               reinterpret_cast<LPARAM>(m_form.Control(kLabel4)));
  EXPECT_EQ(m_dialogs.addresses, std::vector<std::string>{"www.trelvo.example"});
  Click(kButton2);
  EXPECT_FALSE(IsWindow(m_form.Handle()));
}

}  // namespace
}  // namespace trelvo::win32
