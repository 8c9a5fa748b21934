// Bad inputs and failing outputs: each ends in one error naming the file and the cause, the
// previous output stays as it was and no temporary file is left; or it converts. And the
// exclusive creation that keeps a temporary file from taking the place of another.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/Platform.h"
#include "tests/support/TestSupport.h"

namespace trelvo {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

const char kPrevious[] = "a previous output that must survive";
const char kPoint[] = "<Point><coordinates>1,2,3</coordinates></Point>";

// What a case needs of the platform.
enum class TNeeds {
  kNothing,
  kPermissions,  // permission bits that bind this user (not root)
  kDevFull,      // a device that is always full
  kSizeLimit,    // a file-size limit (RLIMIT_FSIZE)
  kHeldOpen,     // Windows, which cannot replace a file another program holds open
};

struct TFailure {
  const char* name;
  const char* input;   // in the folder the fixture prepares
  const char* output;  // likewise, unless absolute
  const char* error;   // with {in} and {out} for the full names
  TNeeds needs = TNeeds::kNothing;
};

// clang-format off
const TFailure kFailures[] = {
    {"InputMissing", "none.kml", "out.csv", "Cannot open input file \"{in}\": No such file or directory"},
    {"InputIsAFolder", "dir.kml", "out.csv", "Cannot open input file \"{in}\": Is a directory"},
    {"InputUnreadable", "secret.kml", "out.csv", "Cannot open input file \"{in}\": Permission denied", TNeeds::kPermissions},
    // The 8-bit reader would find no tag in UTF-16 text and report success with nothing.
    {"InputUtf16LittleEndian", "le.kml", "out.csv", "Cannot open input file \"{in}\": UTF-16 text is not supported; save it as UTF-8"},
    {"InputUtf16BigEndian", "be.kml", "out.csv", "Cannot open input file \"{in}\": UTF-16 text is not supported; save it as UTF-8"},
    {"InputUtf16WithoutMark", "nomark.kml", "out.csv", "Cannot open input file \"{in}\": UTF-16 text is not supported; save it as UTF-8"},
    {"InputUtf16WithoutDeclaration", "bare16.kml", "out.csv", "Cannot open input file \"{in}\": UTF-16 text is not supported; save it as UTF-8"},
    {"InputUtf32", "utf32.kml", "out.csv", "Cannot open input file \"{in}\": UTF-32 text is not supported; save it as UTF-8"},
    // Text without any KML markup: "0 Entities" would report a wrong file as an empty one.
    {"InputIsAPicture", "picture.kml", "out.csv", "Cannot read input file \"{in}\": not a KML document"},
    {"InputIsGpx", "track.gpx", "out.csv", "Cannot read input file \"{in}\": a GPX document, not a KML document"},
    {"OutputFolderMissing", "in.kml", "gone/out.csv", "Cannot create output file \"{out}\": No such file or directory"},
    {"OutputIsAFolder", "in.kml", "dir.csv", "Cannot create output file \"{out}\": Is a directory"},
    {"OutputFolderReadOnly", "in.kml", "locked/new.csv", "Cannot create output file \"{out}\": Permission denied", TNeeds::kPermissions},
    {"OutputDiskFull", "in.kml", "/dev/full", "Cannot write output file \"{out}\": No space left on device", TNeeds::kDevFull},
    {"OutputReadOnly", "in.kml", "ro.csv", "Cannot create output file \"{out}\": it is read-only"},
    {"OutputHeldOpen", "in.kml", "out.csv", "Cannot replace output file \"{out}\": it is open in another program, or read-only", TNeeds::kHeldOpen},
    {"OutputIsTheInput", "in.kml", "in.kml", "Cannot create output file \"{out}\": it is the input file"},
    {"OutputIsTheInputSpelledOtherwise", "in.kml", "sub/../in.kml", "Cannot create output file \"{out}\": it is the input file"},
    {"OutputIsAHardLinkToTheInput", "in.kml", "hard.kml", "Cannot create output file \"{out}\": it is the input file"},
    // The writer itself fails in the middle of a run: the temporary file goes with it.
    {"OutputFailsMidRun", "big.kml", "out.csv", "Cannot write output file \"{out}\": File too large", TNeeds::kSizeLimit},
};

// clang-format on

void PrintTo(const TFailure& failure, std::ostream* out) { *out << failure.name; }

class Failure : public ::testing::TestWithParam<TFailure> {
 protected:
  void SetUp() override {
    WriteFileBytes(m_folder.Path("out.csv"), kPrevious);
    WriteFileBytes(m_folder.Path("in.kml"), kPoint);
    WriteFileBytes(m_folder.Path("secret.kml"), kPoint);
    fs::permissions(m_folder.Path("secret.kml"), fs::perms::none);
    WriteFileBytes(m_folder.Path("le.kml"), std::string("\xFF\xFE<\0P\0", 6));
    WriteFileBytes(m_folder.Path("be.kml"), std::string("\xFE\xFF\0<\0P", 6));
    WriteFileBytes(m_folder.Path("nomark.kml"), std::string("<\0?\0x\0", 6));
    WriteFileBytes(m_folder.Path("bare16.kml"), std::string("<\0k\0m\0l\0>\0", 10));
    WriteFileBytes(m_folder.Path("utf32.kml"), std::string("<\0\0\0k\0\0\0", 8));
    WriteFileBytes(m_folder.Path("picture.kml"),
                   std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR<P", 19));
    WriteFileBytes(m_folder.Path("track.gpx"),
                   "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\"><trk><trkseg>"
                   "<trkpt lat=\"48.1\" lon=\"11.5\"/></trkseg></trk></gpx>");
    std::string big;
    for (int i = 0; i < 20000; ++i) big += kPoint;
    WriteFileBytes(m_folder.Path("big.kml"), big);
    fs::create_directory(m_folder.Path("dir.kml"));
    fs::create_directory(m_folder.Path("dir.csv"));
    fs::create_directory(m_folder.Path("sub"));
    fs::create_hard_link(m_folder.Path("in.kml"), m_folder.Path("hard.kml"));
    WriteFileBytes(m_folder.Path("ro.csv"), kPrevious);
    fs::permissions(m_folder.Path("ro.csv"), fs::perms::owner_read | fs::perms::group_read);
    fs::create_directory(m_folder.Path("locked"));
    WriteFileBytes(m_folder.Path("locked/out.csv"), kPrevious);
    fs::permissions(m_folder.Path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  }

  // Why the platform cannot have the case, or nothing.
  std::string Missing(TNeeds needs) {
    std::FILE* file = std::fopen(m_folder.Path("secret.kml").c_str(), "rb");
    if (file != nullptr) std::fclose(file);
    if (needs == TNeeds::kPermissions && file != nullptr)
      return "permission bits do not bind this user here (root, or Windows)";
    if (needs == TNeeds::kDevFull && !fs::exists("/dev/full")) return "no /dev/full here";
#ifdef _WIN32
    if (needs == TNeeds::kSizeLimit) return "no file-size limit on Windows";
#else
    if (needs == TNeeds::kHeldOpen) return "a file held open is replaced like any other here";
#endif
    return {};
  }

  test::TTempDir m_folder;
};

std::string Replace(std::string text, const std::string& name, const std::string& value) {
  const size_t at = text.find(name);
  return at == std::string::npos ? text : text.replace(at, name.size(), value);
}

TEST_P(Failure, NamesTheFileAndTheCauseAndLosesNothing) {
  const TFailure& c = GetParam();
  if (const std::string why = Missing(c.needs); !why.empty()) GTEST_SKIP() << why;
  const std::vector<std::string> before = m_folder.Entries();
  const std::string input = m_folder.Path(c.input);
  const std::string output = c.output[0] == '/' ? c.output : m_folder.Path(c.output);
  std::string error;
#ifndef _WIN32
  // A file-size limit makes the writer fail part way, as a full disk would.
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  if (c.needs == TNeeds::kSizeLimit) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{100000, old_limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
  }
#endif
  std::FILE* held =
      c.needs == TNeeds::kHeldOpen ? OpenFile(m_folder.Path("out.csv"), "rb") : nullptr;
  EXPECT_EQ(test::Convert(input, output, TEntityType::kPoint, ',', &error), -1);
  if (held != nullptr) std::fclose(held);
#ifndef _WIN32
  setrlimit(RLIMIT_FSIZE, &old_limit);
#endif
  EXPECT_EQ(error, Replace(Replace(c.error, "{in}", input), "{out}", output));
  EXPECT_EQ(ReadFileBytes(m_folder.Path("out.csv")), kPrevious);
  EXPECT_EQ(ReadFileBytes(m_folder.Path("locked/out.csv")), kPrevious);
  EXPECT_EQ(ReadFileBytes(m_folder.Path("ro.csv")), kPrevious);
  EXPECT_EQ(ReadFileBytes(m_folder.Path("in.kml")), kPoint);
  EXPECT_EQ(m_folder.Entries(), before) << "a temporary file was left behind";
}

INSTANTIATE_TEST_SUITE_P(Cases, Failure, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<TFailure>& param_info) {
                           return std::string(param_info.param.name);
                         });

#ifndef _WIN32
// Another user's file in a folder anyone may write: a shell's '>' would refuse to write it, and
// a run must not replace it with a file of its own. Root plays the other user.
TEST(ReadOnly, AnotherUsersFileIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  test::TTempDir folder;
  fs::permissions(folder.Path("."), fs::perms::all);
  WriteFileBytes(folder.Path("in.kml"), kPoint);
  WriteFileBytes(folder.Path("theirs.csv"), kPrevious);
  fs::permissions(folder.Path("theirs.csv"), fs::perms::owner_read | fs::perms::owner_write |
                                                 fs::perms::group_read | fs::perms::others_read);
  const pid_t child = fork();
  if (child == 0) {
    std::string error;
    const bool refused =
        setgid(65534) == 0 && setuid(65534) == 0 &&
        test::Convert(folder.Path("in.kml"), folder.Path("theirs.csv"), TEntityType::kPoint, ',',
                      &error) == -1 &&
        error == "Cannot create output file \"" + folder.Path("theirs.csv") + "\": it is read-only";
    if (!refused) std::fprintf(stderr, "%s\n", error.c_str());
    _exit(refused ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFileBytes(folder.Path("theirs.csv")), kPrevious);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.kml", "theirs.csv"}));
}
#endif

TEST(NewFile, IsCreatedOnlyWhereNoneExists) {
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

}  // namespace
}  // namespace trelvo
