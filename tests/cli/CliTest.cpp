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
#include <sys/resource.h>
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
      // Short options with their values attached, as getopt takes them.
      {{"-tpoint", "-ftxt", "-o" + Path("a.out"), input}, "a.out", TEntityType::kPoint, ' '},
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

// A projected run says which system it used; a vertex outside the system's domain fails the
// run, naming the entity and vertex, and writes nothing.
TEST_F(CliTest, ReportsTheProjectionAndRefusesAVertexItCannotProject) {
  const std::string input = Path("in.kml");
  WriteFileBytes(input, kKml);
  TResult result = Cli({"--utm", "-o", Path("out.csv"), input});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "2 Entities\n");
  EXPECT_EQ(
      result.err.rfind(
          "trelvo-cli: " + input + ": coordinates in EPSG:32631 (WGS 84 / UTM zone 31N)\n", 0),
      0u)
      << result.err;
  EXPECT_NE(ReadFileBytes(Path("out.csv")).find("\r\n500000.000,442127.390,0\r\n"),
            std::string::npos);

  WriteFileBytes(input, "<LineString><coordinates>9,48 9,84.5</coordinates></LineString>");
  result = Cli({"--utm=32N", "-o", Path("far.csv"), input});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err,
            "trelvo-cli: entity 1, vertex 2 (9.0000000, 84.5000000) cannot be "
            "projected into EPSG:32632\n");
  EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(Path("far.csv"))));
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
#ifdef _WIN32
  // The console passes wildcards on as they stand: the program expands them.
  result = Cli({"-t", "point", Path("*.kml")});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, Path("a.kml") + ": 1 Entities\n" + Path("b.kml") + ": 1 Entities\n");
  result = Cli({"-t", "point", Path("*.none")});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err.rfind("trelvo-cli: Cannot open input file \"" + Path("*.none") + "\"", 0),
            0u);
#endif
  // One input named twice, in two spellings, is converted once, as cp copies it once.
  result = Cli({"-t", "point", Path("a.kml"), Path("out/../a.kml")});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "1 Entities\n");
  EXPECT_EQ(result.err, "trelvo-cli: warning: input file \"" + Path("out/../a.kml") +
                            "\" is named more than once; it is converted once\n");
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
#ifndef _WIN32
  // A KMZ's directory is at its end, which a pipe cannot give back.
  WriteFileBytes(Path("a.kmz"), std::string("PK\x03\x04", 4) + std::string(100, '\0'));
  for (const std::string name : {"-", "/dev/stdin"}) {
    const std::string command = "cat " + Quote(Path("a.kmz")) + " | " + Quote(TRELVO_CLI_PATH) +
                                " -o " + Quote(Path("c.csv")) + " " + name + " 2>" +
                                Quote(Path("err"));
    EXPECT_NE(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(Path("err")),
              "trelvo-cli: Cannot read input file \"" + name +
                  "\": a KMZ archive cannot be read from " +
                  (name == "-" ? "standard input\n" : "a pipe; save it as a file first\n"));
  }
#endif
}

TEST_F(CliTest, UsageErrorsExitTwoWithTheUsageLine) {
  const std::string usage =
      "usage: trelvo-cli [--type point|path|polygon|all] [--format csv|txt|tab] [-o OUTPUT]\n"
      "                  [--layout classic|table [--fields LIST] [--no-header] [--rings all]\n"
      "                  [--bom]] [--utm[=ZONE] | --t-srs CRS] [--decimals N] INPUT...\n";

  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{}, "missing input file"},
      {{"--bogus", "in.kml"}, "unknown option '--bogus'"},
      {{"--type", "line", "in.kml"}, "bad --type value 'line' (point, path, polygon or all)"},
      // The table layout's options need it; "@*" needs a file to read twice.
      {{"--type", "all", "in.kml"}, "--type all needs --layout table"},
      {{"--fields", "name", "in.kml"}, "--fields needs --layout table"},
      {{"--layout", "table", "--fields", "name,colour", "in.kml"},
       "unknown field 'colour' in --fields (see --help)"},
      {{"--layout", "table", "--fields", "@*", "-"},
       "@* reads the file twice, which standard input cannot be: name the fields (@NAME)"},
      {{"--layout", "grid", "in.kml"}, "bad --layout value 'grid' (classic or table)"},
      // Projections: a zone, a system PROJ knows and projects into, fields that fit.
      {{"--utm=61N", "in.kml"}, "bad --utm zone '61N' (auto, or 1 to 60 with N or S: 32N)"},
      {{"--utm=32", "in.kml"}, "bad --utm zone '32' (auto, or 1 to 60 with N or S: 32N)"},
      {{"--utm", "--t-srs", "EPSG:25832", "in.kml"}, "--utm and --t-srs exclude each other"},
      {{"--decimals", "2", "in.kml"}, "--decimals needs --utm or --t-srs"},
      {{"--utm", "--decimals", "11", "in.kml"}, "bad --decimals value '11' (0 to 10)"},
      {{"--t-srs", "EPSG:4326", "in.kml"},
       "'EPSG:4326' is no projected coordinate system (it gives no metres)"},
      {{"--layout", "table", "--fields", "easting", "in.kml"},
       "the fields easting, northing and zone need --utm or --t-srs"},
      {{"--layout", "table", "--utm", "--fields", "lon", "in.kml"},
       "the fields lon and lat are not projected: with --utm or --t-srs use easting and "
       "northing"},
      {{"--format", "xls", "in.kml"}, "bad --format value 'xls' (csv, txt or tab)"},
      {{"in.kml", "-o"}, "option -o needs a value"},
      {{"a.kml", "b.kml", "-o", "c.csv"}, "-o must name a folder when there are several inputs"},
      {{"a.kml", "-"}, "standard input ('-') must be the only input"},
      // A second value would silently win over the first.
      {{"-o", "a.csv", "--output=b.csv", "in.kml"}, "option --output is given more than once"},
      {{"-t", "point", "-tpath", "in.kml"}, "option -t is given more than once"},
      {{"--format", "csv", "--format", "csv", "in.kml"}, "option --format is given more than once"},
      // Two inputs, one output: the second would replace the first. Nothing is written.
      {{"-t", "point", "a.kml", "a.kmz"},
       "\"a.kml\" and \"a.kmz\" would both be written to \"a.csv\""},
      {{"-o", Path("."), "e0/doc.kml", "e1/doc.kml"},
       "\"e0/doc.kml\" and \"e1/doc.kml\" would both be written to \"" +
           Utf8FromPath(PathFromUtf8(Path(".")) / "doc.csv") + "\""},
#ifdef _WIN32
      {{"Route.kml", "route.KMZ"},
       "\"Route.kml\" and \"route.KMZ\" would both be written to \"route.csv\""},
#endif
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
  EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"stderr", "stdout"}));
#ifndef _WIN32
  // What cannot be printed is a failure too.
  for (const char* option : {"--help", "--version"}) {
    EXPECT_EQ(test::RunCommand(Quote(TRELVO_CLI_PATH) + " " + option, "", "/dev/full", Path("err")),
              1);
    EXPECT_EQ(ReadFileBytes(Path("err")),
              "trelvo-cli: cannot write standard output: No space left on device\n");
  }
#endif
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

#ifndef _WIN32
// Starts trelvo-cli with `arguments` in a child process, standard error into `error`, after
// `prepare` has run in the child.
template <typename TPrepare>
pid_t StartCli(const std::vector<std::string>& arguments, const std::string& error,
               TPrepare prepare) {
  const pid_t child = fork();
  if (child == 0) {
    prepare();
    const int descriptor = open(error.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(descriptor, 2);
    std::vector<char*> argv{const_cast<char*>(TRELVO_CLI_PATH)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(TRELVO_CLI_PATH, argv.data());
    _exit(127);
  }
  return child;
}

int Wait(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}
#endif

// An interrupted run removes its temporary file, keeps the previous output and ends the way
// the signal ends a program. The input is a pipe, so the run is caught in the middle.
TEST_F(CliTest, AnInterruptLeavesNothingBehind) {
#ifdef _WIN32
  GTEST_SKIP() << "no console to send Ctrl-C to under the test runner on Windows";
#else
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    ASSERT_EQ(mkfifo(Path("in.kml").c_str(), 0600), 0);
    WriteFileBytes(Path("out.csv"), "previous");
    const pid_t child = StartCli({"-o", Path("out.csv"), Path("in.kml")}, "/dev/null", [] {
      const rlimit no_core{0, 0};  // SIGQUIT would dump one
      setrlimit(RLIMIT_CORE, &no_core);
    });
    const int pipe = open(Path("in.kml").c_str(), O_WRONLY);
    const std::string kml = "<LineString><coordinates>1,2,3 4,5,6</coordinates></LineString>\n";
    ASSERT_EQ(write(pipe, kml.data(), kml.size()), static_cast<ssize_t>(kml.size()));
    // The temporary output exists once the input has been opened.
    for (int wait = 0; wait < 500 && m_folder.Entries().size() < 3; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(m_folder.Entries().size(), 3u) << "no temporary file appeared";
    kill(child, signal_number);
    const int status = Wait(child);
    close(pipe);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
    EXPECT_EQ(ReadFileBytes(Path("out.csv")), "previous");
    EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"in.kml", "out.csv"}));
    fs::remove(Path("in.kml"));
  }
  // A file-size limit reached part way is a failed write, not a signal that ends the program.
  std::string kml;
  for (int i = 0; i < 20000; ++i) kml += "<Point><coordinates>1,2,3</coordinates></Point>";
  WriteFileBytes(Path("in.kml"), kml);
  const int status =
      Wait(StartCli({"-t", "point", "-o", Path("out.csv"), Path("in.kml")}, Path("err"), [] {
        const rlimit small{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &small);
      }));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(ReadFileBytes(Path("err")),
            "trelvo-cli: Cannot write output file \"" + Path("out.csv") + "\": File too large\n");
  EXPECT_EQ(ReadFileBytes(Path("out.csv")), "previous");
  EXPECT_EQ(m_folder.Entries(), (std::vector<std::string>{"err", "in.kml", "out.csv"}));
#endif
}

// A writable file in a folder this user cannot write is converted in the temporary folder and
// copied over in place; an interrupt, or a full disk, during that copy puts the previous
// content back. The copy is caught by its backup appearing in the temporary folder.
TEST_F(CliTest, ACopyOverAFileInALockedFolderFailsWhole) {
#ifdef _WIN32
  GTEST_SKIP() << "permission bits of POSIX";
#else
  if (geteuid() == 0) GTEST_SKIP() << "permission bits do not bind root";
  std::string kml = "<LineString><coordinates>";
  for (int i = 0; i < 1500000; ++i) kml += "1,2,3 ";
  WriteFileBytes(Path("in.kml"), kml + "</coordinates></LineString>");
  fs::create_directory(Path("locked"));
  fs::create_directory(Path("tmp"));
  WriteFileBytes(Path("locked/out.csv"), "previous");
  fs::permissions(Path("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  const std::string temporary = Path("tmp");
  enum class TAction { kInterrupt, kDiskFull };
  for (const TAction action : {TAction::kInterrupt, TAction::kDiskFull}) {
    int status = 0;
    // A fast machine may finish the copy before the test acts: try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
      const pid_t child = StartCli({"-o", Path("locked/out.csv"), Path("in.kml")}, Path("err"),
                                   [&] { setenv("TMPDIR", temporary.c_str(), 1); });
      bool acted = false;
      while (!acted && waitpid(child, &status, WNOHANG) == 0) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(temporary, ec)) {
          if (entry.path().extension() != ".bak") continue;
          if (action == TAction::kInterrupt) {
            kill(child, SIGINT);
          } else {
            const auto size = fs::file_size(Path("locked/out.csv"), ec);
            const rlimit full{size + 100000, size + 100000};
            prlimit(child, RLIMIT_FSIZE, &full, nullptr);
          }
          acted = true;
          break;
        }
      }
      if (acted) status = Wait(child);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) break;
      WriteFileBytes(Path("locked/out.csv"), "previous");
    }
    if (action == TAction::kInterrupt) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
      EXPECT_EQ(ReadFileBytes(Path("err")), "trelvo-cli: Cannot replace output file \"" +
                                                Path("locked/out.csv") + "\": File too large\n");
    }
    EXPECT_EQ(ReadFileBytes(Path("locked/out.csv")), "previous");
    EXPECT_TRUE(fs::is_empty(temporary)) << "a temporary file or backup was left behind";
  }
  fs::permissions(Path("locked"), fs::perms::owner_all);
#endif
}

}  // namespace
}  // namespace trelvo
