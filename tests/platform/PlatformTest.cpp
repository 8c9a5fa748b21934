// Exclusive creation (also under a name beyond ASCII) and replacing a file, on every platform.
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
