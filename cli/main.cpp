// trelvo-cli: converts the geometry of KML files into delimited text from the command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Options.h"
#include "cli/Terminal.h"
#include "platform/Platform.h"
#include "transform/Transformation.h"

namespace {

// Kept in step with the manual page, packaging/linux/trelvo-cli.1.
constexpr char kHelp[] =
    "Converts every Point, path (LineString or GPS track) or polygon (outer LinearRing) of KML\n"
    "files (also KMZ archives and gzip-compressed KML) into one row per vertex of a CSV, TXT\n"
    "(spaces) or TAB file.\n"
    "\n"
    "  -t, --type TYPE      point, path (default) or polygon; all: every kind (table layout)\n"
    "  -f, --format FORMAT  csv (default), txt or tab\n"
    "  -o, --output OUTPUT  the output file of the one input, or a folder for the outputs of\n"
    "                       all inputs (default: each INPUT with the format's extension)\n"
    "      --layout LAYOUT  classic (default): a block of rows per entity under a header;\n"
    "                       table: a header row, then one row per vertex with its fields\n"
    "      --fields LIST    the table's columns, comma-separated: seq, placemark, entity,\n"
    "                       type, ring, vertex, name, description, folder, style, time,\n"
    "                       begin, end, lon, lat, alt, @NAME (an ExtendedData field), @*\n"
    "                       (all of them); default placemark,entity,type,vertex,name,folder,\n"
    "                       lon,lat,alt\n"
    "      --no-header      no header row\n"
    "      --rings all      every ring of a polygon (ring 0 outer, 1... inner), not only the\n"
    "                       outer one\n"
    "      --bom            start with the UTF-8 byte-order mark, for Excel\n"
    "      --utm[=ZONE]     X and Y in metres of a UTM zone: 1 to 60 with N or S (32N), or\n"
    "                       auto (the default): the zone of the first vertex, for the whole run\n"
    "      --t-srs CRS      X and Y in a projected system PROJ knows: EPSG:25832, EPSG:27700\n"
    "      --decimals N     decimals of projected X and Y (default 3: millimetres)\n"
    "  -h, --help           show this help\n"
    "      --version        show the version\n"
    "\n"
    "INPUT \"-\" is standard input; its output is standard output unless -o names a file.\n"
    "OUTPUT \"-\" is standard output; \"N Entities\" then goes to standard error.\n"
    "\n"
    "Projected coordinates come from WGS 84 longitude and latitude; altitudes pass unchanged.\n"
    "In the table layout their fields are easting, northing (and zone) instead of lon, lat.\n"
    "\n"
    "The table layout quotes CSV texts as RFC 4180 does, turns a tab or line break in a TAB\n"
    "text into a space, and quotes every TXT text; texts are UTF-8.\n"
    "\n"
    "Prints \"N Entities\" for each input converted (\"INPUT: N Entities\" for several).\n"
    "Two inputs whose outputs would be one file are a usage error; nothing is written.\n"
    "Exit status: 0 every input converted, 1 any input failed, 2 usage error.\n";

// False, after saying so, when what was printed cannot be written (a full disk, a closed pipe).
bool FlushStandardOutput() {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  std::fprintf(stderr, "trelvo-cli: cannot write standard output: %s\n",
               std::strerror(errno != 0 ? errno : EIO));
  return false;
}

// Converts one input; prints its count, or the error naming the file. False on failure.
bool Convert(const trelvo::TRunSettings& settings, bool several) {
  try {
    int64_t entities = 0;
    std::vector<std::string> warnings;
    {
      trelvo::cli::TProgressBar progress(stderr, trelvo::PrepareConsole(stderr));
      entities = trelvo::Transform(settings, progress, &warnings);
    }
    // "trelvo-cli: INPUT: what the run says", after "warning:" for a warning.
    constexpr std::string_view kWarning = "warning: ";
    for (const std::string& line : warnings) {
      const bool warning = line.starts_with(kWarning);
      std::fprintf(stderr, "trelvo-cli: %s%s: %s\n", warning ? "warning: " : "",
                   settings.InputFileName.c_str(), line.c_str() + (warning ? kWarning.size() : 0));
    }
    // Data on standard output keeps it to itself.
    std::FILE* report = settings.OutputFileName == trelvo::kStandardStream ? stderr : stdout;
    const std::string prefix = several ? settings.InputFileName + ": " : std::string();
    std::fprintf(report, "%s%s Entities\n", prefix.c_str(), std::to_string(entities).c_str());
    return FlushStandardOutput();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "trelvo-cli: %s\n", error.what());
    return false;
  }
}

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
    return FlushStandardOutput() ? 0 : 1;
  }
  if (options.action == TOptions::TAction::kVersion) {
    std::printf("trelvo-cli %s\n", TRELVO_VERSION);
    return FlushStandardOutput() ? 0 : 1;
  }
  for (const std::string& warning : options.warnings) {
    std::fprintf(stderr, "trelvo-cli: warning: %s\n", warning.c_str());
  }
  bool all_converted = true;
  for (const trelvo::TRunSettings& run : options.runs) {
    all_converted = Convert(run, options.runs.size() > 1) && all_converted;
  }
  return all_converted ? 0 : 1;
}
