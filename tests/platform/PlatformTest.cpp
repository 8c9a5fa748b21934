// File names beyond ASCII, exclusive creation and replacing a file, on every platform.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/TestSupport.h"

namespace trelvo {
namespace {

const char kPoint[] = "<Point><coordinates>1,2,3</coordinates></Point>";

// café (in the ANSI code pages) and Omega (in none of the Western ones).
TEST(Platform, ConvertsFilesWithNonAsciiNames) {
  test::TTempDir folder;
  test::WriteFileBytes(folder.Path("plain.kml"), kPoint);
  ASSERT_EQ(test::Convert(folder.Path("plain.kml"), folder.Path("plain.csv"), TEntityType::kPoint),
            1);
  for (const std::string name : {"caf\xc3\xa9", "\xce\xa9"}) {
    test::WriteFileBytes(folder.Path(name + ".kml"), kPoint);
    std::string error;
    EXPECT_EQ(test::Convert(folder.Path(name + ".kml"), folder.Path(name + ".csv"),
                            TEntityType::kPoint, ',', &error),
              1)
        << error;
    EXPECT_EQ(test::ReadFileBytes(folder.Path(name + ".csv")),
              test::ReadFileBytes(folder.Path("plain.csv")));
  }
  EXPECT_EQ(folder.Entries(),
            (std::vector<std::string>{"caf\xc3\xa9.csv", "caf\xc3\xa9.kml", "plain.csv",
                                      "plain.kml", "\xce\xa9.csv", "\xce\xa9.kml"}));
}

TEST(Platform, CreatesANewFileOnlyWhereNoneExists) {
  test::TTempDir folder;
  test::WriteFileBytes(folder.Path("\xce\xa9.tmp"), "keep me");
  errno = 0;
  EXPECT_EQ(CreateNewFile(folder.Path("\xce\xa9.tmp")), nullptr);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(test::ReadFileBytes(folder.Path("\xce\xa9.tmp")), "keep me");
  std::FILE* file = CreateNewFile(folder.Path("new.tmp"));
  ASSERT_NE(file, nullptr);
  std::fclose(file);
}

// Windows cannot replace a file another program holds open: the error says so and the file
// stays; elsewhere the replacement goes through.
TEST(Platform, ReplacingAFileHeldOpenNamesTheFileAndTheCause) {
  test::TTempDir folder;
  test::WriteFileBytes(folder.Path("in.kml"), kPoint);
  test::WriteFileBytes(folder.Path("out.csv"), "previous");
  std::FILE* held = OpenFile(folder.Path("out.csv"), "rb");
  ASSERT_NE(held, nullptr);
  std::string error;
  const int64_t count = test::Convert(folder.Path("in.kml"), folder.Path("out.csv"),
                                      TEntityType::kPoint, ',', &error);
  std::fclose(held);
#ifdef _WIN32
  EXPECT_EQ(count, -1);
  EXPECT_EQ(error, "Cannot replace output file \"" + folder.Path("out.csv") +
                       "\": it is open in another program, or read-only");
  EXPECT_EQ(test::ReadFileBytes(folder.Path("out.csv")), "previous");
#else
  EXPECT_EQ(count, 1);
#endif
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.kml", "out.csv"}));
}

}  // namespace
}  // namespace trelvo
