// Drives the built trelvo-cli: exit codes, messages, and outputs identical to the library run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/support/TestSupport.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <thread>
#endif

namespace trelvo {
namespace {

namespace fs = std::filesystem;
using test::Quote;
using test::ReadFileBytes;
using test::WriteFileBytes;

struct TResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Standard output and error as the tests expect them: the Windows C library ends lines with
// CR LF in text mode.
std::string Lines(std::string text) {
#ifdef _WIN32
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
    text.erase(at, 1);
  }
#endif
  return text;
}

class CliTest : public ::testing::Test {
 protected:
  // Runs trelvo-cli with `arguments`, each passed as it stands, and `input` (a file name) as
  // its standard input.
  TResult Cli(const std::vector<std::string>& arguments, const std::string& input = "") {
    std::string command = Quote(TRELVO_CLI_PATH);
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    const int exit_code =
        test::RunCommand(command, input, m_folder.Path("stdout"), m_folder.Path("stderr"));
    return {exit_code, Lines(ReadFileBytes(m_folder.Path("stdout"))),
            Lines(ReadFileBytes(m_folder.Path("stderr")))};
  }

  std::string Path(const std::string& name) const { return m_folder.Path(name); }

  test::TTempDir m_folder;
};

const char kKml[] =
    "<kml><Placemark><Point><coordinates>1,2,3</coordinates></Point></Placemark>\n"
    "<Placemark><LineString><coordinates>1,2 3,4</coordinates></LineString></Placemark>\n"
    "<Placemark><LineString><coordinates>5,6,7</coordinates></LineString></Placemark></kml>\n";

// One core, one writer: the command line writes the very bytes of the library run, by default
// beside the input with the format's extension.
TEST_F(CliTest, WritesTheBytesOfTheLibraryRun) {
  const std::string input = Path("my route \xc3\xa9.v1.kml");
  WriteFileBytes(input, kKml);

  const struct {
    std::vector<std::string> arguments;
    std::string output;
    TEntityType type;
    char separator;
  } cases[] = {
      // clang-format off
      {{input}, "my route \xc3\xa9.v1.csv", TEntityType::kPath, ','},
      {{"-f", "txt", "--", input}, "my route \xc3\xa9.v1.txt", TEntityType::kPath, ' '},
      {{"--type", "point", "--format=tab", "-o", Path("p.out"), input}, "p.out", TEntityType::kPoint, '\t'},
      {{"-t", "polygon", input, "--output", Path("g.out")}, "g.out", TEntityType::kPolygon, ','},
      // clang-format on
  };

  for (const auto& c : cases) {
    const TResult result = Cli(c.arguments);
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "");  // standard error is no terminal here: no progress bar
    const int64_t count = test::Convert(input, Path("lib.out"), c.type, c.separator);
    EXPECT_EQ(result.out, std::to_string(count) + " Entities\n");
    EXPECT_EQ(ReadFileBytes(Path(c.output)), ReadFileBytes(Path("lib.out"))) << c.output;
  }
}

// Each input converts on its own: one failure is one line, the others are written, exit 1.
TEST_F(CliTest, ConvertsSeveralInputsBesideThemselvesOrIntoAFolder) {
  WriteFileBytes(Path("a.kml"), kKml);
  WriteFileBytes(Path("b.kml"), kKml);
  TResult result = Cli({"-t", "point", Path("a.kml"), Path("missing.kml"), Path("b.kml")});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.out, Path("a.kml") + ": 1 Entities\n" + Path("b.kml") + ": 1 Entities\n");
  EXPECT_EQ(result.err, "trelvo-cli: Cannot open input file \"" + Path("missing.kml") +
                            "\": No such file or directory\n");
  const std::string expected = ReadFileBytes(Path("a.csv"));
  EXPECT_EQ(ReadFileBytes(Path("b.csv")), expected);
  fs::create_directory(PathFromUtf8(Path("out")));
  result = Cli({"-t", "point", "-o", Path("out"), Path("a.kml"), Path("b.kml")});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(ReadFileBytes(Path("out/a.csv")), expected);
  EXPECT_EQ(ReadFileBytes(Path("out/b.csv")), expected);
}

// "-" streams: standard input in, standard output out, the count then on standard error.
TEST_F(CliTest, ReadsStandardInputAndWritesStandardOutput) {
  WriteFileBytes(Path("a.kml"), kKml);
  ASSERT_EQ(Cli({"-f", "tab", Path("a.kml")}).exit_code, 0);
  const std::string expected = ReadFileBytes(Path("a.tab"));
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"-f", "tab", "-"},
                                             {"-f", "tab", "-o", "-", "-"},
                                             {"-f", "tab", "-o", "-", Path("a.kml")}}) {
    const TResult result = Cli(arguments, arguments.back() == "-" ? Path("a.kml") : "");
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "2 Entities\n");
    EXPECT_EQ(test::FirstDifference(result.out, Lines(expected)), "");
  }
  const TResult result = Cli({"-f", "tab", "-o", Path("b.tab"), "-"}, Path("a.kml"));
  EXPECT_EQ(result.out, "2 Entities\n");
  EXPECT_EQ(ReadFileBytes(Path("b.tab")), expected);
}

TEST_F(CliTest, UsageErrorsExitTwoWithTheUsageLine) {
  const std::string usage =
      "usage: trelvo-cli [--type point|path|polygon] [--format csv|txt|tab] [-o OUTPUT] "
      "INPUT...\n";

  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{}, "missing input file"},
      {{"--bogus", "in.kml"}, "unknown option '--bogus'"},
      {{"--type", "line", "in.kml"}, "bad --type value 'line' (point, path or polygon)"},
      {{"--format", "xls", "in.kml"}, "bad --format value 'xls' (csv, txt or tab)"},
      {{"in.kml", "-o"}, "option -o needs a value"},
      {{"a.kml", "b.kml", "-o", "c.csv"}, "-o must name a folder when there are several inputs"},
      {{"a.kml", "-"}, "standard input ('-') must be the only input"},
  };

  for (const auto& c : cases) {
    const TResult result = Cli(c.arguments);
    EXPECT_EQ(result.exit_code, 2) << c.message;
    EXPECT_EQ(result.err, "trelvo-cli: " + c.message + "\n" + usage);
    EXPECT_EQ(result.out, "");
  }
  TResult result = Cli({"--help"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out.rfind(usage + "\n", 0), 0u);
  result = Cli({"--version"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out.rfind("trelvo-cli ", 0), 0u);
}

// On a terminal the progress bar is drawn on standard error and erased at the end.
TEST_F(CliTest, DrawsAProgressBarOnlyOnATerminal) {
#ifdef _WIN32
  GTEST_SKIP() << "no pseudo-terminal to record a console on Windows";
#endif
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  std::string kml;
  for (int i = 0; i < 400000; ++i) kml += "<Point><coordinates>1,2,3</coordinates></Point>\n";
  WriteFileBytes(Path("big.kml"), kml);
  // script(1) gives the command a terminal and copies everything it writes to the log.
  const std::string command = Quote(TRELVO_CLI_PATH) + " -t point " + Quote(Path("big.kml"));
  const std::string logged = "script -qec " + Quote(command) + " " + Quote(Path("log"));
  ASSERT_EQ(std::system((logged + " >/dev/null 2>&1").c_str()), 0);
  const std::string terminal = ReadFileBytes(Path("log"));
  EXPECT_NE(terminal.find("entities"), std::string::npos) << terminal;
  EXPECT_NE(terminal.find("MB/s"), std::string::npos);
  EXPECT_NE(terminal.find("\r\033[K"), std::string::npos) << "the bar is erased";
  EXPECT_NE(terminal.find("400000 Entities"), std::string::npos);
}

// An interrupted run removes its temporary file, keeps the previous output and ends the way
// the signal ends a program. The input is a pipe, so the run is caught in the middle.
TEST_F(CliTest, AnInterruptLeavesNothingBehind) {
#ifdef _WIN32
  GTEST_SKIP() << "no console to send Ctrl-C to under the test runner on Windows";
#else
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    ASSERT_EQ(mkfifo(Path("in.kml").c_str(), 0600), 0);
    WriteFileBytes(Path("out.csv"), "previous");
    const pid_t child = fork();
    if (child == 0) {
      execl(TRELVO_CLI_PATH, TRELVO_CLI_PATH, "-o", Path("out.csv").c_str(), Path("in.kml").c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    const int pipe = open(Path("in.kml").c_str(), O_WRONLY);
    const std::string kml = "<LineString><coordinates>1,2,3 4,5,6</coordinates></LineString>\n";
    ASSERT_EQ(write(pipe, kml.data(), kml.size()), static_cast<ssize_t>(kml.size()));
    // The temporary output exists once the input has been opened.
    for (int wait = 0; wait < 500 && m_folder.Entries().size() < 3; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(m_folder.Entries().size(), 3u) << "no temporary file appeared";
    kill(child, signal_number);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipe);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
    EXPECT_EQ(ReadFileBytes(Path("out.csv")), "previous");
    EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"in.kml", "out.csv"}));
    fs::remove(Path("in.kml"));
  }
#endif
}

}  // namespace
}  // namespace trelvo
