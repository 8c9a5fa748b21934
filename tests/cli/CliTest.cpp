// Drives the built trelvo-cli: exit codes, messages, and outputs identical to the library run.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/ReaderHelpers.h"
#include "tests/support/TempDir.h"
#include "transform/Transformation.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace trelvo {
namespace {

// The exit code of a command from pclose's status.
int ExitCode(int status) {
#ifdef _WIN32
  return status;
#else
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

struct TResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class CliTest : public ::testing::Test {
 protected:
  TResult Cli(const std::string& arguments) {
    const std::string err_file = m_folder.Path("stderr.txt");
    const std::string command = Quote(TRELVO_CLI_PATH) + " " + arguments + " 2>" + Quote(err_file);
    TResult result;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer{};
    size_t count = 0;
    while ((count = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
      result.out.append(buffer.data(), count);
    const int status = pclose(pipe);
    result.exit_code = ExitCode(status);
    result.err = ReadFileBytes(err_file);
    fs::remove(err_file);
    return result;
  }

  test::TTempDir m_folder;
};

const char kKml[] =
    "<kml><Placemark><Point><coordinates>1,2,3</coordinates></Point></Placemark>\n"
    "<Placemark><LineString><coordinates>1,2 3,4</coordinates></LineString></Placemark>\n"
    "<Placemark><LineString><coordinates>5,6,7</coordinates></LineString></Placemark></kml>\n";

TEST_F(CliTest, ConvertsWithTheWindowsDefaultsBesideTheInput) {
  WriteFileBytes(m_folder.Path("route.kml"), kKml);
  const TResult result = Cli(Quote(m_folder.Path("route.kml")));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "2 Entities\n");
  EXPECT_EQ(result.err, "");  // standard error is no terminal here: no progress bar
  EXPECT_NE(ReadFileBytes(m_folder.Path("route.csv")).find("Entity type:Path\r\n"),
            std::string::npos);
}

// One core, one writer: the command line writes the very bytes of the library run.
TEST_F(CliTest, WritesTheSameBytesAsTheLibraryRun) {
  WriteFileBytes(m_folder.Path("route.kml"), kKml);

  const struct {
    const char* type;
    const char* format;
    uint8_t entity_type;
    char separator;
  } cases[] = {{"point", "csv", 1, ','},
               {"path", "txt", 2, ' '},
               {"polygon", "tab", 3, '\t'},
               {"path", "tab", 2, '\t'}};

  for (const auto& c : cases) {
    const TResult result =
        Cli(std::string("--type ") + c.type + " --format=" + c.format + " -o " +
            Quote(m_folder.Path("cli.out")) + " " + Quote(m_folder.Path("route.kml")));
    ASSERT_EQ(result.exit_code, 0) << result.err;
    TRunSettings settings;
    settings.InputFileName = m_folder.Path("route.kml");
    settings.OutputFileName = m_folder.Path("lib.out");
    settings.EntityType = c.entity_type;
    settings.Separator = c.separator;

    test::TNoProgressWindow progress;

    const int64_t count = Transform(settings, progress);
    EXPECT_EQ(result.out, std::to_string(count) + " Entities\n");
    EXPECT_EQ(ReadFileBytes(m_folder.Path("cli.out")), ReadFileBytes(m_folder.Path("lib.out")))
        << c.type << " " << c.format;
  }
}

TEST_F(CliTest, DefaultOutputFollowsTheFormatsExtension) {
  WriteFileBytes(m_folder.Path("route.v1.kml"), kKml);
  WriteFileBytes(m_folder.Path("noext"), kKml);
  EXPECT_EQ(Cli("-f txt " + Quote(m_folder.Path("route.v1.kml"))).exit_code, 0);
  EXPECT_TRUE(fs::exists(m_folder.Path("route.v1.txt")));
  EXPECT_EQ(Cli("--format tab " + Quote(m_folder.Path("noext"))).exit_code, 0);
  EXPECT_TRUE(fs::exists(m_folder.Path("noext.tab")));
}

TEST_F(CliTest, InputOutputErrorsExitOneWithOneLineAndLoseNothing) {
  WriteFileBytes(m_folder.Path("route.kml"), kKml);
  WriteFileBytes(m_folder.Path("route.csv"), "previous");
  TResult result =
      Cli(Quote(m_folder.Path("missing.kml")) + " -o " + Quote(m_folder.Path("route.csv")));
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "trelvo-cli: Cannot open input file \"" + m_folder.Path("missing.kml") +
                            "\": No such file or directory\n");
  result = Cli("-o " + Quote(m_folder.Path("route.kml")) + " " + Quote(m_folder.Path("route.kml")));
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err, "trelvo-cli: Cannot create output file \"" + m_folder.Path("route.kml") +
                            "\": it is the input file\n");
  if (fs::exists("/dev/full")) {
    result = Cli("-o /dev/full " + Quote(m_folder.Path("route.kml")));
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err,
              "trelvo-cli: Cannot write output file \"/dev/full\": No space left on device\n");
  }
  EXPECT_EQ(ReadFileBytes(m_folder.Path("route.kml")), kKml);
  EXPECT_EQ(ReadFileBytes(m_folder.Path("route.csv")), "previous");
  EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"route.csv", "route.kml"}));
}

TEST_F(CliTest, BadInputEndsInAnErrorOrAConversion) {
  WriteFileBytes(m_folder.Path("out.csv"), "previous");
  WriteFileBytes(m_folder.Path("empty.kml"), "");
  WriteFileBytes(m_folder.Path("garbage.kml"), std::string("\x01\xfe<<\0\0>>,,  \r\n\xff", 14));
  WriteFileBytes(m_folder.Path("utf16.kml"), std::string("\xff\xfe<\0k\0", 6));
  fs::create_directory(m_folder.Path("folder.kml"));
  const std::string out = " -o " + Quote(m_folder.Path("out.csv"));
  TResult result = Cli(Quote(m_folder.Path("empty.kml")) + " -o " + Quote(m_folder.Path("e.csv")));
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "0 Entities\n");
  result = Cli(Quote(m_folder.Path("garbage.kml")) + " -o " + Quote(m_folder.Path("g.csv")));
  EXPECT_EQ(result.exit_code, 0);
  result = Cli(Quote(m_folder.Path("utf16.kml")) + out);
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err, "trelvo-cli: Cannot open input file \"" + m_folder.Path("utf16.kml") +
                            "\": UTF-16 text is not supported; save it as UTF-8\n");
  result = Cli(Quote(m_folder.Path("folder.kml")) + out);
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err, "trelvo-cli: Cannot open input file \"" + m_folder.Path("folder.kml") +
                            "\": Is a directory\n");
  result = Cli(Quote(m_folder.Path("empty.kml")) + " -o " + Quote(m_folder.Path("none/x.csv")));
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(ReadFileBytes(m_folder.Path("out.csv")), "previous");
  EXPECT_EQ(m_folder.Entries(),
            (std::vector<std::string>{"e.csv", "empty.kml", "folder.kml", "g.csv", "garbage.kml",
                                      "out.csv", "utf16.kml"}));
}

TEST_F(CliTest, UsageErrorsExitTwoWithTheUsageLine) {
  const std::string usage =
      "usage: trelvo-cli [--type point|path|polygon] [--format csv|txt|tab] [-o OUTPUT] INPUT\n";
  for (const auto& [arguments, message] :
       std::initializer_list<std::pair<std::string, std::string>>{
           {"", "missing input file"},
           {"--bogus in.kml", "unknown option '--bogus'"},
           {"--type line in.kml", "bad --type value 'line' (point, path or polygon)"},
           {"--format xls in.kml", "bad --format value 'xls' (csv, txt or tab)"},
           {"in.kml -o", "option -o needs a value"},
           {"a.kml b.kml", "more than one input file: 'b.kml'"}}) {
    const TResult result = Cli(arguments);
    EXPECT_EQ(result.exit_code, 2) << arguments;
    EXPECT_EQ(result.err, "trelvo-cli: " + message + "\n" + usage) << arguments;
    EXPECT_EQ(result.out, "");
  }
}

// On a terminal the progress bar is drawn on standard error and erased at the end.
TEST_F(CliTest, DrawsAProgressBarOnlyOnATerminal) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  std::string kml;
  for (int i = 0; i < 400000; ++i) kml += "<Point><coordinates>1,2,3</coordinates></Point>\n";
  WriteFileBytes(m_folder.Path("big.kml"), kml);
  // script(1) gives the command a terminal and copies everything it writes to the log.
  const std::string log = m_folder.Path("terminal.log");
  const std::string command =
      "script -qec " +
      Quote(Quote(TRELVO_CLI_PATH) + " -t point " + Quote(m_folder.Path("big.kml"))) + " " +
      Quote(log) + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string terminal = ReadFileBytes(log);
  EXPECT_NE(terminal.find("entities"), std::string::npos) << terminal;
  EXPECT_NE(terminal.find("MB/s"), std::string::npos);
  EXPECT_NE(terminal.find("\r\033[K"), std::string::npos) << "the bar is erased";
  EXPECT_NE(terminal.find("400000 Entities"), std::string::npos);
  // Not a terminal: nothing but the result.
  const TResult piped = Cli("-t point " + Quote(m_folder.Path("big.kml")));
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(piped.out, "400000 Entities\n");
}

TEST_F(CliTest, HelpAndVersion) {
  TResult result = Cli("--help");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out.rfind("usage: trelvo-cli", 0), 0u);
  EXPECT_NE(result.out.find("--format"), std::string::npos);
  result = Cli("--version");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out.rfind("trelvo-cli ", 0), 0u);
}

TEST_F(CliTest, AcceptsNamesWithSpacesAndNonAsciiBytes) {
  WriteFileBytes(m_folder.Path("my route \xc3\xa9.kml"), kKml);
  const TResult result = Cli("-- " + Quote(m_folder.Path("my route \xc3\xa9.kml")));
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_TRUE(fs::exists(m_folder.Path("my route \xc3\xa9.csv")));
}

}  // namespace
}  // namespace trelvo
