// trelvo-cli: converts the geometry of a KML file into delimited text from the command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Options.h"
#include "cli/Terminal.h"
#include "platform/Platform.h"
#include "transform/Transformation.h"

namespace {

constexpr char kHelp[] =
    "Converts every Point, path (LineString) or polygon (outer LinearRing) of a KML file\n"
    "into one row per vertex of a CSV, TXT (spaces) or TAB file.\n"
    "\n"
    "  -t, --type TYPE      point, path (default) or polygon\n"
    "  -f, --format FORMAT  csv (default), txt or tab\n"
    "  -o, --output FILE    output file (default: INPUT with the format's extension)\n"
    "  -h, --help           show this help\n"
    "      --version        show the version\n"
    "\n"
    "Prints \"N Entities\" on success. Exit status: 0 done, 1 input/output error, 2 usage error.\n";

}  // namespace

int main(int argc, char** argv) {
  using trelvo::cli::TOptions;
  trelvo::InstallInterruptHandlers();
  const std::vector<std::string> arguments = trelvo::Utf8Arguments(argc, argv);
  TOptions options;
  try {
    options = trelvo::cli::ParseOptions(arguments);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "trelvo-cli: %s\n%s\n", error.what(), trelvo::cli::kUsage);
    return 2;
  }
  if (options.action == TOptions::TAction::kHelp) {
    std::printf("%s\n\n%s", trelvo::cli::kUsage, kHelp);
    return 0;
  }
  if (options.action == TOptions::TAction::kVersion) {
    std::printf("trelvo-cli %s\n", TRELVO_VERSION);
    return 0;
  }
  try {
    int64_t entities = 0;
    {
      trelvo::cli::TProgressBar progress(stderr, trelvo::PrepareConsole(stderr));
      entities = trelvo::Transform(options.settings, progress);
    }
    std::printf("%s Entities\n", std::to_string(entities).c_str());
    if (std::fflush(stdout) != 0) {
      std::fprintf(stderr, "trelvo-cli: cannot write standard output: %s\n", std::strerror(errno));
      return 1;
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "trelvo-cli: %s\n", error.what());
    return 1;
  }
}
