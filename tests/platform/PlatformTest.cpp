// What differs between Windows and POSIX, where a test can see it: an interrupt's cleanup of
// an open file, and the console's code page given back.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

#include "platform/Platform.h"
#include "tests/support/TestSupport.h"

namespace trelvo {
namespace {

// The interrupt handler removes the temporary output while the run still holds it open (on
// Windows only a file opened to allow that can be deleted).
TEST(Platform, AnInterruptRemovesAnOpenTemporaryFile) {
  test::TTempDir folder;
  const std::string name = folder.Path(".trelvo-open.tmp");
  std::FILE* file = CreateNewFile(name);
  ASSERT_NE(file, nullptr);
  ASSERT_GE(std::fputs("part of a run", file), 0);
  SetInterruptCleanup(name);
  EXPECT_TRUE(RemoveInterruptCleanup());
  std::fclose(file);
  SetInterruptCleanup({});
  EXPECT_TRUE(folder.Entries().empty());
}

// Switching the console to UTF-8 for the progress bar lasts only as long as the program: the
// user's console keeps its code page.
TEST(Platform, TheConsoleGetsItsCodePageBack) {
#ifndef _WIN32
  GTEST_SKIP() << "a code page of a Windows console";
#else
  // A console of its own: the one the test runner gives may be no real one.
  FreeConsole();
  if (!AllocConsole() || !SetConsoleOutputCP(850)) {
    GTEST_SKIP() << "no console that keeps a code page here (Wine's has none without a window)";
  }
  // Read access too, as a console's own standard error has: GetConsoleMode needs it.
  const HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(output, INVALID_HANDLE_VALUE);
  std::FILE* console = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(output), 0), "w");
  ASSERT_NE(console, nullptr);
  ASSERT_TRUE(SetConsoleOutputCP(850));
  PrepareConsole(console);
  EXPECT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
  RestoreConsole();
  EXPECT_EQ(GetConsoleOutputCP(), 850u);
  std::fclose(console);
  FreeConsole();
#endif
}

}  // namespace
}  // namespace trelvo
