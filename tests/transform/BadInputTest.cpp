// The bad-input matrix: every case ends in a clear error naming the file and the cause, or in
// a correct conversion; a previous output is never touched by a failure and no temporary file
// is left behind. docs/RELIABILITY.md lists these tests by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "reading/IoError.h"
#include "tests/support/ReaderHelpers.h"
#include "tests/support/TempDir.h"
#include "transform/Transformation.h"

namespace trelvo {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

const char kPrevious[] = "a previous output that must survive";

// True when the permission bits are enforced for this user (not for root).
bool PermissionsEnforced(const std::string& unreadable_file) {
  std::FILE* file = std::fopen(unreadable_file.c_str(), "rb");
  if (file == nullptr) return true;
  std::fclose(file);
  return false;
}

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(m_folder.Path("out.csv"), kPrevious); }

  // The run's count, or -1 with the error text in m_error.
  int64_t Convert(const std::string& input, const std::string& output, uint8_t type = 2) {
    TRunSettings settings;
    settings.InputFileName = input;
    settings.OutputFileName = output;
    settings.EntityType = type;
    test::TNoProgressWindow window;
    try {
      return Transform(settings, window);
    } catch (const TIoError& error) {
      m_error = error.what();
      return -1;
    }
  }

  int64_t ConvertText(const std::string& kml, uint8_t type = 2) {
    WriteFileBytes(m_folder.Path("in.kml"), kml);
    return Convert(m_folder.Path("in.kml"), m_folder.Path("out.csv"), type);
  }

  // Only what the test made is in the folder: no temporary file.
  void ExpectNoLeftovers(std::vector<std::string> expected) {
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(m_folder.Entries(), expected);
  }

  void ExpectFailureKeptPrevious(const std::string& message) {
    EXPECT_EQ(m_error, message);
    EXPECT_EQ(ReadFileBytes(m_folder.Path("out.csv")), kPrevious);
  }

  std::string Body() {
    const std::string text = ReadFileBytes(m_folder.Path("out.csv"));
    return text.substr(text.find("Entity type:"));
  }

  test::TTempDir m_folder;
  std::string m_error;
};

TEST_F(BadInput, InputMissing) {
  EXPECT_EQ(Convert(m_folder.Path("none.kml"), m_folder.Path("out.csv")), -1);
  ExpectFailureKeptPrevious("Cannot open input file \"" + m_folder.Path("none.kml") +
                            "\": No such file or directory");
  ExpectNoLeftovers({"out.csv"});
}

TEST_F(BadInput, InputIsAFolder) {
  fs::create_directory(m_folder.Path("dir.kml"));
  EXPECT_EQ(Convert(m_folder.Path("dir.kml"), m_folder.Path("out.csv")), -1);
  ExpectFailureKeptPrevious("Cannot open input file \"" + m_folder.Path("dir.kml") +
                            "\": Is a directory");
}

TEST_F(BadInput, InputUnreadable) {
  WriteFileBytes(m_folder.Path("secret.kml"), "<Point>");
  fs::permissions(m_folder.Path("secret.kml"), fs::perms::none);
  if (!PermissionsEnforced(m_folder.Path("secret.kml"))) GTEST_SKIP() << "running as root";
  EXPECT_EQ(Convert(m_folder.Path("secret.kml"), m_folder.Path("out.csv")), -1);
  ExpectFailureKeptPrevious("Cannot open input file \"" + m_folder.Path("secret.kml") +
                            "\": Permission denied");
}

TEST_F(BadInput, InputEmpty) {
  EXPECT_EQ(ConvertText(""), 0);
  EXPECT_EQ(Body(), "Entity type:Path\r\n\r\n");
  ExpectNoLeftovers({"in.kml", "out.csv"});
}

TEST_F(BadInput, InputBinaryGarbage) {
  std::string garbage;
  uint32_t state = 12345;
  for (int i = 0; i < 300000; ++i) {
    state = state * 1103515245 + 12345;
    garbage += static_cast<char>(state >> 24);
  }
  for (uint8_t type = 1; type <= 3; ++type) EXPECT_GE(ConvertText(garbage, type), 0);
  ExpectNoLeftovers({"in.kml", "out.csv"});
}

TEST_F(BadInput, InputTruncatedInsideCoordinates) {
  EXPECT_EQ(ConvertText("<LineString><coordinates>1,2,3</coordinates></LineString>\n"
                        "<LineString><coordinates>4,5,6 7,8"),
            1);
  EXPECT_EQ(Body(),
            "Entity type:Path\r\n\r\n\r\n1 Vertices\r\n"
            "1.0000000000,2.0000000000,3.00000\r\n");
}

// The 8-bit reader would find no tag in UTF-16 text and report success with nothing.
TEST_F(BadInput, InputUtf16) {
  for (const std::string& start : {std::string("\xFF\xFE<\0", 4), std::string("\xFE\xFF\0<", 4),
                                   std::string("<\0?\0x\0", 6)}) {
    EXPECT_EQ(ConvertText(start + std::string("P\0o\0i\0n\0t\0", 10)), -1);
    ExpectFailureKeptPrevious("Cannot open input file \"" + m_folder.Path("in.kml") +
                              "\": UTF-16 text is not supported; save it as UTF-8");
  }
}

TEST_F(BadInput, InputWithNulBytes) {
  EXPECT_EQ(ConvertText(std::string("\0<Point>\0<coordinates>1,2,3</coordinates>\0", 42), 1), 1);
  EXPECT_EQ(Body(), "Entity type:Point\r\n\r\n1.0000000000,2.0000000000,3.00000\r\n");
}

TEST_F(BadInput, InputOneLineOf100Megabytes) {
  const std::string point =
      "<Placemark><Point><coordinates>1.5,2.5,3</coordinates></Point>"
      "</Placemark>";
  {
    std::ofstream out(m_folder.Path("big.kml"), std::ios::binary);
    const std::string block = [&] {
      std::string text;
      while (text.size() < 1000000) text += point;
      return text;
    }();
    for (int i = 0; i < 100; ++i) out << block;
  }
  const int64_t expected = 100 * static_cast<int64_t>((1000000 + point.size() - 1) / point.size());
  EXPECT_EQ(Convert(m_folder.Path("big.kml"), m_folder.Path("out.csv"), 1), expected);
  EXPECT_EQ(fs::file_size(m_folder.Path("out.csv")),
            ReadFileBytes(m_folder.Path("out.csv")).find("1.5") +
                static_cast<uint64_t>(expected) *
                    std::string("1.5000000000,2.5000000000,3.00000\r\n").size());
}

TEST_F(BadInput, InputMillionTupleCoordinates) {
  std::string kml = "<LineString><coordinates>\n";
  for (int i = 0; i < 1000000; ++i) kml += "1,2,3\n";
  kml += "</coordinates></LineString>";
  EXPECT_EQ(ConvertText(kml), 1);
  const std::string body = Body();
  EXPECT_EQ(body.substr(0, 40), "Entity type:Path\r\n\r\n\r\n1000000 Vertices\r\n");
  EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 1000000 + 4);
}

// Each must neither crash nor stop the run, and keeps the value of its longest numeric prefix.
TEST_F(BadInput, InputAbsurdNumbers) {
  EXPECT_EQ(ConvertText("<LineString><coordinates>1e400,-1e400,1e-400 " + std::string(400, '9') +
                        ",nan,- 1e,.,0x10 +5,-.5e1,5.e-1</coordinates>"),
            1);
  EXPECT_EQ(Body(),
            "Entity type:Path\r\n\r\n\r\n4 Vertices\r\n"
            "inf,-inf,0\r\n"
            "inf,0.0000000000,0\r\n"
            "1.0000000000,0.0000000000,0\r\n"
            "5.0000000000,-5.0000000000,0.50000\r\n");
}

TEST_F(BadInput, OutputFolderMissing) {
  WriteFileBytes(m_folder.Path("in.kml"), "<Point>");
  EXPECT_EQ(Convert(m_folder.Path("in.kml"), m_folder.Path("gone/out.csv")), -1);
  EXPECT_EQ(m_error, "Cannot create output file \"" + m_folder.Path("gone/out.csv") +
                         "\": No such file or directory");
  ExpectNoLeftovers({"in.kml", "out.csv"});
}

TEST_F(BadInput, OutputIsAFolder) {
  WriteFileBytes(m_folder.Path("in.kml"), "<Point>");
  fs::create_directory(m_folder.Path("dir.csv"));
  EXPECT_EQ(Convert(m_folder.Path("in.kml"), m_folder.Path("dir.csv")), -1);
  EXPECT_EQ(m_error,
            "Cannot create output file \"" + m_folder.Path("dir.csv") + "\": Is a directory");
}

TEST_F(BadInput, OutputFolderReadOnly) {
  WriteFileBytes(m_folder.Path("in.kml"), "<Point>");
  fs::create_directory(m_folder.Path("locked"));
  WriteFileBytes(m_folder.Path("locked/out.csv"), kPrevious);
  fs::permissions(m_folder.Path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  std::FILE* probe = std::fopen(m_folder.Path("locked/probe").c_str(), "wb");
  if (probe != nullptr) {
    std::fclose(probe);
    fs::remove(m_folder.Path("locked/probe"));
    GTEST_SKIP() << "running as root";
  }
  EXPECT_EQ(Convert(m_folder.Path("in.kml"), m_folder.Path("locked/out.csv")), -1);
  EXPECT_EQ(m_error, "Cannot create output file \"" + m_folder.Path("locked/out.csv") +
                         "\": Permission denied");
  EXPECT_EQ(ReadFileBytes(m_folder.Path("locked/out.csv")), kPrevious);
}

TEST_F(BadInput, OutputDiskFull) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this platform";
  WriteFileBytes(m_folder.Path("in.kml"), "<Point><coordinates>1,2,3</coordinates></Point>");
  EXPECT_EQ(Convert(m_folder.Path("in.kml"), "/dev/full", 1), -1);
  EXPECT_EQ(m_error, "Cannot write output file \"/dev/full\": No space left on device");
}

TEST_F(BadInput, OutputIsTheInputThroughAnySpelling) {
  WriteFileBytes(m_folder.Path("in.kml"), "<Point><coordinates>1,2,3</coordinates></Point>");
  fs::create_symlink(m_folder.Path("in.kml"), m_folder.Path("link.kml"));
  fs::create_hard_link(m_folder.Path("in.kml"), m_folder.Path("hard.kml"));
  fs::create_directory(m_folder.Path("sub"));
  for (const std::string& output :
       {m_folder.Path("in.kml"), m_folder.Path("link.kml"), m_folder.Path("hard.kml"),
        m_folder.Path("./in.kml"), m_folder.Path("sub/../in.kml")}) {
    EXPECT_EQ(Convert(m_folder.Path("in.kml"), output), -1);
    EXPECT_EQ(m_error, "Cannot create output file \"" + output + "\": it is the input file");
  }
  EXPECT_EQ(ReadFileBytes(m_folder.Path("in.kml")),
            "<Point><coordinates>1,2,3</coordinates></Point>");
}

TEST_F(BadInput, OutputNameWithSpacesAndNonAsciiBytes) {
  WriteFileBytes(m_folder.Path("in.kml"), "<Point><coordinates>1,2,3</coordinates></Point>");
  const std::string output = m_folder.Path("r\xc3\xa9sum\xc3\xa9 de route \xff.csv");
  EXPECT_EQ(Convert(m_folder.Path("in.kml"), output, 1), 1);
  EXPECT_EQ(ReadFileBytes(output).substr(0, 6), "Trelvo");
}

// The reliability table stays current: every case here is listed there by name.
TEST(ReliabilityTable, ListsEveryBadInputTest) {
  const std::string table = ReadFileBytes(TRELVO_SOURCE_DIR "/docs/RELIABILITY.md");
  const ::testing::UnitTest& tests = *::testing::UnitTest::GetInstance();
  for (int i = 0; i < tests.total_test_suite_count(); ++i) {
    const ::testing::TestSuite& suite = *tests.GetTestSuite(i);
    if (std::string(suite.name()) != "BadInput") continue;
    for (int j = 0; j < suite.total_test_count(); ++j) {
      const std::string name = std::string("`BadInput.") + suite.GetTestInfo(j)->name() + "`";
      EXPECT_NE(table.find(name), std::string::npos) << name << " is missing from the table";
    }
  }
}

}  // namespace
}  // namespace trelvo
