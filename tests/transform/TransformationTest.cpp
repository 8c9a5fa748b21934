#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
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

const char kHeader[] = "Trelvo\r\nPowered by Brisko Solutions\r\nwww.trelvo.example\r\n\r\n";

// Records every call the run makes, in order, as one string.
class TRecordingProgress : public TProgressWindow {
 public:
  explicit TRecordingProgress(std::vector<std::string>* log) : m_log(log) {}

  ~TRecordingProgress() override { m_log->push_back("destroy"); }

  void Show() override { m_log->push_back("show"); }

  void SetCounterText(std::string_view text) override {
    m_log->push_back("text:" + std::string(text));
  }

  void RepaintCounter() override { m_log->push_back("repaint-counter"); }

  void RepaintWindow() override { m_log->push_back("repaint-window"); }

 private:
  std::vector<std::string>* m_log;
};

class TRecordingUi : public TRunUi {
 public:
  std::unique_ptr<TProgressWindow> CreateProgressWindow() override {
    log.push_back("create");
    return std::make_unique<TRecordingProgress>(&log);
  }

  void ShowMessage(TMessageKind kind, const std::string& text) override {
    log.push_back((kind == TMessageKind::kInformation ? "information:" : "error:") + text);
  }

  std::vector<std::string> log;
};

class TransformationTest : public ::testing::Test {
 protected:
  TRunSettings Settings(const std::string& kml, uint8_t type = 2, char separator = ',') {
    WriteFileBytes(m_folder.Path("in.kml"), kml);
    TRunSettings settings;
    settings.InputFileName = m_folder.Path("in.kml");
    settings.OutputFileName = m_folder.Path("out.csv");
    settings.EntityType = type;
    settings.Separator = separator;
    return settings;
  }

  std::string Output() { return ReadFileBytes(m_folder.Path("out.csv")); }

  int64_t Run(const TRunSettings& settings) { return RunTransformation(settings, m_ui); }

  // Runs expecting a TIoError and returns its text.
  std::string Failure(const TRunSettings& settings) {
    try {
      Run(settings);
    } catch (const TIoError& error) {
      return error.what();
    }
    ADD_FAILURE() << "the run did not fail";
    return {};
  }

  test::TTempDir m_folder;
  TRecordingUi m_ui;
};

const char kTwoPaths[] =
    "<kml><Placemark><LineString><coordinates>-122.1,37.4,0 -122.2,37.5,10 "
    "</coordinates></LineString></Placemark>\r\n"
    "<Placemark><LineString><coordinates>\r\n</coordinates></LineString></Placemark></kml>";

TEST_F(TransformationTest, WritesPathsAsVertexBlocks) {
  EXPECT_EQ(Run(Settings(kTwoPaths)), 2);
  EXPECT_EQ(Output(), std::string(kHeader) +
                          "Entity type:Path\r\n\r\n"
                          "\r\n2 Vertices\r\n"
                          "-122.1000000000,37.4000000000,0\r\n"
                          "-122.2000000000,37.5000000000,10.00000\r\n"
                          "\r\n0 Vertices\r\n");
}

TEST_F(TransformationTest, WritesPointsAsPlainRows) {
  const std::string kml =
      "<Point><coordinates>-122.1,37.4,0 </coordinates></Point>"
      "<Point><coordinates>1,2,3</coordinates></Point>"
      "<Point><coordinates>4,5</coordinates></Point>";
  EXPECT_EQ(Run(Settings(kml, 1, '\t')), 3);
  EXPECT_EQ(Output(), std::string(kHeader) +
                          "Entity type:Point\r\n\r\n"
                          "-122.1000000000\t37.4000000000\t0\r\n"
                          "1.0000000000\t2.0000000000\t3.00000\r\n"
                          "4.0000000000\t5.0000000000\t0\r\n");
}

TEST_F(TransformationTest, WritesTheFirstRingOfEachPolygon) {
  const std::string kml =
      "<Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 1,0 0,0</coordinates></LinearRing>"
      "</outerBoundaryIs><innerBoundaryIs><LinearRing><coordinates>9,9 9,9 9,9</coordinates>"
      "</LinearRing></innerBoundaryIs></Polygon>";
  EXPECT_EQ(Run(Settings(kml, 3, ' ')), 1);
  EXPECT_EQ(Output(), std::string(kHeader) +
                          "Entity type:Polygon\r\n\r\n"
                          "\r\n3 Vertices\r\n"
                          "0.0000000000 0.0000000000 0\r\n"
                          "1.0000000000 0.0000000000 0\r\n"
                          "0.0000000000 0.0000000000 0\r\n");
}

TEST_F(TransformationTest, AFileWithoutTheTypeEndsAfterTheHeader) {
  EXPECT_EQ(Run(Settings("<Point><coordinates>1,2,3</coordinates></Point>", 2)), 0);
  EXPECT_EQ(Output(), std::string(kHeader) + "Entity type:Path\r\n\r\n");
  EXPECT_EQ(m_ui.log.back(), "information:Transformation has ended\r\r0 Entities");
}

TEST_F(TransformationTest, AnUnknownEntityTypeWritesOnlyTheHeader) {
  EXPECT_EQ(Run(Settings(kTwoPaths, 7)), 0);
  EXPECT_EQ(Output(), std::string(kHeader) + "Entity type:");
}

TEST_F(TransformationTest, DrivesTheProgressWindowAndReportsTheCountAfterItIsGone) {
  EXPECT_EQ(Run(Settings(kTwoPaths)), 2);
  // The counter is throttled: the first entity is shown at once, the last always at the end.
  const std::vector<std::string>& log = m_ui.log;
  ASSERT_GE(log.size(), 8u);
  EXPECT_EQ(log.front(), "create");
  EXPECT_EQ(log[1], "show");
  EXPECT_EQ(log[2], "text:");
  EXPECT_EQ(log[3], "repaint-window");
  EXPECT_EQ(log[log.size() - 4], "text:2");
  EXPECT_EQ(log[log.size() - 3], "repaint-counter");
  EXPECT_EQ(log[log.size() - 2], "destroy");
  EXPECT_EQ(log.back(), "information:Transformation has ended\r\r2 Entities");
}

TEST_F(TransformationTest, ASecondRunRepeatsTheFirstAndReplacesTheOutput) {
  const TRunSettings settings = Settings(kTwoPaths);
  WriteFileBytes(m_folder.Path("out.csv"),
                 "old content that is longer than the new one" + std::string(10000, 'x'));
  Run(settings);
  const std::string first = Output();
  Run(settings);
  EXPECT_EQ(Output(), first);
  EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"in.kml", "out.csv"}));
}

// Entities are formatted on a second thread in batches; a huge entity is written apart. The
// file must be exactly what writing each entity in turn gives.
TEST_F(TransformationTest, BatchedWritingKeepsEveryEntityInOrder) {
  std::string kml = "<kml>\n";
  std::string expected_body;
  int64_t entities = 0;
  const auto add_path = [&](int vertices) {
    kml += "<LineString><coordinates>";
    expected_body += "\r\n" + std::to_string(vertices) + " Vertices\r\n";
    for (int i = 0; i < vertices; ++i) {
      const int x = static_cast<int>(entities % 1000);
      kml += std::to_string(x) + "," + std::to_string(i) + ",1 ";
      expected_body +=
          std::to_string(x) + ".0000000000," + std::to_string(i) + ".0000000000,1.00000\r\n";
    }
    kml += "</coordinates></LineString>\n";
    ++entities;
  };
  for (int i = 0; i < 3000; ++i) add_path(1 + i % 13);
  add_path(40000);
  for (int i = 0; i < 3000; ++i) add_path(1 + i % 7);
  add_path(0);
  EXPECT_EQ(Run(Settings(kml)), entities);
  EXPECT_EQ(Output(), std::string(kHeader) + "Entity type:Path\r\n\r\n" + expected_body);
}

// A failed run names the file and the cause, leaves a previous output untouched and no
// temporary file behind, removes the window and shows no completion message. The other
// failures are in BadInputTest.
TEST_F(TransformationTest, AMissingInputIsReportedAndTouchesNothing) {
  TRunSettings settings = Settings(kTwoPaths);
  WriteFileBytes(m_folder.Path("out.csv"), "previous");
  settings.InputFileName = m_folder.Path("missing.kml");
  EXPECT_EQ(Failure(settings), "Cannot open input file \"" + m_folder.Path("missing.kml") +
                                   "\": No such file or directory");
  EXPECT_EQ(Output(), "previous");
  EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"in.kml", "out.csv"}));
  // The window is gone and no completion message was shown.
  EXPECT_EQ(m_ui.log, (std::vector<std::string>{"create", "show", "text:", "destroy"}));
}

TEST_F(TransformationTest, WritesThroughASymbolicLinkAndKeepsIt) {
  TRunSettings settings = Settings(kTwoPaths);
  WriteFileBytes(m_folder.Path("real.csv"), "previous");
  fs::create_symlink(m_folder.Path("real.csv"), m_folder.Path("out.csv"));
  Run(settings);
  EXPECT_TRUE(fs::is_symlink(m_folder.Path("out.csv")));
  EXPECT_EQ(ReadFileBytes(m_folder.Path("real.csv")).substr(0, 6), "Trelvo");
}

TEST_F(TransformationTest, TheOutputGetsOrdinaryPermissionsOrKeepsThoseItReplaces) {
  TRunSettings settings = Settings(kTwoPaths);
  Run(settings);
  // Same as any file the user creates (0666 less the umask), not a temporary file's 0600.
  WriteFileBytes(m_folder.Path("ordinary.txt"), "x");
  EXPECT_EQ(fs::status(m_folder.Path("out.csv")).permissions(),
            fs::status(m_folder.Path("ordinary.txt")).permissions());
  fs::permissions(m_folder.Path("out.csv"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  Run(settings);
  EXPECT_EQ(fs::status(m_folder.Path("out.csv")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace trelvo
