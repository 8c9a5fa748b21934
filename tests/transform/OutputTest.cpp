// The output text: golden files for each type, format and value class, the fixed-point digits,
// the order of batched entities, the progress window's calls, and how the file is replaced.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/IoError.h"
#include "tests/support/TestSupport.h"
#include "transform/AtomicFile.h"
#include "transform/TextExport.h"
#include "transform/Transformation.h"

namespace trelvo {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

const char kHeader[] = "Trelvo\r\nPowered by Brisko Solutions\r\nwww.trelvo.example\r\n\r\n";

std::string Pt(const std::string& tuple) {
  return "<Point><coordinates>" + tuple + "</coordinates></Point>\n";
}

TEST(Output, WritesTheGoldenTextOfEachCase) {
  const struct {
    std::string kml;
    TEntityType type;
    char separator;
    std::string body;  // everything after the four header lines
  } cases[] = {
      // clang-format off
      {"<LineString><coordinates>-122.1,37.4,0 -122.2,37.5,10</coordinates></LineString>\r\n"
       "<LineString><coordinates>\r\n</coordinates></LineString>",
       TEntityType::kPath, ',',
       "Entity type:Path\r\n\r\n\r\n2 Vertices\r\n-122.1000000000,37.4000000000,0\r\n"
       "-122.2000000000,37.5000000000,10.00000\r\n\r\n0 Vertices\r\n"},
      {Pt("-122.1,37.4,0 ") + Pt("1,2,3") + Pt("4,5"), TEntityType::kPoint, '\t',
       "Entity type:Point\r\n\r\n-122.1000000000\t37.4000000000\t0\r\n"
       "1.0000000000\t2.0000000000\t3.00000\r\n4.0000000000\t5.0000000000\t0\r\n"},
      {"<Polygon><outerBoundaryIs><LinearRing><coordinates>0,0 1,0 0,0</coordinates>"
       "</LinearRing></outerBoundaryIs><innerBoundaryIs><LinearRing><coordinates>9,9 9,9"
       "</coordinates></LinearRing></innerBoundaryIs></Polygon>",
       TEntityType::kPolygon, ' ',
       "Entity type:Polygon\r\n\r\n\r\n3 Vertices\r\n0.0000000000 0.0000000000 0\r\n"
       "1.0000000000 0.0000000000 0\r\n0.0000000000 0.0000000000 0\r\n"},
      // Z of exactly zero is the digit 0, whatever its sign; anything else has 5 decimals.
      {Pt("-0,0.5,-0") + Pt("1,-122.0842,0.000001") + Pt("-0.00000000001,2,12.3456789") +
           Pt("1e400,-1e400,-0.000001"),
       TEntityType::kPoint, ',',
       "Entity type:Point\r\n\r\n0.0000000000,0.5000000000,0\r\n"
       "1.0000000000,-122.0842000000,0.00000\r\n0.0000000000,2.0000000000,12.34568\r\n"
       "inf,-inf,0.00000\r\n"},
      // No entity of the type, an empty file, NUL bytes, a truncated last geometry.
      {Pt("1,2,3"), TEntityType::kPath, ',', "Entity type:Path\r\n\r\n"},
      {"", TEntityType::kPolygon, ',', "Entity type:Polygon\r\n\r\n"},
      {std::string("\0<Point>\0<coordinates>1,2,3</coordinates>\0", 42), TEntityType::kPoint, ',',
       "Entity type:Point\r\n\r\n1.0000000000,2.0000000000,3.00000\r\n"},
      {"<LineString><coordinates>1,2,3</coordinates></LineString>\n"
       "<LineString><coordinates>4,5,6 7,8",
       TEntityType::kPath, ',', "Entity type:Path\r\n\r\n\r\n1 Vertices\r\n1.0000000000,2.0000000000,3.00000\r\n"},
      // Absurd numbers neither crash nor stop the run.
      {"<LineString><coordinates>1e400,-1e400,1e-400 " + std::string(400, '9') +
           ",nan,- 1e,.,0x10 +5,-.5e1,5.e-1</coordinates>",
       TEntityType::kPath, ',',
       "Entity type:Path\r\n\r\n\r\n4 Vertices\r\ninf,-inf,0\r\ninf,0.0000000000,0\r\n"
       "1.0000000000,0.0000000000,0\r\n5.0000000000,-5.0000000000,0.50000\r\n"},
      // clang-format on
  };

  test::TTempDir folder;
  for (const auto& c : cases) {
    WriteFileBytes(folder.Path("in.kml"), c.kml);
    test::Convert(folder.Path("in.kml"), folder.Path("out.csv"), c.type, c.separator);
    EXPECT_EQ(ReadFileBytes(folder.Path("out.csv")), kHeader + c.body) << c.kml.substr(0, 200);
  }
}

std::string Fixed(double value, int decimals) {
  std::string out;
  AppendFixed(out, value, decimals);
  return out;
}

TEST(Output, FormatsFixedPointDigitsExactly) {
  const double inf = std::numeric_limits<double>::infinity();

  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      // clang-format off
      {0.5, 10, "0.5000000000"}, {-122.0842, 10, "-122.0842000000"}, {12.3456789, 5, "12.34568"},
      {0.000001, 5, "0.00000"}, {123456789012.5, 5, "123456789012.50000"},
      {1e20, 10, "100000000000000000000.0000000000"},
      {2.675, 2, "2.67"},  // 2.67499999999999982236431605997495353221893310546875
      {0.00048828125, 10, "0.0004882812"}, {0.00146484375, 10, "0.0014648438"},  // ties to even
      // No minus sign on a value that rounds to zero.
      {-0.0, 10, "0.0000000000"}, {-0.00000000001, 10, "0.0000000000"}, {-0.000000001, 5, "0.00000"},
      {-0.00000000006, 10, "-0.0000000001"}, {inf, 10, "inf"}, {-inf, 5, "-inf"},
      // clang-format on
  };

  for (const auto& c : cases) EXPECT_EQ(Fixed(c.value, c.decimals), c.text) << c.value;
}

// The fast formatter agrees with std::to_chars digit for digit, exact ties included.
TEST(Output, FixedPointAgreesWithToCharsOnRandomValues) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-40, 30);
  std::uniform_int_distribution<int> ticks(-2000000, 2000000);
  for (int i = 0; i < 1000000; ++i) {
    double value = std::ldexp(unit(random), exponent(random));
    if (i % 4 == 0) value = std::ldexp(ticks(random), -exponent(random) / 2 - 12);
    for (const int decimals : {5, 10, 3}) {  // the rows' two widths, and any other
      char expected[400];
      std::string reference(expected, std::to_chars(expected, expected + sizeof(expected), value,
                                                    std::chars_format::fixed, decimals)
                                          .ptr);
      if (reference.find_first_not_of("-0.") == std::string::npos) reference.erase(0, value < 0);
      ASSERT_EQ(Fixed(value, decimals), reference) << std::hexfloat << value;
    }
  }
}

// Entities are formatted on a second thread in batches, a huge one apart: the file is exactly
// what writing each entity in turn gives. The huge one is a line longer than a read block, with
// a count beyond 16 bits.
TEST(Output, KeepsBatchedEntitiesInOrder) {
  std::string kml;
  std::string body = "Entity type:Path\r\n\r\n";
  int64_t entities = 0;
  const auto add_path = [&](int vertices) {
    kml += "<LineString><coordinates>";
    body += "\r\n" + std::to_string(vertices) + " Vertices\r\n";
    const std::string x = std::to_string(entities++ % 1000);
    for (int i = 0; i < vertices; ++i) {
      kml += x + "," + std::to_string(i) + ",1 ";
      body += x + ".0000000000," + std::to_string(i) + ".0000000000,1.00000\r\n";
    }
    kml += "</coordinates></LineString>\n";
  };
  for (int i = 0; i < 3000; ++i) add_path(1 + i % 13);
  add_path(150000);
  for (int i = 0; i < 3000; ++i) add_path(i % 7);
  test::TTempDir folder;
  WriteFileBytes(folder.Path("in.kml"), kml);
  EXPECT_EQ(test::Convert(folder.Path("in.kml"), folder.Path("out.csv"), TEntityType::kPath),
            entities);
  EXPECT_EQ(test::FirstDifference(ReadFileBytes(folder.Path("out.csv")), kHeader + body), "");
}

#ifndef _WIN32
// A slow output (a pipe read slowly) holds the writing thread back while the reading thread
// queues batch after batch: each waits for a free slot of the ring rather than overwrite one
// still being written.
TEST(Output, KeepsEveryBatchWhileTheOutputIsSlow) {
  test::TTempDir folder;
  std::string kml;
  for (int i = 0; i < 100000; ++i) kml += Pt(std::to_string(i) + ",1,2");
  WriteFileBytes(folder.Path("in.kml"), kml);
  ASSERT_EQ(test::Convert(folder.Path("in.kml"), folder.Path("expected.csv"), TEntityType::kPoint),
            100000);
  test::TSlowPipe pipe(folder.Path("pipe"));
  EXPECT_EQ(test::Convert(folder.Path("in.kml"), folder.Path("pipe"), TEntityType::kPoint), 100000);
  EXPECT_EQ(test::FirstDifference(pipe.Text(), ReadFileBytes(folder.Path("expected.csv"))), "");
}
#endif

// Records every call the run makes on its window and message box, in order.
class TRecordingUi : public TRunUi {
 public:
  struct TWindow : TProgressWindow {
    explicit TWindow(std::vector<std::string>& log) : m_log(log) {}

    ~TWindow() override { m_log.push_back("destroy"); }

    void Show() override { m_log.push_back("show"); }

    void SetCounterText(std::string_view text) override {
      m_log.push_back("text:" + std::string(text));
    }

    void RepaintCounter() override { m_log.push_back("repaint-counter"); }

    void RepaintWindow() override { m_log.push_back("repaint-window"); }

    std::vector<std::string>& m_log;
  };

  std::unique_ptr<TProgressWindow> CreateProgressWindow() override {
    log.push_back("create");
    return std::make_unique<TWindow>(log);
  }

  void ShowMessage(TMessageKind, const std::string& text) override {
    log.push_back("message:" + text);
  }

  std::vector<std::string> log;
};

TEST(Output, DrivesTheProgressWindowAndReportsTheCountOnceItIsGone) {
  test::TTempDir folder;
  WriteFileBytes(folder.Path("in.kml"), Pt("1,2,3") + Pt("4,5,6"));
  TRunSettings settings{folder.Path("in.kml"), folder.Path("out.csv"), TEntityType::kPoint, ','};
  TRecordingUi ui;
  EXPECT_EQ(RunTransformation(settings, ui), 2);
  // The counter is throttled: the first entity is shown at once, the last always at the end
  // (a slow machine may show more in between).
  const std::vector<std::string> first = {
      "create", "show", "text:", "repaint-window", "text:1", "repaint-counter"};
  const std::vector<std::string> last = {"text:2", "repaint-counter", "destroy",
                                         "message:Transformation has ended\r\r2 Entities"};
  ASSERT_GE(ui.log.size(), first.size() + last.size());
  EXPECT_EQ(std::vector<std::string>(ui.log.begin(), ui.log.begin() + 6), first);
  EXPECT_EQ(std::vector<std::string>(ui.log.end() - 4, ui.log.end()), last);
  // A failed run removes its window and shows no completion message.
  ui.log.clear();
  settings.InputFileName = folder.Path("missing.kml");
  EXPECT_THROW(RunTransformation(settings, ui), std::runtime_error);
  EXPECT_EQ(ui.log, (std::vector<std::string>{"create", "show", "text:", "destroy"}));
}

// A run replaces an existing output whole, keeps a symbolic link and the permissions of the
// file it replaces, and gives a new file ordinary permissions.
TEST(Output, ReplacesTheOutputLikeAnEditorSaves) {
  test::TTempDir folder;
  WriteFileBytes(folder.Path("in.kml"), Pt("1,2,3"));
  const auto convert = [&](const std::string& output) {
    return test::Convert(folder.Path("in.kml"), folder.Path(output), TEntityType::kPoint);
  };
  WriteFileBytes(folder.Path("out.csv"), std::string(10000, 'x'));
  ASSERT_EQ(convert("out.csv"), 1);
  const std::string first = ReadFileBytes(folder.Path("out.csv"));
  EXPECT_EQ(first, kHeader + std::string(
                                 "Entity type:Point\r\n\r\n1.0000000000,2.0000000000,3.00000\r\n"));
#ifndef _WIN32
  WriteFileBytes(folder.Path("ordinary.txt"), "x");
  EXPECT_EQ(fs::status(folder.Path("out.csv")).permissions(),
            fs::status(folder.Path("ordinary.txt")).permissions());
  const fs::perms kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(folder.Path("out.csv"), kept);
  ASSERT_EQ(convert("out.csv"), 1);
  EXPECT_EQ(fs::status(folder.Path("out.csv")).permissions(), kept);
  fs::create_symlink(folder.Path("out.csv"), folder.Path("link.csv"));
  WriteFileBytes(folder.Path("out.csv"), "previous");
  ASSERT_EQ(convert("link.csv"), 1);
  EXPECT_TRUE(fs::is_symlink(folder.Path("link.csv")));
  EXPECT_EQ(ReadFileBytes(folder.Path("out.csv")), first);
  // A link to a file not there yet, through a second link, makes that file, as '>' does.
  fs::create_symlink("made.csv", folder.Path("dangling.csv"));
  fs::create_symlink("dangling.csv", folder.Path("chain.csv"));
  ASSERT_EQ(convert("chain.csv"), 1);
  EXPECT_TRUE(fs::is_symlink(folder.Path("chain.csv")) &&
              fs::is_symlink(folder.Path("dangling.csv")));
  EXPECT_EQ(ReadFileBytes(folder.Path("made.csv")), first);
  // Root replacing another user's file leaves it that user's.
  if (geteuid() == 0) {
    ASSERT_EQ(chown(folder.Path("out.csv").c_str(), 65534, 65534), 0);
    ASSERT_EQ(convert("out.csv"), 1);

    struct stat owner {};

    ASSERT_EQ(stat(folder.Path("out.csv").c_str(), &owner), 0);
    EXPECT_EQ(owner.st_uid, 65534u);
    EXPECT_EQ(owner.st_gid, 65534u);
  }
  for (const char* name : {"ordinary.txt", "link.csv", "dangling.csv", "chain.csv", "made.csv"})
    fs::remove(folder.Path(name));
  // A writable file in a folder the user cannot write is converted elsewhere and copied over
  // (where permission bits bind this user: not root).
  fs::create_directory(folder.Path("locked"));
  WriteFileBytes(folder.Path("locked/out.csv"), "previous");
  fs::permissions(folder.Path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  if (geteuid() != 0) {
    EXPECT_EQ(convert("locked/out.csv"), 1);
    EXPECT_EQ(ReadFileBytes(folder.Path("locked/out.csv")), first);
  }
  fs::permissions(folder.Path("locked"), fs::perms::owner_all);
  fs::remove_all(folder.Path("locked"));
#endif
  // Any name the file system takes: 81 CJK characters and ".csv" are 247 bytes.
  std::string long_name;
  for (int i = 0; i < 81; ++i) long_name += "\xe8\xb7\xaf";
  ASSERT_EQ(convert(long_name + ".csv"), 1);
  EXPECT_EQ(ReadFileBytes(folder.Path(long_name + ".csv")), first);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.kml", "out.csv", long_name + ".csv"}));
}

// A large output is written whole and takes the disk space of its bytes, no more (space is set
// aside ahead of the writes where the file system can, and what is left over given back).
TEST(Output, ALargeOutputTakesTheSpaceOfItsBytes) {
  test::TTempDir folder;
  std::string bytes;
  for (int i = 0; bytes.size() < (size_t{41} << 20) + 7; ++i) bytes += std::to_string(i) + ',';
  {
    TAtomicFile file(folder.Path("out.csv"), folder.Path("in.kml"));
    for (size_t at = 0; at < bytes.size(); at += size_t{1} << 20) {
      file.Write(std::string_view(bytes).substr(at, size_t{1} << 20));
    }
    file.Commit();
  }
  EXPECT_TRUE(ReadFileBytes(folder.Path("out.csv")) == bytes);
#ifndef _WIN32
  struct stat written {};

  ASSERT_EQ(stat(folder.Path("out.csv").c_str(), &written), 0);
  EXPECT_LT(static_cast<uint64_t>(written.st_blocks) * 512, bytes.size() + (size_t{4} << 20));
#endif
}

// A rename that fails at the very end (the target became a folder meanwhile) is an error, and
// the temporary file goes with it.
TEST(Output, AFailedRenameLeavesNoTemporaryFile) {
  test::TTempDir folder;
  {
    TAtomicFile file(folder.Path("out.csv"), folder.Path("in.kml"));
    file.Write("complete");
    fs::create_directory(folder.Path("out.csv"));
    WriteFileBytes(folder.Path("out.csv/keep"), "x");
    EXPECT_THROW(file.Commit(), TIoError);
  }
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"out.csv"});
}

}  // namespace
}  // namespace trelvo
