#include "cli/Options.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "platform/Platform.h"
#include "transform/FileNames.h"
#include "transform/Projection.h"

namespace trelvo::cli {
namespace {

// The type, or nullopt for "all" (the table layout's).
std::optional<TEntityType> ParseType(const std::string& value) {
  if (value == "point") return TEntityType::kPoint;
  if (value == "path") return TEntityType::kPath;
  if (value == "polygon") return TEntityType::kPolygon;
  if (value == "all") return std::nullopt;
  throw std::invalid_argument("bad --type value '" + value + "' (point, path, polygon or all)");
}

bool ParseLayout(const std::string& value) {
  if (value == "classic") return false;
  if (value == "table") return true;
  throw std::invalid_argument("bad --layout value '" + value + "' (classic or table)");
}

// The table layout's options, checked once the layout is known.
struct TTableOptions {
  bool table = false;
  std::vector<std::string> given;  // the table-only options given, for the message
  TTableSettings settings;
};

char ParseFormat(const std::string& value) {
  if (value == "csv") return ',';
  if (value == "txt") return ' ';
  if (value == "tab") return '\t';
  throw std::invalid_argument("bad --format value '" + value + "' (csv, txt or tab)");
}

}  // namespace

TOptions ParseOptions(const std::vector<std::string>& arguments) {
  TOptions options;
  TRunSettings common;
  std::vector<std::string> inputs;
  std::string output;
  bool only_operands = false;
  bool type_given = false;
  bool format_given = false;
  bool output_given = false;
  bool layout_given = false;
  bool fields_given = false;
  bool header_given = false;
  bool rings_given = false;
  bool bom_given = false;
  TTableOptions table;
  bool fields_chosen = false;
  bool utm_given = false;
  bool crs_given = false;
  bool decimals_given = false;
  bool projecting = false;
  TProjectionSettings projection;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string argument = arguments[i];
    std::string value;
    bool has_inline_value = false;
    if (!only_operands && argument.rfind("--", 0) == 0 && argument.size() > 2) {
      const size_t equals = argument.find('=');
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
        argument.resize(equals);
        has_inline_value = true;
      }
    } else if (!only_operands && argument.size() > 2 && argument[0] == '-' &&
               std::string_view("tfo").find(argument[1]) != std::string_view::npos) {
      // A short option with its value attached, as getopt takes it: -tpath, -oout.csv.
      value = argument.substr(2);
      argument.resize(2);
      has_inline_value = true;
    }
    // A second value would silently win over the first.
    const auto once = [&](bool* given) {
      if (*given) throw std::invalid_argument("option " + argument + " is given more than once");
      *given = true;
    };
    const auto take_value = [&]() -> std::string {
      if (has_inline_value) return value;
      if (i + 1 >= arguments.size())
        throw std::invalid_argument("option " + argument + " needs a value");
      return arguments[++i];
    };
    if (only_operands || argument == kStandardStream || argument.empty() || argument[0] != '-') {
      if (argument.empty()) throw std::invalid_argument("empty input file name");
      if (argument == kStandardStream) {
        inputs.push_back(argument);
      } else {
        for (const std::string& name : ExpandInputName(argument)) inputs.push_back(name);
      }
    } else if (argument == "--") {
      only_operands = true;
    } else if (argument == "--help" || argument == "-h") {
      options.action = TOptions::TAction::kHelp;
      return options;
    } else if (argument == "--version") {
      options.action = TOptions::TAction::kVersion;
      return options;
    } else if (argument == "--type" || argument == "-t") {
      once(&type_given);
      const std::optional<TEntityType> type = ParseType(take_value());
      if (type) {
        common.EntityType = *type;
      } else {
        table.settings.all_types = true;
        table.given.push_back("--type all");
      }
    } else if (argument == "--layout") {
      once(&layout_given);
      table.table = ParseLayout(take_value());
    } else if (argument == "--fields") {
      once(&fields_given);
      table.settings.fields = ParseFields(take_value());
      fields_chosen = true;
      table.given.push_back(argument);
    } else if (argument == "--no-header") {
      once(&header_given);
      table.settings.header = false;
      table.given.push_back(argument);
    } else if (argument == "--rings") {
      once(&rings_given);
      const std::string rings = take_value();
      if (rings != "all" && rings != "outer") {
        throw std::invalid_argument("bad --rings value '" + rings + "' (outer or all)");
      }
      table.settings.all_rings = rings == "all";
      table.given.push_back(argument);
    } else if (argument == "--utm") {
      once(&utm_given);
      if (crs_given) throw std::invalid_argument("--utm and --t-srs exclude each other");
      const std::string zone = has_inline_value ? value : "auto";
      const int decimals = projection.decimals;
      projection = ParseUtmZone(zone);
      projection.decimals = decimals;
      projecting = true;
    } else if (argument == "--t-srs") {
      once(&crs_given);
      if (utm_given) throw std::invalid_argument("--utm and --t-srs exclude each other");
      projection.crs = take_value();
      if (projection.crs.empty()) throw std::invalid_argument("empty --t-srs");
      projecting = true;
    } else if (argument == "--decimals") {
      once(&decimals_given);
      projection.decimals = ParseDecimals(take_value());
    } else if (argument == "--bom") {
      once(&bom_given);
      table.settings.bom = true;
      table.given.push_back(argument);
    } else if (argument == "--format" || argument == "-f") {
      once(&format_given);
      common.Separator = ParseFormat(take_value());
    } else if (argument == "--output" || argument == "-o") {
      once(&output_given);
      output = take_value();
      if (output.empty()) throw std::invalid_argument("empty output file name");
    } else {
      throw std::invalid_argument("unknown option '" + argument + "'");
    }
  }
  if (inputs.empty()) throw std::invalid_argument("missing input file");
  if (!table.table && !table.given.empty()) {
    throw std::invalid_argument(table.given.front() + " needs --layout table");
  }
  if (decimals_given && !projecting) {
    throw std::invalid_argument("--decimals needs --utm or --t-srs");
  }
  if (projecting) {
    CheckProjection(projection);
    common.Projection = projection;
  }
  if (table.table) {
    // Projected, the default fields hold easting and northing where lon and lat stand.
    if (!fields_chosen) {
      table.settings.fields = ParseFields(projecting ? kDefaultProjectedFields : kDefaultFields);
    }
    for (const TFieldChoice& choice : table.settings.fields) {
      const bool projected = choice.field == TField::kEasting ||
                             choice.field == TField::kNorthing || choice.field == TField::kZone;
      const bool geographic = choice.field == TField::kLon || choice.field == TField::kLat;
      if (projected && !projecting) {
        throw std::invalid_argument("the fields easting, northing and zone need --utm or --t-srs");
      }
      if (geographic && projecting) {
        throw std::invalid_argument(
            "the fields lon and lat are not projected: with --utm or --t-srs use easting and "
            "northing");
      }
    }
    if (WantsAllData(table.settings.fields) &&
        std::find(inputs.begin(), inputs.end(), kStandardStream) != inputs.end()) {
      throw std::invalid_argument(
          "@* reads the file twice, which standard input cannot be: name the fields (@NAME)");
    }
    common.Table = table.settings;
  }
  const std::string extension = "." + std::string(FormatExtension(common.Separator));
  std::error_code ec;
  const bool to_folder = !output.empty() && output != kStandardStream &&
                         std::filesystem::is_directory(PathFromUtf8(output), ec);
  if (inputs.size() > 1) {
    if (std::find(inputs.begin(), inputs.end(), kStandardStream) != inputs.end()) {
      throw std::invalid_argument("standard input ('-') must be the only input");
    }
    if (!output.empty() && !to_folder) {
      throw std::invalid_argument("-o must name a folder when there are several inputs");
    }
  }
  std::vector<TRunSettings> runs;
  for (const std::string& input : inputs) {
    TRunSettings run = common;
    run.InputFileName = input;
    if (to_folder) {
      if (input == kStandardStream) {
        throw std::invalid_argument("-o names a folder, but standard input has no file name");
      }
      const std::filesystem::path name = PathFromUtf8(OutputNameFor(input, extension)).filename();
      run.OutputFileName = Utf8FromPath(PathFromUtf8(output) / name);
    } else if (!output.empty()) {
      run.OutputFileName = output;
    } else {
      run.OutputFileName =
          input == kStandardStream ? std::string(kStandardStream) : OutputNameFor(input, extension);
    }
    runs.push_back(run);
  }
  options.runs = DistinctRuns(runs, options.warnings);
  return options;
}

}  // namespace trelvo::cli
